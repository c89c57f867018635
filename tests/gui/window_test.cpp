// Windows: numbers and classes, styles and sizes, centring, the events of the
// window procedure, background colours and Tab/Shift+Tab between tab stops.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_text.h"
#include "gadget_fixture.h"
#include "gui/event.h"
#include "gui/window.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test_start();
    take_events();
  }
  void TearDown() override {
    for (int64_t n = 0; n < 10; n++) win_free(n);
    for (int64_t n : dynamic_) win_free(n);
    take_events();
  }
  HWND open(int64_t number, uint32_t flags = WIN_DEFAULT_FLAGS, int width = 320, int height = 200) {
    const int64_t result = win_open(number, 60, 50, width, height, TEXT("test"), flags);
    if (number == -1) {
      dynamic_.push_back(result);
      return win_handle(result);
    }
    return reinterpret_cast<HWND>(result);
  }
  std::vector<int64_t> dynamic_;
};

std::vector<SeenEvent> only(const std::vector<SeenEvent>& seen, std::vector<int64_t> codes) {
  std::vector<SeenEvent> kept;
  for (const SeenEvent& event : seen) {
    for (int64_t code : codes) {
      if (event.code == code) kept.push_back(event);
    }
  }
  return kept;
}

std::vector<int64_t> codes_of(const std::vector<SeenEvent>& seen) {
  std::vector<int64_t> codes;
  for (const SeenEvent& event : seen) codes.push_back(event.code);
  return codes;
}

bool has(const std::vector<SeenEvent>& seen, int64_t code, int64_t gadget, int64_t window, int64_t type = 0) {
  for (const SeenEvent& event : seen) {
    if (event.code == code && event.gadget == gadget && event.window == window && event.type == type) return true;
  }
  return false;
}

std::string class_of(HWND window) {
  WCHAR name[64] = {};
  GetClassNameW(window, name, 64);
  return u8(name);
}

bool class_registered(const WCHAR* name) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(GetModuleHandleW(nullptr), name, &info) != 0;
}

TEST_F(WindowTest, CloseRequestQueuesTheEventAndTheWindowStays) {
  HWND window = open(0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(has(take_events(), EVENT_CLOSE_WINDOW, 0, 0));

  // Through the pump: the message's number first, then the event.
  ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
  int64_t code = 0;
  for (int i = 0; i < 50 && code != WM_CLOSE; i++) code = event_wait_timeout(0);
  EXPECT_EQ(code, WM_CLOSE);
  EXPECT_EQ(event_wait_timeout(0), EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event_source(), 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(win_handle(0), window);
}

TEST_F(WindowTest, NumbersClassesAndPropertiesAndReusingANumber) {
  HWND first = open(5);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(class_of(first), "WindowClass_5");
  EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropW(first, TEXT("KT_WindowID"))), 6);
  EXPECT_EQ(win_number(first), 5);
  event_post(EVENT_CLOSE_WINDOW, 5, 5, 0);
  event_post(EVENT_MENU, 1, 4, 0);

  HWND second = open(5);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first)) << "the first window 5 is freed before the second is made";
  EXPECT_EQ(win_handle(5), second);
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_FALSE(has(seen, EVENT_CLOSE_WINDOW, 5, 5)) << "the freed window's events go with it";
  EXPECT_TRUE(has(seen, EVENT_MENU, 1, 4));

  HWND dynamic = open(-1);
  ASSERT_NE(dynamic, nullptr);
  const int64_t number = dynamic_.back();
  EXPECT_NE(number, -1);
  EXPECT_EQ(win_number(dynamic), number);
  WCHAR name[64];
  text_format(name, TEXT("WindowClass_%I64d"), number);
  EXPECT_EQ(class_of(dynamic), u8(name));
  win_free(number);
  EXPECT_FALSE(IsWindow(dynamic));
  EXPECT_EQ(win_handle(number), nullptr);
  EXPECT_FALSE(class_registered(name));

  // A failed creation takes no number and leaves no class.
  EXPECT_EQ(win_open_child(7, 0, 0, 50, 50, TEXT("x"), WIN_DEFAULT_FLAGS, first), 0);
  EXPECT_EQ(win_handle(7), nullptr);
  EXPECT_FALSE(class_registered(TEXT("WindowClass_7")));
  EXPECT_EQ(win_open(-5, 0, 0, 50, 50, TEXT("x")), 0);

  // Numbers that name nothing.
  EXPECT_EQ(win_handle(9), nullptr);
  EXPECT_EQ(win_handle(-1), nullptr);
  win_set_background(9, 0);
  win_free(9);
  EXPECT_EQ(win_number(nullptr), -1);
  EXPECT_EQ(win_number(GetDesktopWindow()), -1);
}

TEST_F(WindowTest, FlagsGiveStylesAndTheClientAreaHasTheAskedSize) {
  HWND main = open(1, 0xCA0000, 300, 200);
  ASSERT_NE(main, nullptr);
  RECT client;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right - client.left, 300);
  EXPECT_EQ(client.bottom - client.top, 200);
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_EQ(style & 0xCA0000, 0xCA0000);
  EXPECT_TRUE(IsWindowVisible(main));
  WCHAR title[16] = {};
  GetWindowTextW(main, title, 16);
  EXPECT_EQ(u8(title), "test");

  HWND bare = open(2, 0);
  EXPECT_EQ(GetWindowLongW(bare, GWL_STYLE) & WS_CAPTION, WS_CAPTION) << "no style bits: a title bar";

  HWND hidden = open(3, WIN_HIDDEN | WIN_CENTER_ON_SCREEN);
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(IsWindowVisible(hidden)) << "created hidden";
  EXPECT_EQ(GetWindowLongW(hidden, GWL_STYLE) & WS_CAPTION, WS_CAPTION);

  HWND tool = open(4, WIN_TOOL_WINDOW | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 150, 90);
  ASSERT_NE(tool, nullptr);
  EXPECT_TRUE(GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetWindowLongW(tool, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetWindowLongW(tool, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
  GetClientRect(tool, &client);
  EXPECT_EQ(client.right, 150);
  EXPECT_EQ(client.bottom, 90);
  MINMAXINFO limits{};
  EXPECT_EQ(SendMessageW(tool, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits)), 0);
  EXPECT_EQ(limits.ptMinTrackSize.x, 1) << "a tool window without a minimum width";

  // The platform's default position, and a null title.
  const int64_t placed = win_open(6, WIN_DEFAULT_POSITION, 10, 120, 80, nullptr);
  ASSERT_NE(placed, 0);
  GetClientRect(win_handle(6), &client);
  EXPECT_EQ(client.right, 120);
  EXPECT_EQ(GetWindowTextLengthW(win_handle(6)), 0);

  WindowObject* object = win_object(1);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->accelerator_count, 2);
  ACCEL entries[4] = {};
  ASSERT_EQ(CopyAcceleratorTableW(object->accelerator_table, entries, 4), 2);
  EXPECT_EQ(entries[0].key, VK_TAB);
  EXPECT_EQ(entries[0].cmd, WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(entries[1].fVirt & FSHIFT, FSHIFT);
  EXPECT_EQ(entries[1].cmd, WIN_COMMAND_PREVIOUS_CONTROL);
  object->min_width = 400;
  object->max_height = 500;
  limits = MINMAXINFO{};
  SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 400);
  EXPECT_EQ(limits.ptMaxTrackSize.y, 500);
}

TEST_F(WindowTest, CentringOnTheScreenAndOnTheParent) {
  HWND centred = open(1, WIN_CENTER_ON_SCREEN | WIN_DEFAULT_FLAGS, 300, 200);
  RECT box;
  GetWindowRect(centred, &box);
  const int width = box.right - box.left, height = box.bottom - box.top;
  EXPECT_EQ(box.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(box.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

  HWND parent = open(2, WIN_DEFAULT_FLAGS, 400, 300);
  SetWindowPos(parent, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT around;
  GetWindowRect(parent, &around);
  const auto child = reinterpret_cast<HWND>(
      win_open_child(3, 0, 0, 100, 80, TEXT("owned"), WIN_CENTER_ON_PARENT | WIN_DEFAULT_FLAGS, parent));
  ASSERT_NE(child, nullptr);
  GetWindowRect(child, &box);
  EXPECT_EQ(box.left, around.left + (around.right - around.left - (box.right - box.left)) / 2);
  EXPECT_EQ(box.top, around.top + (around.bottom - around.top - (box.bottom - box.top)) / 2);
  EXPECT_EQ(win_number(child), 3) << "an owned window is not part of its owner";

  // Larger than its parent near the corner: clamped to 0.
  SetWindowPos(parent, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const auto wide = reinterpret_cast<HWND>(
      win_open_child(4, 0, 0, 900, 700, TEXT("wide"), WIN_CENTER_ON_PARENT | WIN_DEFAULT_FLAGS, parent));
  GetWindowRect(wide, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
}

TEST_F(WindowTest, SizeMessagesGiveMinimiseMaximiseRestoreAndSizeEvents) {
  HWND window = open(1, WS_OVERLAPPEDWINDOW);
  const std::vector<int64_t> size_codes = {EVENT_MINIMIZE_WINDOW, EVENT_MAXIMIZE_WINDOW, EVENT_RESTORE_WINDOW,
                                           EVENT_SIZE_WINDOW};
  auto sized = [&](WPARAM kind) {
    EXPECT_EQ(SendMessageW(window, WM_SIZE, kind, MAKELPARAM(320, 200)), 0);
    return codes_of(only(take_events(), size_codes));
  };
  EXPECT_EQ(sized(SIZE_RESTORED), (std::vector<int64_t>{EVENT_SIZE_WINDOW}));
  EXPECT_EQ(sized(SIZE_MINIMIZED), (std::vector<int64_t>{EVENT_MINIMIZE_WINDOW}));
  EXPECT_EQ(sized(SIZE_RESTORED), (std::vector<int64_t>{EVENT_RESTORE_WINDOW, EVENT_SIZE_WINDOW}));
  EXPECT_EQ(sized(SIZE_MAXIMIZED), (std::vector<int64_t>{EVENT_MAXIMIZE_WINDOW, EVENT_SIZE_WINDOW}));
  EXPECT_EQ(sized(SIZE_RESTORED), (std::vector<int64_t>{EVENT_RESTORE_WINDOW, EVENT_SIZE_WINDOW}));
  EXPECT_EQ(sized(SIZE_MAXSHOW), (std::vector<int64_t>{EVENT_SIZE_WINDOW}));
  EXPECT_EQ(win_object(1)->min_max_state, 0);

  // A real resize and move.
  SetWindowPos(window, nullptr, 30, 40, 500, 400, SWP_NOZORDER);
  const std::vector<SeenEvent> seen = take_events();
  EXPECT_TRUE(has(seen, EVENT_SIZE_WINDOW, 0, 1));
  EXPECT_TRUE(has(seen, EVENT_MOVE_WINDOW, 1, 1));

  // A child served by the same procedure (as containers are) answers 1 and raises nothing.
  HWND inner = CreateWindowExW(0, TEXT("WindowClass_1"), TEXT(""), WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(inner, nullptr);
  take_events();
  EXPECT_EQ(win_number(inner), 1);
  EXPECT_EQ(SendMessageW(inner, WM_SIZE, SIZE_RESTORED, 0), 1);
  EXPECT_EQ(SendMessageW(inner, WM_MOVE, 0, 0), 0);
  EXPECT_EQ(SendMessageW(inner, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(only(take_events(), {EVENT_SIZE_WINDOW, EVENT_MOVE_WINDOW, EVENT_CLOSE_WINDOW}).empty());
  EXPECT_TRUE(IsWindow(inner));
}

LRESULT erase_with_five(HWND, HDC) { return 5; }

TEST_F(WindowTest, BackgroundColourFillsTheEraseAndComesBack) {
  EXPECT_EQ(win_make_color(200, 10, 30), static_cast<int32_t>(RGB(200, 10, 30)));
  HWND window = open(2);
  WindowObject* object = win_object(2);
  EXPECT_EQ(object->background_color, -1);
  EXPECT_EQ(object->background_brush, nullptr);

  HDC screen = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
  HGDIOBJ old = SelectObject(memory, bitmap);

  win_set_background(2, win_make_color(200, 10, 30));
  HBRUSH brush = object->background_brush;
  ASSERT_NE(brush, nullptr);
  take_events();
  EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 1);
  EXPECT_EQ(GetPixel(memory, 5, 5), RGB(200, 10, 30));
  EXPECT_TRUE(has(take_events(), EVENT_REPAINT, 0, 2));
  win_set_background(2, win_make_color(200, 10, 30));
  EXPECT_EQ(object->background_brush, brush) << "the same colour changes nothing";

  win_set_background(2, -1);
  EXPECT_EQ(object->background_brush, nullptr);
  EXPECT_EQ(object->background_color, -1);
  EXPECT_NE(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 0);
  EXPECT_EQ(GetPixel(memory, 5, 5), GetSysColor(COLOR_BTNFACE)) << "the class's own background";

  object->erase_callback = erase_with_five;
  EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 5);
  object->erase_callback = nullptr;

  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  DeleteDC(screen);
}

HWND button(HWND parent, const WCHAR* text, DWORD style, int y, int id) {
  return CreateWindowExW(0, TEXT("Button"), text, WS_CHILD | BS_PUSHBUTTON | style, 10, y, 80, 20, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

TEST_F(WindowTest, TabAndShiftTabWrapOverTheTabStops) {
  HWND window = open(4, WIN_DEFAULT_FLAGS, 300, 300);
  HWND first = button(window, TEXT("one"), WS_VISIBLE | WS_TABSTOP, 10, 101);
  HWND plain = button(window, TEXT("plain"), WS_VISIBLE, 40, 102);
  HWND second = button(window, TEXT("two"), WS_VISIBLE | WS_TABSTOP, 70, 103);
  HWND disabled = button(window, TEXT("off"), WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 100, 104);
  HWND hidden = button(window, TEXT("hidden"), WS_TABSTOP, 130, 105);
  HWND last = button(window, TEXT("three"), WS_VISIBLE | WS_TABSTOP, 160, 106);
  ASSERT_TRUE(first && plain && second && disabled && hidden && last);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  ASSERT_EQ(GetActiveWindow(), window);
  take_events();

  auto command = [&](WORD which) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(which, 1), 0); };
  SetFocus(window);
  command(WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(GetFocus(), first) << "no current control: the first tab stop";
  command(WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(GetFocus(), second);
  command(WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(GetFocus(), last) << "disabled and hidden tab stops are skipped";
  command(WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(GetFocus(), first) << "after the last, the first";
  command(WIN_COMMAND_PREVIOUS_CONTROL);
  EXPECT_EQ(GetFocus(), last) << "before the first, the last";
  command(WIN_COMMAND_PREVIOUS_CONTROL);
  EXPECT_EQ(GetFocus(), second);
  SetFocus(plain);
  command(WIN_COMMAND_NEXT_CONTROL);
  EXPECT_EQ(GetFocus(), second) << "from a control that is no tab stop, the next one after it";
  SetFocus(plain);
  command(WIN_COMMAND_PREVIOUS_CONTROL);
  EXPECT_EQ(GetFocus(), first);
  EXPECT_FALSE(has(take_events(), EVENT_MENU, WIN_COMMAND_NEXT_CONTROL, 4)) << "focus commands raise no event";

  // The real key, through the pump's accelerator lookup.
  SetFocus(last);
  ASSERT_TRUE(PostMessageW(last, WM_KEYDOWN, VK_TAB, 0x000F0001));
  ASSERT_TRUE(PostMessageW(last, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001u)));
  take_events();
  EXPECT_EQ(GetFocus(), first);
}

// Shortcuts a program adds: for anywhere, or for outside text fields, where the field keeps its key.
TEST_F(WindowTest, AddedShortcutsAndTheKeysATextFieldKeeps) {
  HWND window = open(7, WIN_DEFAULT_FLAGS, 300, 200);
  HWND edit = CreateWindowExW(0, TEXT("Edit"), TEXT("ab"), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 100, 20, window,
                              reinterpret_cast<HMENU>(201), GetModuleHandleW(nullptr), nullptr);
  HWND push = button(window, TEXT("b"), WS_VISIBLE | WS_TABSTOP, 40, 202);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  ACCEL anywhere[] = {{FVIRTKEY, VK_F5, 501}};
  ACCEL outside[] = {{FVIRTKEY, VK_DELETE, 502}, {FVIRTKEY | FCONTROL, 'Z', 503}};
  ASSERT_TRUE(win_add_accelerators(7, outside, 2, WinKeyScope::OutsideTextFields));
  ASSERT_TRUE(win_add_accelerators(7, anywhere, 1, WinKeyScope::Anywhere));
  EXPECT_FALSE(win_add_accelerators(8, anywhere, 1, WinKeyScope::Anywhere)) << "no such window";
  ACCEL entries[8] = {};
  ASSERT_EQ(CopyAcceleratorTableW(win_object(7)->accelerator_table, entries, 8), 5);
  EXPECT_EQ(entries[2].cmd, 501) << "the entries for text fields too come before the others";
  EXPECT_EQ(CopyAcceleratorTableW(win_object(7)->text_field_accelerator_table, nullptr, 0), 3);
  SendMessageW(edit, EM_SETSEL, 0, 0);
  struct Case {
    HWND focus;
    UINT key;
    WORD item;  // 0: no event, the control has the key
  };
  for (const Case& c :
       {Case{edit, VK_F5, 501}, Case{edit, VK_DELETE, 0}, Case{push, VK_DELETE, 502}, Case{push, VK_F5, 501}}) {
    SetFocus(c.focus);
    take_events();
    PostMessageW(c.focus, WM_KEYDOWN, c.key, 1);
    PostMessageW(c.focus, WM_KEYUP, c.key, static_cast<LPARAM>(0xC0000001u));
    const std::vector<SeenEvent> seen = only(take_events(), {EVENT_MENU});
    EXPECT_EQ(seen.size(), c.item ? 1u : 0u)
        << "key " << c.key << (c.focus == edit ? " in the field" : " on the button");
    EXPECT_TRUE(c.item == 0 || has(seen, EVENT_MENU, c.item, 7));
  }
  WCHAR text[8] = {};
  GetWindowTextW(edit, text, 8);
  EXPECT_EQ(u8(text), "b") << "Delete deleted a character";
}

LRESULT answer_77(HWND, UINT message, WPARAM, LPARAM) { return message == WM_USER + 1 ? 77 : WIN_CALLBACK_PASS; }
LRESULT answer_88(HWND, UINT message, WPARAM, LPARAM) { return message == WM_USER + 1 ? 88 : WIN_CALLBACK_PASS; }

TEST_F(WindowTest, ProcedureTurnsMessagesIntoEvents) {
  HWND window = open(6);
  HWND control = button(window, TEXT("b"), WS_VISIBLE | WS_TABSTOP, 10, 42);
  take_events();

  SendMessageW(window, WM_COMMAND, MAKEWPARAM(42, 5), reinterpret_cast<LPARAM>(control));
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(300, 0), 0);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(301, 1), 0);
  SetWindowLongPtrW(control, GWLP_ID, -10000);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(LOWORD(-10000), 0), reinterpret_cast<LPARAM>(control));
  std::vector<SeenEvent> seen = take_events();
  EXPECT_TRUE(has(seen, EVENT_GADGET, 42, 6, 5)) << "a control's command that no gadget took";
  EXPECT_TRUE(has(seen, EVENT_MENU, 300, 6));
  EXPECT_TRUE(has(seen, EVENT_MENU, 301, 6)) << "an accelerator other than Tab";
  EXPECT_TRUE(has(seen, EVENT_MENU, LOWORD(-10000), 6));

  EXPECT_EQ(SendMessageW(window, WM_LBUTTONUP, 0, 0), 0);
  SendMessageW(window, WM_RBUTTONUP, 0, 0);
  SendMessageW(window, WM_LBUTTONDBLCLK, 0, 0);
  SendMessageW(window, WM_TIMER, 9, 0);
  SendMessageW(window, 12501, 8, WM_RBUTTONDOWN);
  SendMessageW(window, 12501, 8, WM_RBUTTONDBLCLK);
  SendMessageW(window, 12501, 8, WM_MOUSEMOVE);
  SendMessageW(window, WM_MOVE, 0, 0);
  seen = take_events();
  EXPECT_TRUE(has(seen, EVENT_LEFT_CLICK, 0, 6));
  EXPECT_TRUE(has(seen, EVENT_RIGHT_CLICK, 0, 6));
  EXPECT_TRUE(has(seen, EVENT_LEFT_DOUBLE_CLICK, 0, 6));
  EXPECT_TRUE(has(seen, EVENT_TIMER, 9, 6));
  EXPECT_TRUE(has(seen, EVENT_TRAY, 8, 6, 1));
  EXPECT_TRUE(has(seen, EVENT_TRAY, 8, 6, 3));
  EXPECT_EQ(only(seen, {EVENT_TRAY}).size(), 2u);
  EXPECT_TRUE(has(seen, EVENT_MOVE_WINDOW, 6, 6));

  // A real timer of the window.
  ASSERT_NE(SetTimer(window, 11, 10, nullptr), 0u);
  bool fired = false;
  for (int i = 0; i < 100 && !fired; i++) {
    if (event_wait_timeout(50) == EVENT_TIMER && event_source() == 11) fired = true;
  }
  KillTimer(window, 11);
  EXPECT_TRUE(fired);

  // Activation gives the focus back to the control that had it.
  SetWindowLongPtrW(control, GWLP_ID, 42);
  SetFocus(control);
  SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(GetPropW(window, TEXT("KT_Focus")), control);
  SetFocus(window);
  EXPECT_EQ(SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0), 1);
  EXPECT_EQ(GetFocus(), control);
  seen = take_events();
  EXPECT_TRUE(has(seen, EVENT_DEACTIVATE_WINDOW, 0, 6));
  EXPECT_TRUE(has(seen, EVENT_ACTIVATE_WINDOW, 0, 6));

  // Callbacks see messages first; "pass" lets the library go on.
  win_message_params()->callback = answer_88;
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 88);
  win_object(6)->callback = answer_77;
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 77) << "the window's own callback comes first";
  win_message_params()->callback = nullptr;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(has(take_events(), EVENT_CLOSE_WINDOW, 6, 6));
  win_object(6)->callback = nullptr;
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 0) << "the default procedure's answer";

  // Freeing the window removes its queued events.
  event_post(EVENT_GADGET, 42, 6, 0);
  event_post(EVENT_GADGET, 42, 5, 0);
  win_free(6);
  EXPECT_FALSE(IsWindow(control));
  seen = take_events();
  EXPECT_FALSE(has(seen, EVENT_GADGET, 42, 6));
  EXPECT_TRUE(has(seen, EVENT_GADGET, 42, 5));
}

}  // namespace
