// Geometry: system metrics of a fixed classic frame (caption 23, frames 8 on
// top-level windows), AdjustWindowRectEx to match, rectangles of windows and
// the mapping between client and screen coordinates, and finding the window
// under a point.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "platform/win32/user/window_internal.h"

namespace user {

// The window under a screen point: the topmost visible top-level window that
// holds it, then the deepest visible child whose parent's client area holds
// it. A disabled child is not entered: the point then belongs to its parent.
Window* window_at(POINT p) {
  for (Window* t : toplevels)
    if (Window* w = window_at_in(t, p)) return w;
  return nullptr;
}

Window* window_at_in(Window* t, POINT p) {
  if (!(t->style & WS_VISIBLE) || !PtInRect(&t->window_rect, p)) return nullptr;
  Window* w = t;
  for (;;) {
    POINT o = client_origin_on_screen(w);
    RECT client{o.x, o.y, o.x + (w->client_rect.right - w->client_rect.left),
                o.y + (w->client_rect.bottom - w->client_rect.top)};
    if (!PtInRect(&client, p)) return w;
    POINT local{p.x - o.x, p.y - o.y};
    Window* hit = nullptr;
    for (Window* c : w->children)
      if ((c->style & WS_VISIBLE) && PtInRect(&c->window_rect, local)) {
        hit = c;
        break;
      }
    if (!hit || (hit->style & WS_DISABLED)) return w;
    w = hit;
  }
}

namespace {

// A face of the desktop's text at a size in points, as the non-client parts use it.
LOGFONTW ui_font(int points) {
  LOGFONTW f{};
  f.lfHeight = -MulDiv(points, display::current().dots_per_inch(), 72);
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = DEFAULT_CHARSET;
  const char16_t face[] = u"Segoe UI";
  std::copy(std::begin(face), std::end(face), f.lfFaceName);
  return f;
}

// Older callers pass the size without iPaddedBorderWidth, as Windows allows.
constexpr UINT kOldNonClientMetrics = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);

// Windows reads the size from cbSize, not from the call's size argument.
BOOL non_client_metrics(NONCLIENTMETRICSW* m) {
  if (m->cbSize != sizeof *m && m->cbSize != kOldNonClientMetrics) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  NONCLIENTMETRICSW all{};
  all.cbSize = m->cbSize;
  all.iBorderWidth = 1;
  all.iScrollWidth = all.iScrollHeight = kScrollBar;
  all.iCaptionWidth = all.iCaptionHeight = kCaption;
  all.iSmCaptionWidth = all.iSmCaptionHeight = kSmallCaption;
  all.iMenuWidth = all.iMenuHeight = GetSystemMetrics(SM_CYMENU);
  all.lfCaptionFont = all.lfSmCaptionFont = ui_font(9);
  all.lfMenuFont = all.lfStatusFont = all.lfMessageFont = ui_font(9);
  std::memcpy(m, &all, m->cbSize);
  return TRUE;
}

}  // namespace

}  // namespace user

using namespace user;

int GetSystemMetrics(int index) {
  display::Backend& screen = display::current();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXMAXIMIZED: return screen.screen_width() + (index == SM_CXMAXIMIZED ? 2 * kFrame : 0);
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
    case SM_CYMAXIMIZED: return screen.screen_height() + (index == SM_CYMAXIMIZED ? 2 * kFrame : 0);
    case SM_CYFULLSCREEN: return screen.screen_height() - kCaption;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return kScrollBar;
    case SM_CYCAPTION: return kCaption;
    case SM_CYSMCAPTION: return kSmallCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXPADDEDBORDER: return kFrame / 2;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 19;
    case SM_CXSIZE:
    case SM_CYSIZE: return kCaption - 2;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return kSmallCaption - 2;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 136;
    case SM_CYMIN:
    case SM_CYMINTRACK: return kCaption + 2 * kFrame;
    case SM_CXMAXTRACK: return screen.screen_width() + 2 * kFrame + 12;
    case SM_CYMAXTRACK: return screen.screen_height() + 2 * kFrame + 12;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return kCaption + 5;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    default: return 0;
  }
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT in;
  frame_sizes(style, ex_style, &in);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  if (menu) rect->top -= GetSystemMetrics(SM_CYMENU) + 1;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL SystemParametersInfoW(UINT action, UINT, PVOID data, UINT) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<RECT*>(data) = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      return TRUE;
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(data) = 3; return TRUE;
    case SPI_GETKEYBOARDCUES: *static_cast<BOOL*>(data) = FALSE; return TRUE;
    case SPI_GETNONCLIENTMETRICS: return non_client_metrics(static_cast<NONCLIENTMETRICSW*>(data));
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  Window* w = find_or_fail(window);
  if (!w || !rect) return FALSE;
  POINT o = window_origin_on_screen(w);
  *rect = RECT{o.x, o.y, o.x + (w->window_rect.right - w->window_rect.left),
               o.y + (w->window_rect.bottom - w->window_rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  Window* w = find_or_fail(window);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client_rect.right - w->client_rect.left, w->client_rect.bottom - w->client_rect.top};
  return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
  Window* w = find_or_fail(window);
  if (!w || !point) return FALSE;
  POINT o = client_origin_on_screen(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
  Window* w = find_or_fail(window);
  if (!w || !point) return FALSE;
  POINT o = client_origin_on_screen(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from && from != GetDesktopWindow()) {
    Window* w = find_or_fail(from);
    if (!w) return 0;
    a = client_origin_on_screen(w);
  }
  if (to && to != GetDesktopWindow()) {
    Window* w = find_or_fail(to);
    if (!w) return 0;
    b = client_origin_on_screen(w);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND WindowFromPoint(POINT point) {
  Window* w = window_at(point);
  return w ? w->handle : GetDesktopWindow();
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  Window* p = find_or_fail(parent);
  if (!p) return nullptr;
  RECT client{0, 0, p->client_rect.right - p->client_rect.left, p->client_rect.bottom - p->client_rect.top};
  if (!PtInRect(&client, point)) return nullptr;
  for (Window* c : p->children)
    if (PtInRect(&c->window_rect, point)) return c->handle;
  return parent;
}
