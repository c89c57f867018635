// Input under the headless display (Linux only): clicks, double clicks,
// routing past hidden and disabled children, capture, keys and characters,
// shortcuts, the wheel, timers on the virtual clock, and a stalled loop.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>

#include "common/test_text.h"
#include "message_log.h"
#include "platform/win32/display/headless_backend.h"
#include "platform/win32/display/headless_driver.h"

namespace {

HWND make(const WCHAR* cls, DWORD style, HWND parent, int x, int y, int cx, int cy, const WCHAR* title = TEXT("")) {
  return CreateWindowExW(0, cls, title, style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
}

struct Scene {
  HWND top, dbl, plain;
  Scene() {
    register_logging_class(TEXT("HeadlessDbl"), CS_DBLCLKS);
    register_logging_class(TEXT("HeadlessPlain"), 0);
    top = make(TEXT("HeadlessPlain"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 400, 300, TEXT("Scene"));
    dbl = make(TEXT("HeadlessDbl"), WS_CHILD | WS_VISIBLE, top, 10, 10, 100, 50);
    plain = make(TEXT("HeadlessPlain"), WS_CHILD | WS_VISIBLE, top, 10, 100, 100, 50);
    headless::pump();
    message_log().clear();
  }
  ~Scene() { DestroyWindow(top); }
};

std::vector<UINT> clicks_of(HWND h) {
  return messages_of(h, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP});
}

TEST(HeadlessInput, DoubleClicksForDblClkClassesOnly) {
  Scene s;
  POINT p = headless::on_screen(s.dbl, 20, 15);
  headless::click(p.x, p.y);
  headless::advance(100);
  headless::click(p.x + 1, p.y);
  headless::advance(100);
  headless::click(p.x + 1, p.y);  // a third click starts over
  headless::pump();
  std::vector<UINT> want{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(clicks_of(s.dbl), want);
  const LoggedMessage* down = find_logged(s.dbl, WM_LBUTTONDOWN);
  EXPECT_EQ(LOWORD(down->lParam), 20);
  EXPECT_EQ(HIWORD(down->lParam), 15);
  EXPECT_TRUE(down->wParam & MK_LBUTTON);

  // Too slow, or too far: two single clicks.
  message_log().clear();
  headless::advance(1000);
  headless::click(p.x, p.y);
  headless::advance(600);
  headless::click(p.x, p.y);
  headless::advance(1000);
  headless::click(p.x, p.y);
  headless::advance(50);
  headless::click(p.x + 10, p.y);
  headless::pump();
  std::vector<UINT> singles(8);
  for (size_t i = 0; i < 8; ++i) singles[i] = i % 2 ? WM_LBUTTONUP : WM_LBUTTONDOWN;
  EXPECT_EQ(clicks_of(s.dbl), singles);

  // Without CS_DBLCLKS, a fast second click is another click.
  message_log().clear();
  headless::advance(1000);
  POINT q = headless::on_screen(s.plain, 5, 5);
  headless::click(q.x, q.y);
  headless::advance(50);
  headless::click(q.x, q.y);
  headless::pump();
  std::vector<UINT> plain{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(clicks_of(s.plain), plain);
}

TEST(HeadlessInput, RoutingHiddenDisabledCapture) {
  Scene s;
  POINT p = headless::on_screen(s.plain, 5, 5);
  headless::click(p.x, p.y, 2);
  headless::pump();
  std::vector<UINT> right{WM_RBUTTONDOWN, WM_RBUTTONUP};
  EXPECT_EQ(clicks_of(s.plain), right);
  // The parent hears of a press on its child.
  const LoggedMessage* notify = find_logged(s.top, WM_PARENTNOTIFY);
  ASSERT_TRUE(notify);
  EXPECT_EQ(LOWORD(notify->wParam), WM_RBUTTONDOWN);

  // A disabled child gets nothing: its parent does.
  message_log().clear();
  EnableWindow(s.plain, FALSE);
  headless::advance(1000);
  headless::click(p.x, p.y);
  headless::pump();
  EXPECT_TRUE(clicks_of(s.plain).empty());
  EXPECT_EQ(clicks_of(s.top).size(), 2u);
  EnableWindow(s.plain, TRUE);
  // A hidden child neither.
  message_log().clear();
  ShowWindow(s.plain, SW_HIDE);
  headless::advance(1000);
  headless::click(p.x, p.y);
  headless::pump();
  EXPECT_TRUE(clicks_of(s.plain).empty());
  EXPECT_EQ(clicks_of(s.top).size(), 2u);
  ShowWindow(s.plain, SW_SHOW);

  // With the capture, the window gets the mouse wherever it is, in its own coordinates.
  message_log().clear();
  SetCapture(s.dbl);
  POINT d = headless::on_screen(s.dbl, 0, 0);
  headless::mouse_move(d.x + 300, d.y + 5);
  headless::pump();
  const LoggedMessage* move = find_logged(s.dbl, WM_MOUSEMOVE);
  ASSERT_TRUE(move);
  EXPECT_EQ(static_cast<SHORT>(LOWORD(move->lParam)), 300);
  ReleaseCapture();

  // A disabled top-level window takes no clicks at all.
  message_log().clear();
  EnableWindow(s.top, FALSE);
  headless::advance(1000);
  headless::click(p.x, p.y);
  headless::pump();
  EXPECT_TRUE(clicks_of(s.plain).empty());
  EXPECT_TRUE(clicks_of(s.top).empty());
  EnableWindow(s.top, TRUE);
}

TEST(HeadlessInput, ClickActivates) {
  Scene s;
  register_logging_class(TEXT("HeadlessPlain"), 0);
  HWND other = make(TEXT("HeadlessPlain"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 600, 100, 200, 200);
  headless::pump();
  ASSERT_EQ(GetActiveWindow(), other);
  message_log().clear();
  POINT p = headless::on_screen(s.plain, 5, 5);
  headless::click(p.x, p.y);
  headless::pump();
  EXPECT_EQ(GetActiveWindow(), s.top);
  EXPECT_EQ(GetForegroundWindow(), s.top);
  ASSERT_TRUE(find_logged(s.plain, WM_MOUSEACTIVATE));
  const LoggedMessage* activate = find_logged(s.top, WM_ACTIVATE);
  ASSERT_TRUE(activate);
  EXPECT_EQ(LOWORD(activate->wParam), WA_CLICKACTIVE);
  EXPECT_LT(position_of(s.plain, WM_MOUSEACTIVATE), position_of(s.top, WM_ACTIVATE));
  EXPECT_LT(position_of(s.top, WM_ACTIVATE), position_of(s.plain, WM_LBUTTONDOWN));
  // Another program in front: nothing of ours is active, and the program hears so.
  message_log().clear();
  headless::leave_foreground();
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  const LoggedMessage* app = find_logged(s.top, WM_ACTIVATEAPP);
  ASSERT_TRUE(app);
  EXPECT_FALSE(app->wParam);
  DestroyWindow(other);
}

TEST(HeadlessInput, KeysCharactersAndShortcuts) {
  Scene s;
  SetFocus(s.plain);
  message_log().clear();
  headless::key('A');
  headless::key_down(VK_SHIFT);
  headless::key('B');
  headless::key_up(VK_SHIFT);
  headless::key(VK_OEM_PERIOD, TEXT("\u00e9"));  // the text the key types wins
  headless::key(VK_LEFT);
  headless::pump();
  std::u16string typed;
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == s.plain && m.message == WM_CHAR) typed += static_cast<char16_t>(m.wParam);
  EXPECT_EQ(u8(typed.c_str()), "aB\xc3\xa9");
  const LoggedMessage* down = find_logged(s.plain, WM_KEYDOWN);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->wParam, static_cast<WPARAM>('A'));
  EXPECT_FALSE(down->lParam & (1 << 31));
  const LoggedMessage* up = find_logged(s.plain, WM_KEYUP);
  ASSERT_TRUE(up);
  EXPECT_TRUE(static_cast<DWORD>(up->lParam) & 0xC0000000u);

  // Shift is down as far as the last message taken says.
  headless::key_down(VK_SHIFT);
  headless::pump();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  headless::key_up(VK_SHIFT);
  headless::pump();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);

  // Ctrl+S through an accelerator table, as a message loop would run it.
  ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'S', 300}};
  HACCEL table = CreateAcceleratorTableW(entries, 1);
  message_log().clear();
  headless::key_down(VK_CONTROL);
  headless::key('S');
  headless::key_up(VK_CONTROL);
  MSG msg;
  int commands = 0;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (TranslateAcceleratorW(s.top, table, &msg)) {
      ++commands;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(commands, 1);
  const LoggedMessage* command = find_logged(s.top, WM_COMMAND);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->wParam, MAKEWPARAM(300, 1));
  EXPECT_FALSE(find_logged(s.plain, WM_CHAR));  // the shortcut's key typed nothing
  DestroyAcceleratorTable(table);

  // The wheel speaks to the focus window; unhandled, it climbs to the parent.
  message_log().clear();
  headless::wheel(5, 5, -WHEEL_DELTA);
  headless::pump();
  const LoggedMessage* wheel = find_logged(s.top, WM_MOUSEWHEEL);
  ASSERT_TRUE(wheel);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel->wParam), -WHEEL_DELTA);
  EXPECT_TRUE(find_logged(s.plain, WM_MOUSEWHEEL));
}

TEST(HeadlessInput, TimersOnTheVirtualClock) {
  Scene s;
  SetTimer(s.top, 1, 100, nullptr);
  headless::advance(50);
  headless::pump();
  EXPECT_TRUE(messages_of(s.top, {WM_TIMER}).empty());
  headless::advance(60);
  headless::pump();
  EXPECT_EQ(messages_of(s.top, {WM_TIMER}).size(), 1u);
  // A timer that fell far behind fires once.
  headless::advance(1000);
  headless::pump();
  EXPECT_EQ(messages_of(s.top, {WM_TIMER}).size(), 2u);
  // A loop with only the timer left waits for it on the virtual clock.
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  KillTimer(s.top, 1);
}

std::string stall_message;
void note_stall(const char* message) { stall_message = message; }

TEST(HeadlessInput, StalledLoopIsReported) {
  Scene s;
  headless::pump();
  headless::set_stall_handler(note_stall);
  display::headless::set_stall_wait(10);
  MSG msg;
  SetLastError(0);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_NE(stall_message.find("wait forever"), std::string::npos);
  EXPECT_NE(stall_message.find("\"Scene\""), std::string::npos);
  headless::set_stall_handler(nullptr);
  display::headless::set_stall_wait(200);
}

}  // namespace
#endif
