// The gadget core: numbering, the control's identifier and "KT_ID", the clean-up
// when a control goes, operations on numbers that name no gadget, fonts, the
// brush cache, forwarding of parent messages.
#include "gui/gadget_fixture.h"
#include "common/test_text.h"

namespace {

int64_t prop_of(HWND control, const WCHAR* name) {
  return static_cast<int64_t>(reinterpret_cast<INT_PTR>(GetPropW(control, name)));
}

HBRUSH list_brush(HWND list) {
  HDC dc = GetDC(list);
  const LRESULT answer = gadget_forward_parent_message(list, GetParent(list), WM_CTLCOLORLISTBOX,
                                                       reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(list));
  ReleaseDC(list, dc);
  return answer == GADGET_NOT_HANDLED ? nullptr : reinterpret_cast<HBRUSH>(answer);
}

TEST(GadgetKindTable, HasThirtyNineSlotsInThreeHundredTwentyBytes) {
  EXPECT_EQ(sizeof(GadgetKindOps), 320u);
  EXPECT_EQ(offsetof(GadgetKindOps, parent_message), 8u);
  EXPECT_EQ(offsetof(GadgetKindOps, set_item_data), 8u * 33);
  EXPECT_EQ(offsetof(GadgetKindOps, reserved_39), 8u * 39);
}

TEST_F(GadgetTest, NumbersAreWrittenIntoTheControl) {
  const int64_t dynamic = gadget_new_button(-1, 10, 10, 80, 24, TEXT("Go"));
  ASSERT_NE(dynamic, 0);
  HWND button = gadget_handle(dynamic);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(GetParent(button), window());
  EXPECT_EQ(static_cast<int64_t>(GetWindowLongPtrW(button, GWLP_ID)), dynamic);
  EXPECT_EQ(prop_of(button, TEXT("KT_ID")), dynamic);
  EXPECT_EQ(gadget_from_handle(button), gadget_object(dynamic));

  // A static number answers the handle; reusing it destroys the first control.
  const int64_t first = gadget_new_button(7, 10, 40, 80, 24, TEXT("Seven"));
  HWND seven = gadget_handle(7);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(first, reinterpret_cast<INT_PTR>(seven));
  EXPECT_EQ(GetWindowLongPtrW(seven, GWLP_ID), 7);
  const int64_t second = gadget_new_field(7, 10, 70, 80, 24, TEXT("again"));
  EXPECT_FALSE(IsWindow(seven));
  ASSERT_NE(gadget_handle(7), nullptr);
  EXPECT_EQ(second, reinterpret_cast<INT_PTR>(gadget_handle(7)));
  EXPECT_EQ(u8(gadget_get_text(7, text_stack_top())), "again");

  // A control that is not ours, or no longer ours, is no gadget.
  HWND plain = CreateWindowExW(0, TEXT("Button"), TEXT("plain"), WS_CHILD, 0, 0, 10, 10, window(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(7)), nullptr, nullptr);
  EXPECT_EQ(gadget_from_handle(plain), nullptr);
  EXPECT_EQ(gadget_forward_parent_message(plain, window(), WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(plain)),
            GADGET_NOT_HANDLED);
  DestroyWindow(plain);
  gadget_free(dynamic);
  EXPECT_FALSE(IsWindow(button));
  EXPECT_EQ(gadget_handle(dynamic), nullptr);
  EXPECT_EQ(gadget_from_handle(nullptr), nullptr);
}

TEST_F(GadgetTest, DestroyedControlTakesItsEventsAndNumberAlong) {
  const int64_t list = gadget_new_list(-1, 10, 10, 200, 120);
  const int64_t other = gadget_new_list(-1, 220, 10, 200, 120);
  HWND list_window = gadget_handle(list);
  gadget_add_item(list, -1, TEXT("one"));
  gadget_add_item(other, -1, TEXT("one"));
  // Right-button releases queue type 1 for each list.
  SendMessageW(list_window, WM_RBUTTONUP, 0, item_point(list_window, 0));
  SendMessageW(gadget_handle(other), WM_RBUTTONUP, 0, item_point(gadget_handle(other), 0));
  ASSERT_TRUE(event_pending());
  DestroyWindow(list_window);
  EXPECT_EQ(gadget_handle(list), nullptr);
  EXPECT_EQ(gadget_object(list), nullptr);
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_TRUE(gadget_types(seen, list).empty());
  EXPECT_EQ(gadget_types(seen, other), std::vector<int64_t>{GADGET_TYPE_RIGHT_CLICK});
  // The events carry the window's number.
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].window, window_);
}

TEST_F(GadgetTest, NumbersNamingNoGadgetDoNothing) {
  const int32_t top = text_stack_top();
  for (int64_t nothing : {int64_t{0}, int64_t{49}, int64_t{12345678}, int64_t{-2}}) {
    EXPECT_EQ(gadget_handle(nothing), nullptr);
    gadget_set_text(nothing, TEXT("x"));
    EXPECT_EQ(u8(gadget_get_text(nothing, top)), "");
    EXPECT_EQ(gadget_get_state(nothing), 0);
    gadget_set_state(nothing, 1);
    EXPECT_EQ(gadget_add_item(nothing, -1, TEXT("x")), 0);
    gadget_remove_item(nothing, 0);
    gadget_clear(nothing);
    EXPECT_EQ(gadget_item_count(nothing), 0);
    EXPECT_EQ(u8(gadget_item_text(nothing, 0, top)), "");
    gadget_set_color(nothing, GADGET_BACK_COLOR, 0x102030);
    EXPECT_EQ(gadget_get_color(nothing, GADGET_BACK_COLOR), 0);
    gadget_set_font(nothing, nullptr);
    gadget_set_hidden(nothing, 1);
    EXPECT_EQ(gadget_set_tip(nothing, TEXT("tip")), 0);
    gadget_free(nothing);
  }
  text_stack_cut(top);
}

TEST_F(GadgetTest, FallbacksOfKindsWithoutTheSlot) {
  const int64_t button = gadget_new_button(-1, 10, 10, 80, 24, nullptr);
  const int32_t top = text_stack_top();
  EXPECT_EQ(u8(gadget_get_text(button, top)), "");
  gadget_set_text(button, TEXT("Build Html File"));
  EXPECT_EQ(u8(gadget_get_text(button, top)), "Build Html File");
  gadget_set_text(button, nullptr);
  EXPECT_EQ(u8(gadget_get_text(button, top)), "");
  EXPECT_EQ(gadget_item_count(button), 0);
  EXPECT_EQ(gadget_add_item(button, -1, TEXT("x")), 0);
  EXPECT_EQ(u8(gadget_item_text(button, 0, top)), "");
  EXPECT_EQ(gadget_get_color(button, GADGET_BACK_COLOR), -1);
  gadget_set_hidden(button, 1);
  EXPECT_FALSE(IsWindowVisible(gadget_handle(button)));
  gadget_set_hidden(button, 0);
  EXPECT_TRUE(IsWindowVisible(gadget_handle(button)));
  // A text read into the stack above other text leaves the text below alone.
  text_push(TEXT("keep"));
  const int32_t after = text_stack_top();
  gadget_set_text(button, TEXT("tail"));
  gadget_get_text(button, after);
  EXPECT_EQ(u8(text_stack_at(top)), "keeptail");
  EXPECT_EQ(text_stack_top(), after + 8);
  text_stack_cut(top);
}

TEST_F(GadgetTest, FontForNewGadgetsOnly) {
  HFONT gui_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const int64_t before = gadget_new_button(-1, 10, 10, 80, 24, TEXT("before"));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(before), WM_GETFONT, 0, 0)), gui_font);
  HFONT other = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  gadget_set_font(-1, other);
  const int64_t after = gadget_new_button(-1, 10, 40, 80, 24, TEXT("after"));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(after), WM_GETFONT, 0, 0)), other);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(before), WM_GETFONT, 0, 0)), gui_font);
  gadget_set_font(-1, GADGET_DEFAULT_FONT);
  // One gadget's own font; the default font by its marker.
  gadget_set_font(before, other);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(before), WM_GETFONT, 0, 0)), other);
  gadget_set_font(before, GADGET_DEFAULT_FONT);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(before), WM_GETFONT, 0, 0)), gui_font);
  const int64_t last = gadget_new_button(-1, 10, 70, 80, 24, TEXT("last"));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(gadget_handle(last), WM_GETFONT, 0, 0)), gui_font);
}

TEST_F(GadgetTest, BrushesAreSharedByColourAndDeletedWithTheLastUser) {
  const int32_t colour = win_make_color(236, 210, 194);
  const int64_t a = gadget_new_list(-1, 10, 10, 100, 100);
  const int64_t b = gadget_new_list(-1, 120, 10, 100, 100);
  const int64_t c = gadget_new_list(-1, 230, 10, 100, 100);
  EXPECT_EQ(list_brush(gadget_handle(a)), nullptr);  // no colours: the platform's answer
  gadget_set_color(a, GADGET_BACK_COLOR, colour);
  gadget_set_color(b, GADGET_BACK_COLOR, colour);
  gadget_set_color(c, GADGET_BACK_COLOR, win_make_color(1, 2, 3));
  EXPECT_EQ(gadget_get_color(a, GADGET_BACK_COLOR), colour);
  EXPECT_EQ(gadget_get_color(a, GADGET_FRONT_COLOR), -1);
  EXPECT_EQ(gadget_get_color(a, 3), -1);
  HBRUSH shared = list_brush(gadget_handle(a));
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(list_brush(gadget_handle(b)), shared);
  EXPECT_NE(list_brush(gadget_handle(c)), shared);
  LOGBRUSH described = {};
  ASSERT_EQ(GetObjectW(shared, sizeof(described), &described), static_cast<int>(sizeof(described)));
  EXPECT_EQ(described.lbColor, static_cast<COLORREF>(colour));

  gadget_free(a);
  EXPECT_EQ(GetObjectType(shared), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(list_brush(gadget_handle(b)), shared);
  // Back to -1: the brush goes with its last user, the list to the platform's colours.
  gadget_set_color(b, GADGET_BACK_COLOR, -1);
  EXPECT_EQ(GetObjectType(shared), 0u);
  EXPECT_EQ(list_brush(gadget_handle(b)), nullptr);

  HBRUSH third = list_brush(gadget_handle(c));
  gadget_free(c);
  EXPECT_EQ(GetObjectType(third), 0u);
}

}  // namespace
