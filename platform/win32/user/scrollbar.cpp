// The scroll bars of a window (WS_VSCROLL, WS_HSCROLL): kept with the
// window, drawn in its frame, and turned into WM_VSCROLL / WM_HSCROLL when
// clicked. A bar that its range does not need is hidden, unless
// SIF_DISABLENOSCROLL keeps it.
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

ScrollBar* bar_of(Window* w, int bar) {
  if (bar == SB_VERT) return &w->vscroll;
  if (bar == SB_HORZ) return &w->hscroll;
  return nullptr;
}

DWORD style_of(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

int max_pos(const ScrollBar& s) {
  int top = s.max - (s.page ? static_cast<int>(s.page) - 1 : 0);
  return top < s.min ? s.min : top;
}

// The parts of a bar, in window coordinates along its length.
struct Parts {
  RECT whole{};
  int start = 0, end = 0;              // track between the arrows
  int thumb_start = 0, thumb_end = 0;  // the thumb within it
  bool vertical = true;
};

Parts parts_of(const Window* w, int bar) {
  Parts p;
  scrollbar_rects(w, bar, &p.whole);
  p.vertical = bar == SB_VERT;
  int a = p.vertical ? p.whole.top : p.whole.left, b = p.vertical ? p.whole.bottom : p.whole.right;
  int arrow = kScrollBar;
  if (b - a < 2 * arrow) arrow = (b - a) / 2;
  p.start = a + arrow;
  p.end = b - arrow;
  const ScrollBar& s = bar == SB_VERT ? w->vscroll : w->hscroll;
  int track = p.end - p.start;
  int range = s.max - s.min + 1;
  int len = s.page ? static_cast<int>(static_cast<long long>(track) * s.page / (range > 0 ? range : 1)) : kScrollBar;
  if (len < 8) len = 8;
  if (len > track) len = track;
  int span = max_pos(s) - s.min;
  int pos = (s.tracking && s.thumb) ? s.track_pos : s.pos;
  int offset = span > 0 ? static_cast<int>(static_cast<long long>(track - len) * (pos - s.min) / span) : 0;
  p.thumb_start = p.start + offset;
  p.thumb_end = p.thumb_start + len;
  return p;
}

void refresh(Window* w) {
  w->frame_dirty = true;
  RECT whole{0, 0, w->window_rect.right - w->window_rect.left, w->window_rect.bottom - w->window_rect.top};
  mark_dirty(w, whole, false);
}

void show_bar(Window* w, int bar, bool show) {
  DWORD bits = bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : style_of(bar);
  DWORD style = show ? (w->style | bits) : (w->style & ~bits);
  if (style == w->style) return;
  w->style = style;
  // The client area changes: the frame is worked out again, with WM_NCCALCSIZE and WM_SIZE.
  set_window_pos(w, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void arrow(HDC dc, RECT r, int direction) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_3DFACE));
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    // direction 0 up, 1 down, 2 left, 3 right
    if (direction < 2) {
      int y = direction == 0 ? cy - 2 + i : cy + 1 - i;
      MoveToEx(dc, cx - i, y, nullptr);
      LineTo(dc, cx + i + 1, y);
    } else {
      int x = direction == 2 ? cx - 2 + i : cx + 1 - i;
      MoveToEx(dc, x, cy - i, nullptr);
      LineTo(dc, x, cy + i + 1);
    }
  }
  SelectObject(dc, old);
}

void send_scroll(Window* w, int bar, int code, int pos) {
  send(w, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), 0);
}

}  // namespace

void scrollbar_rects(const Window* w, int bar, RECT* whole) {
  *whole = RECT{0, 0, 0, 0};
  if (!(w->style & style_of(bar))) return;
  RECT c = w->client_rect;
  OffsetRect(&c, -w->window_rect.left, -w->window_rect.top);
  if (bar == SB_VERT) *whole = RECT{c.right, c.top, c.right + kScrollBar, c.bottom};
  else *whole = RECT{c.left, c.bottom, c.right, c.bottom + kScrollBar};
}

void draw_scrollbars(Window* w, HDC dc) {
  for (int bar : {SB_VERT, SB_HORZ}) {
    Parts p = parts_of(w, bar);
    if (IsRectEmpty(&p.whole)) continue;
    const RECT& r = p.whole;
    if (p.vertical) {
      arrow(dc, RECT{r.left, r.top, r.right, p.start}, 0);
      arrow(dc, RECT{r.left, p.end, r.right, r.bottom}, 1);
      RECT track{r.left, p.start, r.right, p.end};
      FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
      RECT thumb{r.left, p.thumb_start, r.right, p.thumb_end};
      FillRect(dc, &thumb, GetSysColorBrush(COLOR_3DFACE));
      DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    } else {
      arrow(dc, RECT{r.left, r.top, p.start, r.bottom}, 2);
      arrow(dc, RECT{p.end, r.top, r.right, r.bottom}, 3);
      RECT track{p.start, r.top, p.end, r.bottom};
      FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
      RECT thumb{p.thumb_start, r.top, p.thumb_end, r.bottom};
      FillRect(dc, &thumb, GetSysColorBrush(COLOR_3DFACE));
      DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    }
  }
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT v, h;
    scrollbar_rects(w, SB_VERT, &v);
    scrollbar_rects(w, SB_HORZ, &h);
    RECT corner{v.left, h.top, v.right, h.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_3DFACE));
  }
}

LRESULT scrollbar_hit(const Window* w, POINT screen) {
  POINT o = window_origin_on_screen(w);
  POINT p{screen.x - o.x, screen.y - o.y};
  RECT r;
  scrollbar_rects(w, SB_VERT, &r);
  if (PtInRect(&r, p)) return HTVSCROLL;
  scrollbar_rects(w, SB_HORZ, &r);
  if (PtInRect(&r, p)) return HTHSCROLL;
  return HTNOWHERE;
}

bool scrollbar_mouse(Window* w, UINT message, int hit, POINT screen) {
  if (!w) return false;
  POINT o = window_origin_on_screen(w);
  for (int bar : {SB_VERT, SB_HORZ}) {
    ScrollBar& s = *bar_of(w, bar);
    Parts p = parts_of(w, bar);
    int at = bar == SB_VERT ? screen.y - o.y : screen.x - o.x;
    if ((message == WM_NCLBUTTONDOWN || message == WM_NCLBUTTONDBLCLK) &&
        hit == (bar == SB_VERT ? HTVSCROLL : HTHSCROLL)) {
      s.tracking = true;
      s.thumb = false;
      HWND h = w->handle;
      SetCapture(h);
      if (!(w = find(h))) return true;
      if (at < p.start) send_scroll(w, bar, SB_LINEUP, 0);
      else if (at >= p.end) send_scroll(w, bar, SB_LINEDOWN, 0);
      else if (at < p.thumb_start) send_scroll(w, bar, SB_PAGEUP, 0);
      else if (at >= p.thumb_end) send_scroll(w, bar, SB_PAGEDOWN, 0);
      else {
        s.thumb = true;
        s.grab = at - p.thumb_start;
        s.track_pos = s.pos;
      }
      if ((w = find(h))) refresh(w);
      return true;
    }
    if (!s.tracking) continue;
    if (message == WM_MOUSEMOVE && s.thumb) {
      int len = p.thumb_end - p.thumb_start, track = p.end - p.start - len;
      int span = max_pos(s) - s.min;
      int offset = at - s.grab - p.start;
      if (offset < 0) offset = 0;
      if (offset > track) offset = track;
      int pos = s.min + (track > 0 ? static_cast<int>((static_cast<long long>(offset) * span + track / 2) / track) : 0);
      if (pos != s.track_pos) {
        s.track_pos = pos;
        refresh(w);
        send_scroll(w, bar, SB_THUMBTRACK, pos);
      }
      return true;
    }
    if (message == WM_LBUTTONUP || message == WM_NCLBUTTONUP) {
      HWND h = w->handle;
      bool thumb = s.thumb;
      int pos = s.track_pos;
      s.tracking = s.thumb = false;
      ReleaseCapture();
      if (!(w = find(h))) return true;
      if (thumb) send_scroll(w, bar, SB_THUMBPOSITION, pos);
      if ((w = find(h))) send_scroll(w, bar, SB_ENDSCROLL, 0);
      if ((w = find(h))) refresh(w);
      return true;
    }
    return message == WM_MOUSEMOVE;
  }
  return false;
}

}  // namespace user

using namespace user;

int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw) {
  Window* w = find_or_fail(window);
  ScrollBar* s = w ? bar_of(w, bar) : nullptr;
  if (!s || !info || info->cbSize < sizeof(SCROLLINFO) - sizeof(int)) {
    if (w) SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (info->fMask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = info->nMax < info->nMin ? info->nMin : info->nMax;
  }
  if (info->fMask & SIF_PAGE) s->page = info->nPage;
  UINT range = static_cast<UINT>(s->max - s->min + 1);
  if (s->page > range) s->page = range;
  if (info->fMask & SIF_POS) s->pos = info->nPos;
  if (s->pos < s->min) s->pos = s->min;
  if (s->pos > max_pos(*s)) s->pos = max_pos(*s);
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    bool needed = s->max > s->min && (s->page == 0 || s->page < range);
    if (needed || !(info->fMask & SIF_DISABLENOSCROLL)) show_bar(w, bar, needed);
    else show_bar(w, bar, true);
    if (!(w = find(window))) return 0;
  }
  if (redraw) refresh(w);
  return s->pos;
}

BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info) {
  Window* w = find_or_fail(window);
  ScrollBar* s = w ? bar_of(w, bar) : nullptr;
  if (!s || !info) {
    if (w) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (info->fMask & SIF_RANGE) info->nMin = s->min, info->nMax = s->max;
  if (info->fMask & SIF_PAGE) info->nPage = s->page;
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->tracking && s->thumb ? s->track_pos : s->pos;
  return TRUE;
}

int SetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
  Window* w = find_or_fail(window);
  ScrollBar* s = w ? bar_of(w, bar) : nullptr;
  if (!s) return 0;
  int old = s->pos;
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(window, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND window, int bar) {
  Window* w = find_or_fail(window);
  ScrollBar* s = w ? bar_of(w, bar) : nullptr;
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int min, int max, BOOL redraw) {
  SCROLLINFO si{sizeof si, SIF_RANGE, min, max, 0, 0, 0};
  return find_or_fail(window) && SetScrollInfo(window, bar, &si, redraw) >= 0 ? TRUE : FALSE;
}

BOOL ShowScrollBar(HWND window, int bar, BOOL show) {
  Window* w = find_or_fail(window);
  if (!w || (bar != SB_VERT && bar != SB_HORZ && bar != SB_BOTH)) return FALSE;
  show_bar(w, bar, show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  if (bar == SB_VERT || bar == SB_BOTH) w->vscroll.disabled = arrows;
  if (bar == SB_HORZ || bar == SB_BOTH) w->hscroll.disabled = arrows;
  refresh(w);
  return TRUE;
}
