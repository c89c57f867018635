// The caret: one per thread, owned by one window. It is drawn by inverting
// its rectangle on the owner's client area, so drawing it twice takes it away
// again; it blinks on a timer of its owner. A new caret starts hidden (hide
// count 1): ShowCaret lowers the count, HideCaret raises it, and the caret is
// on screen only at 0. Moving or showing it draws it at once and restarts the
// blinking, so it never vanishes while the user types. An owner that paints
// its client area hides the caret around the painting. Where it is shown,
// an input method shows its candidates.
#include "platform/win32/user/window_internal.h"

namespace {

constexpr UINT_PTR kBlinkTimer = 0xCA7E;
UINT blink_time = 530;

struct Caret {
  HWND owner = nullptr;
  int x = 0, y = 0, width = 1, height = 1;
  int hidden = 1;
  bool drawn = false;  // its pixels are inverted right now
};

thread_local Caret caret;

bool exists() {
  if (caret.owner && !IsWindow(caret.owner)) caret = Caret{};  // went with its window
  return caret.owner != nullptr;
}

void invert() {
  HDC dc = GetDC(caret.owner);
  if (!dc) return;
  PatBlt(dc, caret.x, caret.y, caret.width, caret.height, DSTINVERT);
  ReleaseDC(caret.owner, dc);
  caret.drawn = !caret.drawn;
}

void erase() {
  if (caret.drawn) invert();
}

void CALLBACK blink(HWND window, UINT, UINT_PTR, DWORD) {
  if (!exists() || window != caret.owner || caret.hidden > 0) return;
  invert();
}

// An input method puts its candidates at the caret: the display learns where it is.
void tell_display() {
  user::Window* w = user::find(caret.owner);
  if (!w || !user::root(w)->surface) return;
  POINT p{caret.x, caret.y};
  ClientToScreen(caret.owner, &p);
  display::current().set_text_input_rect(user::root(w)->surface, RECT{p.x, p.y, p.x + caret.width, p.y + caret.height});
}

// Drawn now and blinking from now on.
void show_now() {
  tell_display();
  if (!caret.drawn) invert();
  if (blink_time != INFINITE) SetTimer(caret.owner, kBlinkTimer, blink_time, blink);
}

bool owned_by(HWND window) {
  if (!exists()) return false;
  if (window && window != caret.owner) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace

BOOL CreateCaret(HWND window, HBITMAP, int width, int height) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DestroyCaret();
  caret = Caret{};
  caret.owner = window;
  caret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  caret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  return TRUE;
}

BOOL DestroyCaret() {
  if (!exists()) return FALSE;
  erase();
  KillTimer(caret.owner, kBlinkTimer);
  caret = Caret{};
  return TRUE;
}

BOOL ShowCaret(HWND window) {
  if (!owned_by(window)) return FALSE;
  if (caret.hidden > 0 && --caret.hidden == 0) show_now();
  return TRUE;
}

BOOL HideCaret(HWND window) {
  if (!owned_by(window)) return FALSE;
  if (caret.hidden++ == 0) {
    erase();
    KillTimer(caret.owner, kBlinkTimer);
  }
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  if (!exists()) return FALSE;
  if (x == caret.x && y == caret.y) return TRUE;
  erase();
  caret.x = x;
  caret.y = y;
  if (caret.hidden == 0) show_now();
  return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
  if (!point) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  exists();
  *point = POINT{caret.x, caret.y};
  return TRUE;
}

UINT GetCaretBlinkTime() { return blink_time; }

BOOL SetCaretBlinkTime(UINT milliseconds) {
  blink_time = milliseconds;
  if (exists() && caret.hidden == 0) {
    if (milliseconds == INFINITE) KillTimer(caret.owner, kBlinkTimer);
    else show_now();
  }
  return TRUE;
}
