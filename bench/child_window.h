// The child window both window benches fill their main window with: a framed
// field with a line of text, what most of the program's gadgets draw.
#pragma once

#include "platform/win32.h"

inline void paint_child_window(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(dc, TEXT("Child window"), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}
