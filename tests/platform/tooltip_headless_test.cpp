// Tips on the headless display's virtual clock: a tip shows only after the
// pointer has rested on its tool for half a second, next to the pointer and
// above every other window; it goes when the pointer leaves, on a click, after
// the pop delay, and when the tool's window goes; deactivation, inactive
// windows without TTS_ALWAYSTIP, rectangle tools and the width limit. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "control_parent.h"
#include "tooltip_tools.h"
#include "platform/win32/display/headless_driver.h"

namespace {

struct TooltipHeadless : ::testing::Test {
  HWND parent = nullptr, first = nullptr, second = nullptr, tip = nullptr;

  void SetUp() override {
    parent = make_control_parent();
    first = child(10, 10);
    second = child(150, 10);
    tip = make_tooltip();
    add(first, TEXT("Open a catalogue"));
    add(second, TEXT("Save the catalogue with its backup"));
    headless::mouse_move(5, 5);  // away from every window
    headless::pump();
  }
  void TearDown() override {
    if (IsWindow(tip)) DestroyWindow(tip);
    DestroyWindow(parent);
    headless::pump();
  }

  HWND child(int x, int y) {
    return CreateWindowExW(0, TEXT("Button"), TEXT("Tool"), WS_CHILD | WS_VISIBLE, x, y, 100, 30, parent, nullptr,
                           nullptr, nullptr);
  }
  void add(HWND control, const WCHAR* text) { set_tip(tip, control, text); }
  // Moves the pointer to a client point of a window and lets the time pass.
  void rest_on(HWND window, int x, int y, DWORD ms) {
    POINT p = headless::on_screen(window, x, y);
    headless::mouse_move(p.x, p.y);
    headless::pump();
    wait(ms);
  }
  void wait(DWORD ms) {
    headless::advance(ms);
    headless::pump();
  }
  bool up() const { return IsWindowVisible(tip) != FALSE; }
  HWND current() const {
    TTTOOLINFOW ti{};
    ti.cbSize = 64;
    if (!SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) return nullptr;
    return reinterpret_cast<HWND>(ti.uId);
  }
  RECT rect() const {
    RECT r;
    GetWindowRect(tip, &r);
    return r;
  }
};

}  // namespace

TEST_F(TooltipHeadless, ShowsAfterTheDelayBesideThePointerOnTop) {
  rest_on(first, 20, 15, 450);
  EXPECT_FALSE(up()) << "not before half a second";
  wait(60);
  ASSERT_TRUE(up());
  EXPECT_EQ(current(), first);
  POINT pointer = headless::on_screen(first, 20, 15);
  RECT r = rect();
  EXPECT_GE(r.top, pointer.y) << "below the pointer";
  EXPECT_LE(r.top, pointer.y + 40);
  EXPECT_NEAR(r.left, pointer.x, 2);
  EXPECT_GT(r.right - r.left, 40);
  EXPECT_EQ(GetForegroundWindow(), parent) << "showing a tip activates nothing";
  EXPECT_EQ(GetTopWindow(nullptr), tip) << "above every window";

  // The tip is drawn in the information colours, with its text in it.
  UpdateWindow(tip);
  headless::pump();
  COLORREF back = GetSysColor(COLOR_INFOBK);
  EXPECT_EQ(headless::pixel(tip, 2, 2), back);
  int text_pixels = 0;
  for (int y = 0; y < r.bottom - r.top; ++y)
    for (int x = 2; x < r.right - r.left - 2; ++x) text_pixels += headless::pixel(tip, x, y) != back;
  EXPECT_GT(text_pixels, 30);

  // Moving on the tool keeps it; a longer text makes a wider tip on the next tool, after the short reshow delay.
  rest_on(first, 40, 20, 10);
  EXPECT_TRUE(up());
  int first_width = r.right - r.left;
  rest_on(second, 20, 15, 0);
  EXPECT_FALSE(up()) << "a new tool hides the old tip at once";
  wait(150);
  ASSERT_TRUE(up());
  EXPECT_EQ(current(), second);
  EXPECT_GT(rect().right - rect().left, first_width);
}

TEST_F(TooltipHeadless, GoesOnLeavingClickingThePopDelayAndTheToolGoing) {
  rest_on(first, 20, 15, 600);
  ASSERT_TRUE(up());
  rest_on(parent, 300, 150, 0);
  EXPECT_FALSE(up()) << "leaving the tool";
  wait(1000);
  EXPECT_FALSE(up());

  rest_on(first, 20, 15, 600);
  ASSERT_TRUE(up());
  POINT p = headless::on_screen(first, 20, 15);
  headless::mouse_down(p.x, p.y);
  headless::mouse_up(p.x, p.y);
  headless::pump();
  EXPECT_FALSE(up()) << "a click";
  wait(2000);
  EXPECT_FALSE(up()) << "the pointer must move again";

  rest_on(first, 21, 15, 600);
  ASSERT_TRUE(up());
  wait(5100);
  EXPECT_FALSE(up()) << "the pop delay";

  rest_on(first, 22, 15, 600);
  ASSERT_TRUE(up());
  DestroyWindow(first);
  headless::pump();
  EXPECT_FALSE(up()) << "the tool's window went away";
}

TEST_F(TooltipHeadless, DeactivationInactiveWindowsRectanglesAndWidth) {
  SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  rest_on(first, 20, 15, 1000);
  EXPECT_FALSE(up()) << "deactivated";
  SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
  rest_on(first, 25, 15, 600);
  EXPECT_TRUE(up());
  rest_on(parent, 300, 150, 0);

  // Without TTS_ALWAYSTIP a tip shows only while its window is active.
  DestroyWindow(tip);
  tip = make_tooltip(TTS_NOPREFIX);
  add(first, TEXT("Only when active"));
  headless::leave_foreground();
  rest_on(first, 20, 15, 1000);
  EXPECT_FALSE(up());
  SetForegroundWindow(parent);
  rest_on(first, 24, 15, 600);
  EXPECT_TRUE(up());
  rest_on(parent, 300, 150, 0);

  // A rectangle of a window as a tool.
  TTTOOLINFOW ti{};
  ti.cbSize = 64;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = parent;
  ti.uId = 7;
  ti.rect = RECT{200, 80, 260, 140};
  ti.lpszText = const_cast<LPWSTR>(TEXT("A corner of the window, described at length so that it wraps"));
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  rest_on(parent, 190, 100, 1000);
  EXPECT_FALSE(up()) << "outside the rectangle";
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 120);
  rest_on(parent, 210, 100, 600);
  ASSERT_TRUE(up());
  RECT r = rect();
  EXPECT_LE(r.right - r.left, 120 + 12) << "the width limit wraps the text";
  EXPECT_GT(r.bottom - r.top, 35) << "on several lines";
}
// The window library replaces the tooltip's procedure with one that raises the tip on every paint.
LRESULT CALLBACK raising_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_PAINT) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

TEST_F(TooltipHeadless, AProcedureThatRaisesOnPaintKeepsTheTipOnTop) {
  LONG_PTR previous = SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(raising_proc));
  SetWindowLongPtrW(tip, GWLP_USERDATA, previous);
  HWND other = CreateWindowExW(WS_EX_TOPMOST, TEXT("Static"), TEXT("also on top"), WS_POPUP | WS_VISIBLE, 600, 600, 50,
                               50, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(parent);
  rest_on(first, 20, 15, 600);
  ASSERT_TRUE(up());
  UpdateWindow(tip);
  headless::pump();
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetTopWindow(nullptr), tip);
  EXPECT_EQ(GetForegroundWindow(), parent);
  DestroyWindow(other);
}
#endif
