// The caret of the stand-in: one per thread, owned by a window, drawn by
// inverting its rectangle on that window and blinking on the window's timer,
// with Win32's names, hide count and return conventions. Caret bitmaps are
// not offered: any bitmap handle other than 1 (grey) draws a solid caret of
// the given size.
#pragma once

#include "platform/win32/user/types_user.h"

BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND window);
BOOL HideCaret(HWND window);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);
