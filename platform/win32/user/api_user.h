// The user32 functions of the stand-in: windows and classes, messages and
// timers, input, focus and activation, painting, with their Win32 names,
// arguments and return conventions. All windows live on the display backend
// of platform/win32/display/backend.h. Where the stand-in does less than Win32 the
// comment on the declaration says so in one line.
#pragma once

#include "platform/win32/user/types_user.h"

// Window classes. Class names compare without regard to case; the instance is
// recorded but not part of a class's identity.
ATOM RegisterClassW(const WNDCLASSW* wndClass);
ATOM RegisterClassExW(const WNDCLASSEXW* wndClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW wndClass);
int GetClassNameW(HWND window, LPWSTR className, int maxCount);
ULONG_PTR GetClassLongPtrW(HWND window, int index);
ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value);
DWORD GetClassLongW(HWND window, int index);

// Windows. Menu bars are not offered: a non-null menu of a top-level window is ignored.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
inline HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height,
                          HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsChild(HWND parent, HWND window);
HWND GetParent(HWND window);
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND window, UINT flags);
HWND GetWindow(HWND window, UINT command);
HWND GetTopWindow(HWND window);
HWND GetDesktopWindow();
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
// Top-level windows in z-order, topmost first.
BOOL EnumWindows(WNDENUMPROC callback, LPARAM param);
// Descendants depth first: each child, then its own children, in z-order.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG GetWindowLongW(HWND window, int index);
LONG SetWindowLongW(HWND window, int index, LONG value);
int GetWindowTextW(HWND window, LPWSTR text, int maxCount);
int GetWindowTextLengthW(HWND window);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL SetPropW(HWND window, LPCWSTR name, HANDLE data);
HANDLE GetPropW(HWND window, LPCWSTR name);
HANDLE RemovePropW(HWND window, LPCWSTR name);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
UINT RegisterWindowMessageW(LPCWSTR name);

// Window state and position.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND window);
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL ScreenToClient(HWND window, LPPOINT point);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
HWND WindowFromPoint(POINT point);
HWND ChildWindowFromPoint(HWND parent, POINT point);
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
int GetSystemMetrics(int index);
// SPI_GETWORKAREA (the whole screen), SPI_GETWHEELSCROLLLINES, SPI_GETKEYBOARDCUES and SPI_GETNONCLIENTMETRICS only.
BOOL SystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni);

// Messages.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
BOOL WaitMessage();
// Waiting on kernel objects is not offered: count must be 0.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags);
DWORD GetQueueStatus(UINT flags);
LONG GetMessageTime();
DWORD GetMessagePos();
BOOL InSendMessage();
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);
HACCEL CreateAcceleratorTableW(LPACCEL accel, int count);
BOOL DestroyAcceleratorTable(HACCEL accel);
int CopyAcceleratorTableW(HACCEL accel, LPACCEL entries, int count);
int TranslateAcceleratorW(HWND window, HACCEL accel, LPMSG msg);

// Input, focus and activation.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL GetKeyboardState(PBYTE keyState);
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
UINT GetDoubleClickTime();
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
BOOL MessageBeep(UINT type);
// Icons (icon.cpp, with api_icon.h) and the standard cursors.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);

// Popup menus of strings and separators, shown by TrackPopupMenuEx as a "#32768" window whose modal loop
// takes the keyboard and the mouse. Submenus, bitmaps and owner-drawn items are not offered
// (ERROR_NOT_SUPPORTED); rcExclude of TPMPARAMS is not honoured. One menu at a time is tracked.
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem);
BOOL EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable);
DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check);
int GetMenuItemCount(HMENU menu);
UINT GetMenuState(HMENU menu, UINT id, UINT flags);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND window, LPTPMPARAMS params);
BOOL GetMenuItemRect(HWND window, HMENU menu, UINT item, LPRECT rect);

// Painting. A region given to RedrawWindow counts as the whole window.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase);
BOOL RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags);
BOOL UpdateWindow(HWND window);
HDC BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HWND WindowFromDC(HDC dc);
BOOL LockWindowUpdate(HWND window);

// Scroll bars of a window (WS_HSCROLL, WS_VSCROLL): drawn in the frame, clicks become WM_HSCROLL/WM_VSCROLL.
int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw);
BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info);
int SetScrollPos(HWND window, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND window, int bar);
BOOL SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw);
BOOL ShowScrollBar(HWND window, int bar, BOOL show);
BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows);

// Rectangles.
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rect);
BOOL CopyRect(LPRECT dest, const RECT* source);
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
BOOL InflateRect(LPRECT rect, int dx, int dy);
BOOL IntersectRect(LPRECT dest, const RECT* a, const RECT* b);
BOOL UnionRect(LPRECT dest, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL SubtractRect(LPRECT dest, const RECT* a, const RECT* b);
