// What the user does to a list box: presses and drags of the left button,
// double clicks, the navigation keys, type-ahead, the wheel, the scroll bars
// and the focus. These, and only these, notify the parent: LBN_SELCHANGE
// when a user action has moved the selection (at the end of a press; in a
// multiple-selection list on every navigation key, as Win32 has it),
// LBN_DBLCLK on a double click, and LBN_SETFOCUS and LBN_KILLFOCUS, which
// Win32 sends with or without LBS_NOTIFY. Every notification may destroy the
// list: after each one the handler returns at once if it did.
#include "platform/win32/controls/listbox_internal.h"

namespace listbox {

namespace {

int clamp(int v, int low, int high) { return v < low ? low : v > high ? high : v; }

// An extended selection from the anchor to index, and nothing outside it.
bool select_span(ListBox* lb, int index) {
  int from = lb->anchor >= 0 ? lb->anchor : index;
  int first = from < index ? from : index, last = from < index ? index : from;
  bool changed = select_range(lb, 0, first - 1, false);
  changed |= select_range(lb, last + 1, lb->items.count() - 1, false);
  changed |= select_range(lb, first, last, true);
  return changed;
}

bool toggle(ListBox* lb, int index) { return select_range(lb, index, index, !is_selected(lb, index)); }

// Moves the caret to index the way the keyboard and a drag do; answers whether the selection changed.
bool move_to(ListBox* lb, int index, bool extend, bool caret_only) {
  set_caret(lb, index);
  make_visible(lb, index);
  if (!is_multi(lb)) {
    lb->anchor = index;
    return select_single(lb, index);
  }
  if (!is_extended(lb) || caret_only) return false;
  if (!extend) lb->anchor = index;
  return select_span(lb, index);
}

bool shift_down() { return GetKeyState(VK_SHIFT) < 0; }
bool control_down() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

LRESULT on_focus(ListBox* lb, bool gained) {
  if (gained) {
    lb->focused = true;
    invalidate_item(lb, lb->caret);
    control::notify(lb, LBN_SETFOCUS);
    return 0;
  }
  end_press(lb);
  if (lb->dead) return 0;
  lb->focused = false;
  lb->wheel_remain = 0;
  invalidate_item(lb, lb->caret);
  control::notify(lb, LBN_KILLFOCUS);
  return 0;
}

LRESULT on_button_down(ListBox* lb, UINT message, WPARAM keys, int, int y) {
  HWND self = lb->self;
  if (!lb->focused) {
    SetFocus(self);
    if (lb->dead) return 0;
  }
  int index = item_at(lb, y);
  if (index >= 0) {
    SetCapture(self);
    lb->tracking = true;
    bool changed;
    if (!is_multi(lb)) {
      changed = move_to(lb, index, false, false);
    } else if (is_extended(lb) && (keys & MK_CONTROL)) {
      if (!(keys & MK_SHIFT)) lb->anchor = index;
      set_caret(lb, index);
      changed = toggle(lb, index);
    } else if (is_extended(lb)) {
      changed = move_to(lb, index, (keys & MK_SHIFT) != 0, false);
    } else {
      lb->anchor = index;
      set_caret(lb, index);
      changed = toggle(lb, index);
    }
    lb->press_changed |= changed;
  }
  if (message == WM_LBUTTONDBLCLK) notify_user(lb, LBN_DBLCLK);
  return 0;
}

LRESULT on_mouse_move(ListBox* lb, int, int y) {
  if (!lb->tracking || GetCapture() != lb->self) return 0;
  int n = lb->items.count();
  if (n == 0) return 0;
  // Above or below the list the selection steps on by one line, scrolling the list.
  int index;
  if (y < 0) index = lb->top > 0 ? lb->top - 1 : 0;
  else if (y >= lb->height) index = clamp(lb->top + page_size(lb), 0, n - 1);
  else if ((index = item_at(lb, y)) < 0) index = n - 1;
  if (index == lb->caret) return 0;
  bool multiple_only = is_multi(lb) && !is_extended(lb);
  lb->press_changed |= move_to(lb, index, true, multiple_only);
  return 0;
}

LRESULT end_press(ListBox* lb) {
  if (!lb->tracking) return 0;
  lb->tracking = false;
  bool changed = lb->press_changed;
  lb->press_changed = false;
  if (GetCapture() == lb->self) ReleaseCapture();  // its WM_CAPTURECHANGED finds the press ended
  if (changed) notify_user(lb, LBN_SELCHANGE);
  return 0;
}

LRESULT on_key_down(ListBox* lb, WPARAM key) {
  int n = lb->items.count();
  if (n == 0) return 0;
  int caret = clamp(lb->caret, 0, n - 1);
  int step = page_size(lb) > 1 ? page_size(lb) - 1 : 1;
  int target;
  switch (key) {
    case VK_UP:
    case VK_LEFT: target = caret - 1; break;
    case VK_DOWN:
    case VK_RIGHT: target = caret + 1; break;
    case VK_PRIOR: target = caret - step; break;
    case VK_NEXT: target = caret + step; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = n - 1; break;
    case VK_SPACE:
      if (!is_multi(lb)) return 0;
      if (is_extended(lb) && !control_down()) {
        lb->anchor = caret;
        if (select_span(lb, caret)) notify_user(lb, LBN_SELCHANGE);
      } else if (toggle(lb, caret)) {
        notify_user(lb, LBN_SELCHANGE);
      }
      return 0;
    default: return 0;
  }
  // A single-selection list without the caret's line selected takes that line first.
  if (!is_multi(lb) && lb->selected != caret && key != VK_HOME && key != VK_END) target = caret;
  target = clamp(target, 0, n - 1);
  bool extend = is_extended(lb) && shift_down();
  bool caret_only = is_multi(lb) && (!is_extended(lb) || (control_down() && !extend));
  bool changed = move_to(lb, target, extend, caret_only);
  if (changed || is_multi(lb)) notify_user(lb, LBN_SELCHANGE);
  return 0;
}

LRESULT on_char(ListBox* lb, WCHAR c) {
  if (c < 0x20 || lb->items.count() == 0) return 0;
  WCHAR prefix[1] = {c};
  int index = lb->items.find(lb->caret, prefix, 1, false);
  if (index < 0) return 0;
  bool changed = move_to(lb, index, false, is_multi(lb) && !is_extended(lb));
  if (changed || is_multi(lb)) notify_user(lb, LBN_SELCHANGE);
  return 0;
}

LRESULT on_wheel(ListBox* lb, int delta) {
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  // Turning the other way drops what was left over from before.
  if ((delta < 0) == (lb->wheel_remain < 0) || lb->wheel_remain == 0) lb->wheel_remain += delta;
  else lb->wheel_remain = delta;
  int page = page_size(lb);
  int per_notch = lines > static_cast<UINT>(page) ? page : static_cast<int>(lines);
  if (per_notch <= 0) return 0;
  int count = per_notch * lb->wheel_remain / WHEEL_DELTA;
  lb->wheel_remain -= WHEEL_DELTA * count / per_notch;
  if (count) set_top(lb, lb->top - count);
  return 0;
}

namespace {

// The thumb's position at full width: a scroll message carries only 16 bits of it.
int thumb_pos(ListBox* lb, int bar, int request, int pos) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  if (!GetScrollInfo(lb->self, bar, &si)) return pos;
  if (request == SB_THUMBTRACK || (si.nTrackPos & 0xFFFF) == pos) return si.nTrackPos;
  return pos;
}

}  // namespace

LRESULT on_vscroll(ListBox* lb, int request, int pos) {
  int page = page_size(lb);
  switch (request) {
    case SB_LINEUP: set_top(lb, lb->top - 1); break;
    case SB_LINEDOWN: set_top(lb, lb->top + 1); break;
    case SB_PAGEUP: set_top(lb, lb->top - page); break;
    case SB_PAGEDOWN: set_top(lb, lb->top + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: set_top(lb, thumb_pos(lb, SB_VERT, request, pos)); break;
    case SB_TOP: set_top(lb, 0); break;
    case SB_BOTTOM: set_top(lb, lb->items.count()); break;
    default: break;
  }
  return 0;
}

LRESULT on_hscroll(ListBox* lb, int request, int pos) {
  if (lb->horz_extent <= 0) return 0;
  switch (request) {
    case SB_LINELEFT: set_horizontal_pos(lb, lb->horz_pos - lb->char_width); break;
    case SB_LINERIGHT: set_horizontal_pos(lb, lb->horz_pos + lb->char_width); break;
    case SB_PAGELEFT: set_horizontal_pos(lb, lb->horz_pos - lb->width); break;
    case SB_PAGERIGHT: set_horizontal_pos(lb, lb->horz_pos + lb->width); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: set_horizontal_pos(lb, thumb_pos(lb, SB_HORZ, request, pos)); break;
    case SB_LEFT: set_horizontal_pos(lb, 0); break;
    case SB_RIGHT: set_horizontal_pos(lb, lb->horz_extent); break;
    default: break;
  }
  return 0;
}

}  // namespace listbox
