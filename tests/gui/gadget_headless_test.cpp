// Gadgets under the headless display (Linux only): real clicks, double clicks
// and drags injected at the screen and routed by the stand-in, and the
// colours the gadgets paint with.
#ifndef _WIN32
#include <algorithm>

#include "gui/gadget_fixture.h"
#include "platform/win32/display/headless_driver.h"

namespace {

using Types = std::vector<int64_t>;

POINT item_on_screen(HWND list, int index) {
  const LPARAM point = item_point(list, index);
  return headless::on_screen(list, static_cast<int16_t>(LOWORD(point)), static_cast<int16_t>(HIWORD(point)));
}

class HeadlessGadgetTest : public GadgetTest {
 protected:
  void SetUp() override {
    GadgetTest::SetUp();
    list_ = gadget_new_list(-1, 10, 10, 240, 200);
    for (const WCHAR* line : {TEXT("alpha"), TEXT("beta"), TEXT("gamma")}) {
      gadget_add_item(list_, -1, line);
    }
    headless::advance(GetDoubleClickTime() + 10);  // no earlier click pairs with the first one here
    take_events();
  }
  HWND list() const { return gadget_handle(list_); }
  Types types() { return gadget_types(take_events(), list_); }

  int64_t list_ = 0;
};

TEST_F(HeadlessGadgetTest, RealClickIsOneEventAndRealDoubleClickAddsTypeTwo) {
  const POINT at = item_on_screen(list(), 1);
  headless::click(at.x, at.y);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_LEFT_CLICK}));
  EXPECT_EQ(gadget_get_state(list_), 1);

  headless::advance(GetDoubleClickTime() + 10);
  const POINT other = item_on_screen(list(), 2);
  headless::click(other.x, other.y);
  headless::advance(10);
  headless::click(other.x, other.y);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_LEFT_CLICK, GADGET_TYPE_DOUBLE_CLICK}));
  EXPECT_EQ(GetCapture(), nullptr);

  headless::advance(GetDoubleClickTime() + 10);
  headless::click(other.x, other.y, 2);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_RIGHT_CLICK}));
}

TEST_F(HeadlessGadgetTest, RealDragStartsADrag) {
  const POINT at = item_on_screen(list(), 0);
  headless::mouse_down(at.x, at.y);
  headless::mouse_move(at.x + GetSystemMetrics(SM_CXDRAG) + 3, at.y + 1);
  headless::mouse_up(at.x + GetSystemMetrics(SM_CXDRAG) + 3, at.y + 1);
  const Types seen = types();
  ASSERT_FALSE(seen.empty());
  const auto drag = std::find(seen.begin(), seen.end(), GADGET_TYPE_DRAG_START);
  ASSERT_NE(drag, seen.end());
  EXPECT_EQ(std::count(drag, seen.end(), GADGET_TYPE_LEFT_CLICK), 0);
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(HeadlessGadgetTest, GadgetsPaintWithTheirColours) {
  const int32_t panel_colour = win_make_color(59, 25, 34);
  const int32_t list_colour = win_make_color(236, 210, 194);
  const int64_t panel = gadget_new_container(-1, 260, 10, 200, 200);
  gadget_pop_list();
  gadget_set_color(panel, GADGET_BACK_COLOR, panel_colour);
  gadget_set_color(list_, GADGET_BACK_COLOR, list_colour);
  headless::pump();
  EXPECT_EQ(headless::pixel(gadget_handle(panel), 100, 100), static_cast<COLORREF>(panel_colour));
  RECT client;
  GetClientRect(list(), &client);
  EXPECT_EQ(headless::pixel(list(), client.right - 5, client.bottom - 5), static_cast<COLORREF>(list_colour));
  // Back to the platform's colours.
  gadget_set_color(panel, GADGET_BACK_COLOR, -1);
  headless::pump();
  EXPECT_EQ(headless::pixel(gadget_handle(panel), 100, 100), GetSysColor(COLOR_3DFACE));
}

TEST_F(HeadlessGadgetTest, ClickingAFieldGivesItTheFocusEvent) {
  const int64_t field = gadget_new_field(-1, 260, 10, 150, 24, TEXT("text"));
  take_events();
  const POINT at = headless::on_screen(gadget_handle(field), 20, 10);
  headless::click(at.x, at.y);
  const Types seen = gadget_types(take_events(), field);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), GADGET_TYPE_FOCUS);
  EXPECT_EQ(GetFocus(), gadget_handle(field));
}

}  // namespace
#endif
