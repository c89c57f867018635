// The gadget kinds driven by sent mouse and focus messages: list clicks,
// double clicks and drags, list slots, field focus events, colours and text
// limit, button state and clicks, container sizing events, tooltips.
#include <algorithm>

#include "gui/gadget_fixture.h"
#include "common/test_text.h"

namespace {

using Types = std::vector<int64_t>;

class ListTest : public GadgetTest {
 protected:
  void SetUp() override {
    GadgetTest::SetUp();
    list_ = gadget_new_list(-1, 10, 10, 240, 200);
    ASSERT_NE(list_, 0);
    for (const WCHAR* line : {TEXT("alpha"), TEXT("Beta"), TEXT("gamma"), TEXT("delta")}) {
      gadget_add_item(list_, -1, line);
    }
    take_events();
  }
  HWND list() const { return gadget_handle(list_); }
  void press(int index, UINT message = WM_LBUTTONDOWN) {
    SendMessageW(list(), message, MK_LBUTTON, item_point(list(), index));
  }
  void release(int index) { SendMessageW(list(), WM_LBUTTONUP, 0, item_point(list(), index)); }
  Types types() { return gadget_types(take_events(), list_); }

  int64_t list_ = 0;
};

TEST_F(ListTest, ClickOnANewItemIsOneEventOnceMerged) {
  press(2);
  release(2);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_LEFT_CLICK}));
  EXPECT_EQ(gadget_get_state(list_), 2);
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  // A right-button release is type 1.
  SendMessageW(list(), WM_RBUTTONUP, 0, item_point(list(), 1));
  EXPECT_EQ(types(), (Types{GADGET_TYPE_RIGHT_CLICK}));
}

TEST_F(ListTest, DoubleClickIsTypeZeroThenTwo) {
  press(1);
  release(1);
  press(1, WM_LBUTTONDBLCLK);
  release(1);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_LEFT_CLICK, GADGET_TYPE_DOUBLE_CLICK}));
}

TEST_F(ListTest, DragPastTheThresholdStartsADragInsteadOfAClick) {
  gadget_set_state(list_, 0);
  take_events();
  const LPARAM start = item_point(list(), 0);
  const int x = static_cast<int16_t>(LOWORD(start));
  const int y = static_cast<int16_t>(HIWORD(start));
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, start);
  // Within the threshold nothing starts.
  SendMessageW(list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + GetSystemMetrics(SM_CXDRAG), y));
  EXPECT_NE(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  SendMessageW(list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + GetSystemMetrics(SM_CXDRAG) + 1, y));
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_DRAG_START}));
  // The release after a drag start is no click of ours. (Wine's list reports
  // its unchanged selection once more when the button goes up.)
  SendMessageW(list(), WM_LBUTTONUP, 0, MAKELPARAM(x + GetSystemMetrics(SM_CXDRAG) + 1, y));
  const Types after = types();
  EXPECT_EQ(std::count(after.begin(), after.end(), GADGET_TYPE_DRAG_START), 0);
  if (!running_under_wine()) {
    EXPECT_TRUE(after.empty());
  }
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListTest, ShiftOrCtrlPressOrAPressBesideTheItemsStartsNoDrag) {
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, item_point(list(), 1));
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  release(1);
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, item_point(list(), 1));
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  release(1);
  RECT client;
  GetClientRect(list(), &client);
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, client.bottom - 3));
  EXPECT_EQ(GetPropW(list(), TEXT("KT_MouseDown")), nullptr);
  SendMessageW(list(), WM_LBUTTONUP, 0, MAKELPARAM(10, client.bottom - 3));
  take_events();
}

TEST_F(ListTest, SetTextSelectsIgnoringCaseWithoutAnEvent) {
  const int32_t top = text_stack_top();
  gadget_set_text(list_, TEXT("BETA"));
  EXPECT_EQ(gadget_get_state(list_), 1);
  EXPECT_EQ(u8(gadget_get_text(list_, top)), "Beta");
  gadget_set_text(list_, TEXT("gam"));  // whole texts only
  EXPECT_EQ(gadget_get_state(list_), -1);
  EXPECT_EQ(u8(gadget_get_text(list_, top)), "");
  gadget_set_state(list_, 3);
  EXPECT_EQ(gadget_get_state(list_), 3);
  gadget_set_text(list_, nullptr);
  EXPECT_EQ(gadget_get_state(list_), -1);
  gadget_add_item(list_, 0, TEXT("first"));
  gadget_remove_item(list_, 0);
  EXPECT_TRUE(types().empty());
  // A user's selection change does raise one.
  press(3);
  release(3);
  EXPECT_EQ(types(), (Types{GADGET_TYPE_LEFT_CLICK}));
  text_stack_cut(top);
}

TEST_F(ListTest, ItemSlots) {
  const int32_t top = text_stack_top();
  EXPECT_EQ(gadget_item_count(list_), 4);
  EXPECT_EQ(u8(gadget_item_text(list_, 1, top)), "Beta");
  EXPECT_EQ(u8(gadget_item_text(list_, 1, 5, top)), "Beta");  // the column is ignored
  EXPECT_EQ(u8(gadget_item_text(list_, 4, top)), "");
  EXPECT_EQ(u8(gadget_item_text(list_, -1, top)), "");
  EXPECT_EQ(text_stack_top(), top);
  EXPECT_EQ(gadget_add_item(list_, 1, TEXT("between")), 0);
  EXPECT_EQ(u8(gadget_item_text(list_, 1, top)), "between");
  gadget_remove_item(list_, 1);
  gadget_remove_item(list_, 99);
  EXPECT_EQ(gadget_item_count(list_), 4);

  gadget_set_item_data(list_, 2, 4242);
  EXPECT_EQ(gadget_get_item_data(list_, 2), 4242);
  gadget_set_item_text(list_, 2, TEXT("GAMMA"));
  EXPECT_EQ(u8(gadget_item_text(list_, 2, top)), "GAMMA");
  EXPECT_EQ(gadget_get_item_data(list_, 2), 4242);
  gadget_set_item_text(list_, 17, TEXT("nowhere"));
  EXPECT_EQ(gadget_item_count(list_), 4);

  // A long line comes back whole.
  std::u16string wide(3000, u'w');
  gadget_add_item(list_, -1, reinterpret_cast<const WCHAR*>(wide.c_str()));
  EXPECT_EQ(text_length(gadget_item_text(list_, 4, top)), 3000);
  gadget_clear(list_);
  EXPECT_EQ(gadget_item_count(list_), 0);
  text_stack_cut(top);
}

TEST_F(GadgetTest, SortedListKeepsInsertedOrderButSortsAddedStrings) {
  const int64_t sorted = gadget_new_list(-1, 10, 10, 200, 100, 0x142);
  const int32_t top = text_stack_top();
  gadget_add_item(sorted, -1, TEXT("zulu"));
  gadget_add_item(sorted, -1, TEXT("alpha"));
  EXPECT_EQ(u8(gadget_item_text(sorted, 0, top)), "zulu");
  SendMessageW(gadget_handle(sorted), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("Mike")));
  EXPECT_EQ(u8(gadget_item_text(sorted, 0, top)), "Mike");
  text_stack_cut(top);
}

TEST_F(GadgetTest, MultipleSelectionListState) {
  const int64_t multi = gadget_new_list(-1, 10, 10, 200, 100, LBS_MULTIPLESEL);
  for (const WCHAR* line : {TEXT("a"), TEXT("b"), TEXT("c")}) gadget_add_item(multi, -1, line);
  EXPECT_EQ(gadget_get_state(multi), -1);
  gadget_set_item_state(multi, 0, 5);
  gadget_set_item_state(multi, 2, 1);
  EXPECT_EQ(gadget_get_item_state(multi, 0), 1);
  gadget_set_item_state(multi, 1, 1);
  gadget_set_item_state(multi, 1, 0);
  EXPECT_EQ(gadget_get_item_state(multi, 1), 0);
  EXPECT_EQ(gadget_get_state(multi), 0);
  gadget_set_state(multi, 1);  // clears the others
  EXPECT_EQ(gadget_get_item_state(multi, 0), 0);
  EXPECT_EQ(gadget_get_item_state(multi, 1), 1);
  EXPECT_EQ(gadget_get_item_state(multi, 2), 0);
  gadget_set_text(multi, TEXT("C"));
  EXPECT_EQ(gadget_get_item_state(multi, 2), 1);
  gadget_set_state(multi, -1);
  EXPECT_EQ(gadget_get_state(multi), -1);
  const int64_t empty = gadget_new_list(-1, 10, 120, 200, 100, LBS_EXTENDEDSEL);
  gadget_set_state(empty, -1);
  EXPECT_EQ(gadget_get_state(empty), -1);
}

TEST_F(GadgetTest, ListColourAnswers) {
  const int64_t list = gadget_new_list(-1, 10, 10, 200, 100);
  HWND handle = gadget_handle(list);
  HDC dc = GetDC(handle);
  auto ask = [&] {
    return gadget_forward_parent_message(handle, window(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(handle));
  };
  EXPECT_EQ(ask(), GADGET_NOT_HANDLED);
  gadget_set_color(list, GADGET_FRONT_COLOR, 0x0000FF);
  EXPECT_EQ(ask(), reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
  gadget_set_color(list, GADGET_BACK_COLOR, 0x203040);
  const LRESULT brush = ask();
  EXPECT_NE(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  EXPECT_EQ(GetBkColor(dc), 0x203040u);
  // Other parent messages are left to the window procedure; commands are the list's own.
  EXPECT_EQ(gadget_forward_parent_message(handle, window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(handle)),
            GADGET_NOT_HANDLED);
  EXPECT_EQ(gadget_forward_parent_message(handle, window(), WM_COMMAND, MAKEWPARAM(0, LBN_SETFOCUS),
                                          reinterpret_cast<LPARAM>(handle)),
            0);
  ReleaseDC(handle, dc);
}

TEST_F(GadgetTest, FieldFocusEventsColoursAndTextLimit) {
  const int64_t field = gadget_new_field(-1, 10, 10, 200, 24, TEXT("Webrolo.txt"));
  const int64_t other = gadget_new_field(-1, 10, 40, 200, 24, nullptr, ES_READONLY);
  const int32_t top = text_stack_top();
  EXPECT_EQ(u8(gadget_get_text(field, top)), "Webrolo.txt");
  EXPECT_EQ(u8(gadget_get_text(other, top)), "");
  EXPECT_TRUE(GetWindowLongW(gadget_handle(field), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  const int64_t bare = gadget_new_field(-1, 10, 70, 200, 24, TEXT(""), 0x20000);
  EXPECT_FALSE(GetWindowLongW(gadget_handle(bare), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  take_events();

  SetFocus(gadget_handle(field));
  SetFocus(gadget_handle(other));
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_EQ(gadget_types(seen, field), (Types{GADGET_TYPE_FOCUS, EN_SETFOCUS, GADGET_TYPE_LOST_FOCUS, EN_KILLFOCUS}));
  const Types other_types = gadget_types(seen, other);
  ASSERT_FALSE(other_types.empty());
  EXPECT_EQ(other_types.front(), GADGET_TYPE_FOCUS);

  // The program's own text change raises nothing; the user's typing does.
  gadget_set_text(field, TEXT("changed"));
  EXPECT_TRUE(gadget_types(take_events(), field).empty());
  EXPECT_EQ(u8(gadget_get_text(field, top)), "changed");

  HWND handle = gadget_handle(other);
  HDC dc = GetDC(handle);
  auto ask = [&](UINT message) {
    return gadget_forward_parent_message(handle, window(), message, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(handle));
  };
  EXPECT_EQ(ask(WM_CTLCOLORSTATIC), GADGET_NOT_HANDLED);
  gadget_set_color(other, GADGET_FRONT_COLOR, 0x00FF00);
  EXPECT_EQ(ask(WM_CTLCOLORSTATIC), reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE)));
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(ask(WM_CTLCOLOREDIT), reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  gadget_set_color(other, GADGET_BACK_COLOR, win_make_color(224, 172, 144));
  EXPECT_NE(ask(WM_CTLCOLORSTATIC), reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE)));
  EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(win_make_color(224, 172, 144)));
  EXPECT_EQ(GetTextColor(dc), 0x00FF00u);
  EnableWindow(handle, FALSE);
  EXPECT_EQ(ask(WM_CTLCOLORSTATIC), GADGET_NOT_HANDLED);
  EXPECT_EQ(ask(WM_COMMAND), GADGET_NOT_HANDLED);
  ReleaseDC(handle, dc);

  gadget_set_attribute(field, GADGET_ATTRIBUTE_TEXT_LIMIT, 5);
  EXPECT_EQ(gadget_get_attribute(field, GADGET_ATTRIBUTE_TEXT_LIMIT), 5);
  gadget_set_attribute(field, GADGET_ATTRIBUTE_TEXT_LIMIT, -3);
  EXPECT_EQ(gadget_get_attribute(field, GADGET_ATTRIBUTE_TEXT_LIMIT), 1);
  gadget_set_attribute(field, 2, 40);
  EXPECT_EQ(gadget_get_attribute(field, 2), 0);
  EXPECT_EQ(gadget_get_attribute(field, GADGET_ATTRIBUTE_TEXT_LIMIT), 1);
  text_stack_cut(top);
}

TEST_F(GadgetTest, ButtonStateAndClick) {
  // A push button keeps no check state.
  const int64_t plain = gadget_new_button(-1, 10, 70, 100, 24, TEXT("plain"));
  gadget_set_state(plain, 1);
  EXPECT_EQ(gadget_get_state(plain), 0);
#ifdef _WIN32
  // The stand-in offers push buttons only; a real check box keeps its state.
  const int64_t check = gadget_new_button(-1, 10, 10, 100, 24, TEXT("check"), BS_AUTOCHECKBOX);
  EXPECT_EQ(gadget_get_state(check), 0);
  gadget_set_state(check, 7);
  EXPECT_EQ(gadget_get_state(check), 1);
  gadget_set_state(check, 0);
  EXPECT_EQ(gadget_get_state(check), 0);
#endif
  take_events();
  const int64_t push = gadget_new_button(-1, 10, 40, 100, 24, TEXT("Open Webrolo Txt"));
  SendMessageW(gadget_handle(push), BM_CLICK, 0, 0);
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_EQ(gadget_types(seen, push), (Types{BN_CLICKED}));
  // Colours mean nothing to a button.
  gadget_set_color(push, GADGET_BACK_COLOR, 0x102030);
  EXPECT_EQ(gadget_get_color(push, GADGET_BACK_COLOR), -1);
}

TEST_F(GadgetTest, ContainerSizingRaisesAForcedEvent) {
  const int64_t panel = gadget_new_container(-1, 10, 10, 200, 100, 0x8);
  EXPECT_TRUE(GetWindowLongW(gadget_handle(panel), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  gadget_pop_list();
  take_events();
  event_suppress_begin();
  MoveWindow(gadget_handle(panel), 10, 10, 220, 120, TRUE);
  event_suppress_end();
  EXPECT_EQ(gadget_types(take_events(), panel), (Types{GADGET_TYPE_LEFT_CLICK}));
  // Back colour only; the front colour is ignored.
  gadget_set_color(panel, GADGET_FRONT_COLOR, 0x123456);
  EXPECT_EQ(gadget_get_color(panel, GADGET_FRONT_COLOR), -1);
  gadget_set_color(panel, GADGET_BACK_COLOR, 0x223344);
  EXPECT_EQ(gadget_get_color(panel, GADGET_BACK_COLOR), 0x223344);
  HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrW(gadget_handle(panel), 0));
  ASSERT_NE(brush, nullptr);
  gadget_set_color(panel, GADGET_BACK_COLOR, -1);
  EXPECT_EQ(GetWindowLongPtrW(gadget_handle(panel), 0), 0);
  EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST_F(GadgetTest, ListNotificationsFromInsideAContainerReachTheList) {
  const int64_t panel = gadget_new_container(-1, 10, 10, 300, 250);
  const int64_t list = gadget_new_list(-1, 5, 5, 200, 200);
  gadget_pop_list();
  gadget_add_item(list, -1, TEXT("one"));
  gadget_add_item(list, -1, TEXT("two"));
  take_events();
  HWND handle = gadget_handle(list);
  SendMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, item_point(handle, 1));
  SendMessageW(handle, WM_LBUTTONUP, 0, item_point(handle, 1));
  SendMessageW(handle, WM_LBUTTONDBLCLK, MK_LBUTTON, item_point(handle, 1));
  SendMessageW(handle, WM_LBUTTONUP, 0, item_point(handle, 1));
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_EQ(gadget_types(seen, list), (Types{GADGET_TYPE_LEFT_CLICK, GADGET_TYPE_DOUBLE_CLICK}));
  for (const SeenEvent& event : seen) {
    if (event.gadget == list) {
      EXPECT_EQ(event.window, window_);
    }
  }
  EXPECT_TRUE(gadget_types(seen, panel).empty());
}

TEST_F(GadgetTest, SecondTipReplacesTheFirst) {
  const int64_t button = gadget_new_button(-1, 10, 10, 100, 24, TEXT("Help"));
  const int64_t field = gadget_new_field(-1, 10, 40, 100, 24, TEXT("x"));
  EXPECT_NE(gadget_set_tip(button, TEXT("first tip")), 0);
  EXPECT_NE(gadget_set_tip(button, TEXT("Open  Webrolo_Help.html   'Help/About'   in Browser.")), 0);
  EXPECT_NE(gadget_set_tip(field, nullptr), 0);
  HWND tooltip = FindWindowW(TEXT("tooltips_class32"), nullptr);
  ASSERT_NE(tooltip, nullptr);
  EXPECT_TRUE(GetWindowLongW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
  WCHAR text[128] = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = 64;
  tool.hwnd = window();
  tool.uId = reinterpret_cast<UINT_PTR>(gadget_handle(button));
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(u8(text), "Open  Webrolo_Help.html   'Help/About'   in Browser.");
  // The same window serves every tip.
  gadget_set_tip(field, TEXT("Enter search Arg"));
  EXPECT_EQ(FindWindowW(TEXT("tooltips_class32"), nullptr), tooltip);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
}

}  // namespace
