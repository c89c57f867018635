// What a list box shows: the first line, the page, the horizontal offset,
// the scroll bars that mirror them, line rectangles, and the selection with
// the repainting each change needs. Only lines on screen are ever touched.
#include "platform/win32/controls/listbox_internal.h"

namespace listbox {

namespace {

int max_top(const ListBox* lb) {
  int m = lb->items.count() - page_size(lb);
  return m > 0 ? m : 0;
}

int clamp(int v, int low, int high) { return v < low ? low : v > high ? high : v; }

}  // namespace

int page_size(const ListBox* lb) {
  int page = lb->item_height > 0 ? lb->height / lb->item_height : 1;
  return page > 0 ? page : 1;
}

void update_scroll(ListBox* lb, bool lines_only) {
  if (!lb->redraw) return;
  UINT keep = (lb->style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0;
  if (lb->style & WS_VSCROLL) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
    si.nMin = 0;
    si.nMax = lb->items.count() > 0 ? lb->items.count() - 1 : 0;
    si.nPage = static_cast<UINT>(page_size(lb));
    si.nPos = lb->top;
    SetScrollInfo(lb->self, SB_VERT, &si, TRUE);
  }
  if ((lb->style & WS_HSCROLL) && !lines_only) {
    if (lb->horz_extent > 0 || keep) {
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | keep;
      si.nMin = 0;
      si.nMax = lb->horz_extent > 0 ? lb->horz_extent - 1 : 0;
      si.nPage = static_cast<UINT>(lb->width > 0 ? lb->width : 0);
      si.nPos = lb->horz_pos;
      SetScrollInfo(lb->self, SB_HORZ, &si, TRUE);
    } else {
      ShowScrollBar(lb->self, SB_HORZ, FALSE);
    }
  }
}

void set_top(ListBox* lb, int top) {
  top = clamp(top, 0, max_top(lb));
  if (top == lb->top) return;
  lb->top = top;
  invalidate_all(lb);
  update_scroll(lb);
}

void make_visible(ListBox* lb, int index) {
  if (index < 0 || index >= lb->items.count()) return;
  if (index < lb->top) set_top(lb, index);
  else if (index >= lb->top + page_size(lb)) set_top(lb, index - page_size(lb) + 1);
}

void set_horizontal_pos(ListBox* lb, int pos) {
  int most = lb->horz_extent - lb->width;
  pos = clamp(pos, 0, most > 0 ? most : 0);
  if (pos == lb->horz_pos) return;
  lb->horz_pos = pos;
  update_scroll(lb);
  invalidate_all(lb);
}

void set_horizontal_extent(ListBox* lb, int extent) {
  if (extent < 0) extent = 0;
  if (extent == lb->horz_extent) return;
  lb->horz_extent = extent;
  update_scroll(lb);
  set_horizontal_pos(lb, lb->horz_pos);
}

void update_size(ListBox* lb) {
  RECT client;
  GetClientRect(lb->self, &client);
  lb->width = client.right - client.left;
  lb->height = client.bottom - client.top;
  if (!(lb->style & LBS_NOINTEGRALHEIGHT) && lb->item_height > 0 && lb->height > lb->item_height &&
      lb->height % lb->item_height) {
    // The control shows whole lines only: it trims itself, and the WM_SIZE that follows comes back here.
    RECT outer;
    GetWindowRect(lb->self, &outer);
    SetWindowPos(lb->self, nullptr, 0, 0, outer.right - outer.left,
                 outer.bottom - outer.top - lb->height % lb->item_height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    return;
  }
  int top = clamp(lb->top, 0, max_top(lb));
  if (top != lb->top) {
    lb->top = top;
    invalidate_all(lb);
  }
  set_horizontal_pos(lb, lb->horz_pos);
  update_scroll(lb);
}

void set_item_height(ListBox* lb, int height) {
  if (height < 1) height = 1;
  if (height == lb->item_height) return;
  lb->item_height = height;
  int top = clamp(lb->top, 0, max_top(lb));
  lb->top = top;
  update_scroll(lb);
  invalidate_all(lb);
}

void set_font(ListBox* lb, HFONT font) {
  lb->font = font;
  HDC dc = GetDC(lb->self);
  if (!dc) return;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc, &tm)) {
    lb->char_width = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 1;
    if (old) SelectObject(dc, old);
    ReleaseDC(lb->self, dc);
    set_item_height(lb, tm.tmHeight);
    return;
  }
  if (old) SelectObject(dc, old);
  ReleaseDC(lb->self, dc);
}

bool item_rect(const ListBox* lb, int index, RECT* rect) {
  // A line far off screen gets a far, but representable, place: a million lines reach past 32 bits of pixels.
  constexpr long long kFar = 0x4000000;
  long long y = static_cast<long long>(index - lb->top) * lb->item_height;
  if (y < -kFar) y = -kFar;
  if (y > kFar) y = kFar;
  rect->left = 0;
  rect->right = lb->width;
  rect->top = static_cast<LONG>(y);
  rect->bottom = rect->top + lb->item_height;
  return y < lb->height && y + lb->item_height > 0;
}

int item_at(const ListBox* lb, int y) {
  int n = lb->items.count();
  if (n == 0) return -1;
  int rows = y >= 0 ? y / lb->item_height : -((-y + lb->item_height - 1) / lb->item_height);
  long long index = static_cast<long long>(lb->top) + rows;
  if (index < 0) return 0;
  if (index >= n) return -1;
  return static_cast<int>(index);
}

void invalidate_item(ListBox* lb, int index) {
  RECT r;
  if (lb->redraw && item_rect(lb, index, &r)) InvalidateRect(lb->self, &r, TRUE);
}

void invalidate_from(ListBox* lb, int index) {
  if (!lb->redraw) return;
  if (index < lb->top) index = lb->top;
  RECT r;
  item_rect(lb, index, &r);
  if (r.top >= lb->height) return;
  r.bottom = lb->height;
  InvalidateRect(lb->self, &r, TRUE);
}

void invalidate_all(ListBox* lb) {
  if (lb->redraw) InvalidateRect(lb->self, nullptr, TRUE);
}

bool is_selected(const ListBox* lb, int index) {
  if (index < 0 || index >= lb->items.count()) return false;
  return is_multi(lb) ? lb->items.selected(index) : index == lb->selected;
}

bool select_single(ListBox* lb, int index) {
  if (index == lb->selected) return false;
  invalidate_item(lb, lb->selected);
  lb->selected = index;
  invalidate_item(lb, index);
  return true;
}

bool select_range(ListBox* lb, int first, int last, bool on) {
  int n = lb->items.count();
  if (first < 0) first = 0;
  if (last >= n) last = n - 1;
  bool changed = false;
  for (int i = first; i <= last; ++i) {
    if (lb->items.selected(i) == on) continue;
    lb->items.set_selected(i, on);
    invalidate_item(lb, i);
    changed = true;
  }
  return changed;
}

void set_caret(ListBox* lb, int index) {
  if (index == lb->caret) return;
  if (lb->focused) invalidate_item(lb, lb->caret);
  lb->caret = index;
  if (lb->focused) invalidate_item(lb, index);
}

}  // namespace listbox
