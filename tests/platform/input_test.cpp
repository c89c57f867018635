// Window state and input routing through Win32 calls only: focus,
// activation, enabling, showing (minimise, maximise, restore), capture.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "message_log.h"

namespace {

const WCHAR* kClass = TEXT("InputTestClass");

HWND make_window(DWORD style, HWND parent = nullptr, int x = 50) {
  register_logging_class(kClass, CS_DBLCLKS);
  return CreateWindowExW(0, kClass, TEXT("i"), style, x, 50, 300, 200, parent, nullptr, nullptr, nullptr);
}

TEST(Focus, KillFocusThenSetFocus) {
  HWND top = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = make_window(WS_CHILD | WS_VISIBLE, top);
  HWND b = make_window(WS_CHILD | WS_VISIBLE, top);
  SetFocus(a);
  ASSERT_EQ(GetFocus(), a);
  message_log().clear();
  EXPECT_EQ(SetFocus(b), a);  // answers the previous focus
  EXPECT_EQ(GetFocus(), b);
  std::vector<LoggedMessage> focus;
  for (const LoggedMessage& m : message_log())
    if (m.message == WM_KILLFOCUS || m.message == WM_SETFOCUS) focus.push_back(m);
  ASSERT_EQ(focus.size(), 2u);
  EXPECT_EQ(focus[0].hwnd, a);
  EXPECT_EQ(focus[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(focus[0].wParam), b);
  EXPECT_EQ(focus[1].hwnd, b);
  EXPECT_EQ(focus[1].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(focus[1].wParam), a);
  // Focusing the focus again says nothing.
  message_log().clear();
  EXPECT_EQ(SetFocus(b), b);
  EXPECT_TRUE(messages_of(b, {WM_KILLFOCUS, WM_SETFOCUS}).empty());

  // Enabling answers the previous disabled state; disabling the focus takes the focus away.
  message_log().clear();
  EXPECT_FALSE(EnableWindow(b, FALSE));
  EXPECT_FALSE(IsWindowEnabled(b));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(same_sequence(logged(b, {WM_CANCELMODE, WM_KILLFOCUS, WM_ENABLE}),
                            {sent(WM_CANCELMODE, 0, 0), sent(WM_KILLFOCUS, 0), sent(WM_ENABLE, FALSE, 0)}));
  EXPECT_FALSE(find_logged(b, WM_ENABLE)->wParam);
  EXPECT_TRUE(EnableWindow(b, FALSE));
  // A disabled window cannot take the focus.
  EXPECT_EQ(SetFocus(b), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(b, TRUE));
  EXPECT_FALSE(EnableWindow(b, TRUE));
  EXPECT_TRUE(IsWindowEnabled(b));
  EXPECT_EQ(SetFocus(nullptr), nullptr);

  // The focus goes to the parent when its window is hidden.
  SetFocus(a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetFocus(), top);
  DestroyWindow(top);
}

TEST(Activation, DeactivateThenActivate) {
  HWND w1 = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 40);
  HWND w2 = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 400);
  SetActiveWindow(w1);
  ASSERT_EQ(GetActiveWindow(), w1);
  message_log().clear();
  EXPECT_EQ(SetActiveWindow(w2), w1);
  EXPECT_EQ(GetActiveWindow(), w2);
  EXPECT_TRUE(
      same_sequence(logged(w1, {WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}),
                    {sent(WM_NCACTIVATE, FALSE), sent(WM_ACTIVATE, WA_INACTIVE, handle_arg(w2)), sent(WM_KILLFOCUS)}));
  EXPECT_TRUE(
      same_sequence(logged(w2, {WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}),
                    {sent(WM_NCACTIVATE, TRUE), sent(WM_ACTIVATE, WA_ACTIVE, handle_arg(w1)), sent(WM_SETFOCUS)}));
  EXPECT_LT(position_of(w1, WM_ACTIVATE), position_of(w2, WM_ACTIVATE));
  const LoggedMessage* deactivate = find_logged(w1, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(deactivate->wParam), WA_INACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(deactivate->lParam), w2);
  const LoggedMessage* activate = find_logged(w2, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(activate->wParam), WA_ACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(activate->lParam), w1);
  EXPECT_EQ(GetFocus(), w2);

  // Destroying the active window activates another one.
  DestroyWindow(w2);
  EXPECT_NE(GetActiveWindow(), w2);
  DestroyWindow(w1);
}

TEST(ShowState, MinimiseMaximiseRestore) {
  HWND w = make_window(WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(ShowWindow(w, SW_SHOW));  // answers whether it was visible
  EXPECT_TRUE(ShowWindow(w, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(w));
  RECT normal;
  GetWindowRect(w, &normal);

  message_log().clear();
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  const LoggedMessage* size = find_logged(w, WM_SIZE);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->wParam, static_cast<WPARAM>(SIZE_MINIMIZED));

  message_log().clear();
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
  size = find_logged(w, WM_SIZE);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->wParam, static_cast<WPARAM>(SIZE_RESTORED));
  RECT back;
  GetWindowRect(w, &back);
  EXPECT_TRUE(EqualRect(&back, &normal));

  message_log().clear();
  ShowWindow(w, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(w));
  size = find_logged(w, WM_SIZE);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->wParam, static_cast<WPARAM>(SIZE_MAXIMIZED));
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_MAXIMIZE);

  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(w));
  GetWindowRect(w, &back);
  EXPECT_TRUE(EqualRect(&back, &normal));

  message_log().clear();
  EXPECT_TRUE(ShowWindow(w, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(w));
  const LoggedMessage* shown = find_logged(w, WM_SHOWWINDOW);
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->wParam);
  EXPECT_FALSE(ShowWindow(w, SW_HIDE));

  // A child of a hidden parent is not visible, whatever its own style says.
  HWND child = make_window(WS_CHILD | WS_VISIBLE, w);
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
  DestroyWindow(w);
}

TEST(ShowState, SetWindowPosMessages) {
  HWND w = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  message_log().clear();
  EXPECT_TRUE(SetWindowPos(w, nullptr, 70, 80, 320, 240, SWP_NOZORDER | SWP_NOACTIVATE));
  RECT client;
  GetClientRect(w, &client);
  EXPECT_TRUE(same_sequence(logged(w, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
                            {sent(WM_WINDOWPOSCHANGING, 0), sent(WM_NCCALCSIZE, TRUE), sent(WM_WINDOWPOSCHANGED, 0),
                             sent(WM_MOVE, 0), sent(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom))}));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 70);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right - r.left, 320);
  // Only a move: no size message.
  message_log().clear();
  MoveWindow(w, 90, 80, 320, 240, TRUE);
  EXPECT_TRUE(find_logged(w, WM_MOVE));
  EXPECT_FALSE(find_logged(w, WM_SIZE));
  EXPECT_FALSE(SetWindowPos(w, reinterpret_cast<HWND>(0x5555), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  DestroyWindow(w);
}

TEST(Capture, SetAndRelease) {
  HWND top = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = make_window(WS_CHILD | WS_VISIBLE, top);
  HWND b = make_window(WS_CHILD | WS_VISIBLE, top);
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  message_log().clear();
  EXPECT_EQ(SetCapture(b), a);
  const LoggedMessage* changed = find_logged(a, WM_CAPTURECHANGED);
  ASSERT_TRUE(changed);
  EXPECT_EQ(reinterpret_cast<HWND>(changed->lParam), b);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(find_logged(b, WM_CAPTURECHANGED));
  // A dying window gives the capture up.
  SetCapture(a);
  DestroyWindow(a);
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(top);
}

}  // namespace
