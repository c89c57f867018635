// Windows and classes: creation and destruction message order, the default
// procedure, window longs and subclassing, properties, the window tree.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_text.h"
#include "message_log.h"

namespace {

const WCHAR* kClass = TEXT("WindowTestClass");

HWND make_window(DWORD style, HWND parent = nullptr, int id = 0, const WCHAR* title = TEXT("t"), DWORD ex = 0) {
  register_logging_class(kClass, CS_DBLCLKS, 16);
  return CreateWindowExW(ex, kClass, title, style, 10, 10, 200, 150, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

TEST(WindowClass, RegisterFindAndUnregister) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = TEXT("ClassTest_One");
  ATOM atom = RegisterClassW(&wc);
  ASSERT_GE(atom, 0xC000);
  // A second class of the same name, in any case, is refused.
  wc.lpszClassName = TEXT("CLASSTEST_one");
  SetLastError(0);
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  HWND w = CreateWindowExW(0, TEXT("classtest_ONE"), TEXT(""), WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_TRUE(w);
  WCHAR name[64];
  EXPECT_EQ(GetClassNameW(w, name, 64), 13);
  EXPECT_EQ(u8(name), "ClassTest_One");
  EXPECT_EQ(GetClassNameW(w, name, 6), 5);  // cut to the room, terminated
  EXPECT_EQ(u8(name), "Class");
  // Created by atom as well.
  HWND by_atom = CreateWindowExW(0, MAKEINTATOM(atom), TEXT(""), WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                 wc.hInstance, nullptr);
  EXPECT_TRUE(by_atom);
  DestroyWindow(by_atom);

  SetLastError(0);
  EXPECT_FALSE(UnregisterClassW(TEXT("ClassTest_One"), wc.hInstance));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassW(TEXT("ClassTest_One"), wc.hInstance));
  SetLastError(0);
  EXPECT_FALSE(UnregisterClassW(TEXT("ClassTest_One"), wc.hInstance));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));

  SetLastError(0);
  EXPECT_FALSE(CreateWindowExW(0, TEXT("ClassTest_None"), TEXT(""), 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  // Wine answers ERROR_CLASS_DOES_NOT_EXIST here; Windows answers ERROR_CANNOT_FIND_WND_CLASS.
  if (!running_under_wine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  }
#ifndef _WIN32
  EXPECT_EQ(RegisterClassW(nullptr), 0);  // Win32 itself faults on a null class
#endif
  WNDCLASSEXW bad{};
  bad.cbSize = 3;
  EXPECT_EQ(RegisterClassExW(&bad), 0);
}

TEST(WindowLifecycle, CreationMessagesInOrder) {
  message_log().clear();
  HWND top = make_window(WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(top);
  // An overlapped window hears its size and position only when first shown.
  EXPECT_TRUE(same_sequence(
      logged(top, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
      {sent(WM_GETMINMAXINFO, 0), sent(WM_NCCREATE, 0), sent(WM_NCCALCSIZE, FALSE), sent(WM_CREATE, 0)}));
  message_log().clear();
  ShowWindow(top, SW_SHOWNOACTIVATE);
  RECT client;
  GetClientRect(top, &client);
  EXPECT_TRUE(same_sequence(logged(top, {WM_SHOWWINDOW, WM_SIZE, WM_MOVE}),
                            {sent(WM_SHOWWINDOW, TRUE, 0),
                             sent(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom)), sent(WM_MOVE, 0)}));
  ShowWindow(top, SW_HIDE);
  // The text comes from WM_NCCREATE through the default procedure.
  WCHAR text[8];
  EXPECT_EQ(GetWindowTextW(top, text, 8), 1);

  message_log().clear();
  HWND child = make_window(WS_CHILD | WS_VISIBLE, top, 7);
  ASSERT_TRUE(child);
  GetClientRect(child, &client);
  EXPECT_TRUE(same_sequence(
      logged(child, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
      {sent(WM_NCCREATE), sent(WM_NCCALCSIZE, FALSE), sent(WM_CREATE),
       sent(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom)), sent(WM_MOVE, 0),
       sent(WM_SHOWWINDOW, TRUE, 0)}));
  const LoggedMessage* notify = find_logged(top, WM_PARENTNOTIFY);
  ASSERT_TRUE(notify);
  EXPECT_EQ(LOWORD(notify->wParam), WM_CREATE);
  EXPECT_EQ(HIWORD(notify->wParam), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(notify->lParam), child);
  // The parent hears of the child after the child's own WM_CREATE, before it is shown.
  EXPECT_LT(position_of(child, WM_CREATE), position_of(top, WM_PARENTNOTIFY));
  EXPECT_LT(position_of(top, WM_PARENTNOTIFY), position_of(child, WM_SHOWWINDOW));

  // A visible overlapped window is shown and activated, and takes the focus.
  message_log().clear();
  HWND shown = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EXPECT_TRUE(same_sequence(logged(shown, {WM_CREATE, WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}),
                            {sent(WM_CREATE), sent(WM_SHOWWINDOW, TRUE, 0), sent(WM_ACTIVATE, WA_ACTIVE),
                             sent(WM_SETFOCUS), sent(WM_WINDOWPOSCHANGED, 0)}));
  EXPECT_TRUE(IsWindowVisible(shown));
  EXPECT_EQ(GetActiveWindow(), shown);
  EXPECT_EQ(GetFocus(), shown);

  // A child needs a parent.
  SetLastError(0);
  EXPECT_FALSE(make_window(WS_CHILD));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
  DestroyWindow(shown);
  DestroyWindow(top);
}

TEST(WindowLifecycle, DestroyOrderFocusAndOwnedWindows) {
  HWND top = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = make_window(WS_CHILD | WS_VISIBLE, top, 1);
  HWND a1 = make_window(WS_CHILD | WS_VISIBLE, a, 11);
  HWND b = make_window(WS_CHILD | WS_VISIBLE, top, 2);
  HWND owned = make_window(WS_POPUP, top);
  ASSERT_TRUE(top && a && a1 && b && owned);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
  SetFocus(a1);
  ASSERT_EQ(GetFocus(), a1);

  message_log().clear();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<HWND> destroyed, freed;
  for (const LoggedMessage& m : message_log()) {
    if (m.message == WM_DESTROY) destroyed.push_back(m.hwnd);
    if (m.message == WM_NCDESTROY) freed.push_back(m.hwnd);
  }
  // Owned windows go first; then WM_DESTROY parent first, WM_NCDESTROY children first.
  std::vector<HWND> want_destroyed{owned, top, a, a1, b};
  std::vector<HWND> want_freed{owned, a1, a, b, top};
  EXPECT_EQ(destroyed, want_destroyed);
  EXPECT_EQ(freed, want_freed);
  // The focus left the dying window before anything was destroyed.
  int kill = position_of(a1, WM_KILLFOCUS);
  ASSERT_GE(kill, 0);
  EXPECT_LT(kill, position_of(top, WM_DESTROY));
  for (HWND h : {top, a, a1, b, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_NE(GetFocus(), a1);

  // Destroying one child tells its parent first.
  HWND p = make_window(WS_OVERLAPPED);
  HWND c = make_window(WS_CHILD, p, 5);
  message_log().clear();
  DestroyWindow(c);
  const LoggedMessage* notify = find_logged(p, WM_PARENTNOTIFY);
  ASSERT_TRUE(notify);
  EXPECT_EQ(LOWORD(notify->wParam), WM_DESTROY);
  EXPECT_LT(position_of(p, WM_PARENTNOTIFY), position_of(c, WM_DESTROY));
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(c));
  // Wine answers ERROR_ACCESS_DENIED for a handle that is gone.
  if (!running_under_wine()) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  // WM_CLOSE, left to the default procedure, destroys the window.
  SendMessageW(p, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(p));
}

TEST(WindowDefaultProc, Text) {
  HWND w = make_window(WS_OVERLAPPED, nullptr, 0, TEXT("Hello"));
  WCHAR buffer[16] = {};
  EXPECT_EQ(GetWindowTextLengthW(w), 5);
  EXPECT_EQ(GetWindowTextW(w, buffer, 16), 5);
  EXPECT_EQ(u8(buffer), "Hello");
  EXPECT_TRUE(SetWindowTextW(w, TEXT("Links and more")));
  EXPECT_EQ(GetWindowTextW(w, buffer, 5), 4);  // cut to the room, terminated
  EXPECT_EQ(u8(buffer), "Link");
  EXPECT_EQ(SendMessageW(w, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0), 14);
  EXPECT_TRUE(SetWindowTextW(w, nullptr));
  EXPECT_EQ(GetWindowTextLengthW(w), 0);
  EXPECT_EQ(GetWindowTextW(nullptr, buffer, 16), 0);
  DestroyWindow(w);
}

LRESULT CALLBACK counting_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 5) {
    auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, TEXT("old proc")));
    return 1000 + CallWindowProcW(old, hwnd, message, wParam, lParam);
  }
  return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(hwnd, TEXT("old proc"))), hwnd, message, wParam, lParam);
}

TEST(WindowData, LongsExtraBytesSubclassing) {
  HWND top = make_window(WS_OVERLAPPED);
  HWND child = make_window(WS_CHILD | WS_VISIBLE, top, 42, TEXT(""), WS_EX_CLIENTEDGE);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_ID), 42);
  EXPECT_EQ(GetDlgCtrlID(child), 42);
  EXPECT_EQ(GetDlgItem(top, 42), child);
  EXPECT_EQ(SetWindowLongPtrW(child, GWLP_ID, -1), 42);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_ID), -1);
  EXPECT_EQ(SetWindowLongPtrW(child, GWLP_USERDATA, 0x1234567890LL), 0);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_USERDATA), 0x1234567890LL);
  LONG style = GetWindowLongW(child, GWL_STYLE);
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  // 16 extra bytes: two pointer-sized slots and nothing past them.
  EXPECT_EQ(SetWindowLongPtrW(child, 8, 77), 0);
  EXPECT_EQ(GetWindowLongPtrW(child, 8), 77);
  EXPECT_EQ(GetWindowLongPtrW(child, 0), 0);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrW(child, 12), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongPtrW(nullptr, GWLP_ID), 0);

  // Subclassing: the new procedure sees messages first and reaches the old one.
  LONG_PTR old = SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc));
  EXPECT_EQ(old, reinterpret_cast<LONG_PTR>(logging_proc));
  SetPropW(child, TEXT("old proc"), reinterpret_cast<HANDLE>(old));
  EXPECT_EQ(SendMessageW(child, WM_USER + 5, 0, 0), 1000);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(counting_proc));

  DWORD process = 0;
  EXPECT_EQ(GetWindowThreadProcessId(child, &process), GetCurrentThreadId());
  EXPECT_EQ(process, GetCurrentProcessId());
  EXPECT_EQ(GetWindowThreadProcessId(nullptr, &process), 0u);

  // The class background, as a colour index or a brush.
  ULONG_PTR before = SetClassLongPtrW(top, GCLP_HBRBACKGROUND, COLOR_3DFACE + 1);
  EXPECT_EQ(SetClassLongPtrW(top, GCLP_HBRBACKGROUND, static_cast<LONG_PTR>(before)),
            static_cast<ULONG_PTR>(COLOR_3DFACE + 1));
  DestroyWindow(top);
}

TEST(WindowData, Properties) {
  HWND w = make_window(WS_OVERLAPPED);
  EXPECT_TRUE(SetPropW(w, TEXT("KT_WindowID"), reinterpret_cast<HANDLE>(6)));
  EXPECT_EQ(GetPropW(w, TEXT("KT_WindowID")), reinterpret_cast<HANDLE>(6));
  EXPECT_EQ(GetPropW(w, TEXT("kt_windowid")), reinterpret_cast<HANDLE>(6));  // names ignore case
  EXPECT_TRUE(SetPropW(w, TEXT("KT_WindowID"), reinterpret_cast<HANDLE>(9)));
  EXPECT_EQ(GetPropW(w, TEXT("KT_WindowID")), reinterpret_cast<HANDLE>(9));
  EXPECT_EQ(GetPropW(w, TEXT("KT_Focus")), nullptr);
  EXPECT_EQ(RemovePropW(w, TEXT("KT_WindowID")), reinterpret_cast<HANDLE>(9));
  EXPECT_EQ(GetPropW(w, TEXT("KT_WindowID")), nullptr);
  EXPECT_EQ(RemovePropW(w, TEXT("KT_WindowID")), nullptr);
  EXPECT_FALSE(SetPropW(nullptr, TEXT("x"), nullptr));
  DestroyWindow(w);
}

std::vector<HWND> enumerated;
BOOL CALLBACK collect(HWND h, LPARAM) {
  enumerated.push_back(h);
  return TRUE;
}
BOOL CALLBACK stop_at_second(HWND h, LPARAM) {
  enumerated.push_back(h);
  return enumerated.size() < 2;
}

TEST(WindowTree, RelationsAndEnumeration) {
  HWND top = make_window(WS_OVERLAPPED);
  HWND a = make_window(WS_CHILD, top, 1);
  HWND a1 = make_window(WS_CHILD, a, 11);
  HWND b = make_window(WS_CHILD, top, 2);
  HWND popup = make_window(WS_POPUP, top);
  EXPECT_EQ(GetParent(a1), a);
  EXPECT_EQ(GetParent(popup), top);  // a popup's parent is its owner
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_TRUE(IsChild(top, a1));
  EXPECT_FALSE(IsChild(top, popup));
  EXPECT_EQ(GetAncestor(a1, GA_ROOT), top);
  // Children come in creation order: each new one goes below its siblings.
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
  EXPECT_EQ(GetWindow(a1, GW_CHILD), nullptr);

  enumerated.clear();
  EnumChildWindows(top, collect, 0);
  std::vector<HWND> depth_first{a, a1, b};
  EXPECT_EQ(enumerated, depth_first);
  enumerated.clear();
  EnumChildWindows(top, stop_at_second, 0);
  EXPECT_EQ(enumerated.size(), 2u);

  // Top-level windows in z-order: the newest on top, topmost ones above all.
  HWND w1 = make_window(WS_OVERLAPPED);
  HWND w2 = make_window(WS_OVERLAPPED);
  HWND w3 = make_window(WS_OVERLAPPED);
  EXPECT_TRUE(SetWindowPos(w1, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_TRUE(GetWindowLongW(w1, GWL_EXSTYLE) & WS_EX_TOPMOST);
  enumerated.clear();
  EnumWindows(collect, 0);
  std::vector<HWND> ours;
  for (HWND h : enumerated)
    if (h == w1 || h == w2 || h == w3) ours.push_back(h);
  std::vector<HWND> z{w1, w3, w2};
  EXPECT_EQ(ours, z);
  EXPECT_TRUE(SetWindowPos(w1, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_FALSE(GetWindowLongW(w1, GWL_EXSTYLE) & WS_EX_TOPMOST);
  for (HWND h : {w1, w2, w3, top}) DestroyWindow(h);
  EXPECT_FALSE(IsWindow(a1));
  EXPECT_FALSE(IsWindow(popup));
}

TEST(WindowMessages, RegisteredMessages) {
  UINT m1 = RegisterWindowMessageW(TEXT("KT_PostEventMessage"));
  EXPECT_GE(m1, 0xC000u);
  EXPECT_LE(m1, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageW(TEXT("kt_posteventmessage")), m1);
  UINT m2 = RegisterWindowMessageW(TEXT("KT_SomethingElse"));
  EXPECT_NE(m2, m1);
  EXPECT_GE(m2, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageW(TEXT("KT_PostEventMessage")), m1);
  EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
}

TEST(WindowGeometry, AdjustedRectGivesTheClientSize) {
  for (DWORD style : {static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
                      static_cast<DWORD>(WS_OVERLAPPEDWINDOW), static_cast<DWORD>(WS_POPUP | WS_BORDER)}) {
    RECT r{0, 0, 300, 200};
    ASSERT_TRUE(AdjustWindowRectEx(&r, style, FALSE, 0));
    register_logging_class(kClass, CS_DBLCLKS, 16);
    HWND w = CreateWindowExW(0, kClass, TEXT(""), style, 40, 50, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(w);
    RECT client, window;
    GetClientRect(w, &client);
    GetWindowRect(w, &window);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 50);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 40 - r.left);
    EXPECT_EQ(p.y, 50 - r.top);
    ScreenToClient(w, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    DestroyWindow(w);
  }
  HWND top = make_window(WS_POPUP);
  SetWindowPos(top, nullptr, 100, 100, 300, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND child = CreateWindowExW(0, kClass, TEXT(""), WS_CHILD, 20, 30, 50, 40, top, nullptr, nullptr, nullptr);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 130);
  EXPECT_EQ(r.right, 170);
  POINT pts[1] = {{5, 5}};
  MapWindowPoints(child, top, pts, 1);
  EXPECT_EQ(pts[0].x, 25);
  EXPECT_EQ(pts[0].y, 35);
  EXPECT_FALSE(GetClientRect(nullptr, &r));
  EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 4);
  EXPECT_GT(GetSystemMetrics(SM_CXVSCROLL), 0);
  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
  DestroyWindow(top);
}

}  // namespace
