// The "ListBox" message handler (on control::procedure) and the program's LB_ messages. The
// program's own messages never notify the parent; only what the user does
// (listbox_input.cpp) raises LBN_SELCHANGE and LBN_DBLCLK. Errors answer as
// Win32 does: LB_ERR (with ERROR_INVALID_INDEX for a bad index) or
// LB_ERRSPACE when memory runs out.
#include "platform/win32/controls/listbox_internal.h"

namespace listbox {

namespace {

LRESULT bad_index() {
  SetLastError(ERROR_INVALID_INDEX);
  return LB_ERR;
}

bool valid(const ListBox* lb, int index) { return index >= 0 && index < lb->items.count(); }

LRESULT insert_line(ListBox* lb, int index, LPCWSTR text) {
  int n = lb->items.count();
  if (index == -1) index = n;
  if (index < 0 || index > n) return bad_index();
  if (!lb->items.insert(index, text ? text : TEXT(""), text ? static_cast<size_t>(lstrlenW(text)) : 0)) {
    control::notify(lb, static_cast<WORD>(LBN_ERRSPACE));
    return LB_ERRSPACE;
  }
  // Selection, caret and anchor stay on the lines they were on.
  if (n > 0) {
    if (!is_multi(lb) && lb->selected >= index) ++lb->selected;
    if (lb->caret >= index) ++lb->caret;
    if (lb->anchor >= index) ++lb->anchor;
  }
  update_scroll(lb, true);
  invalidate_from(lb, index);
  return index;
}

void reset(ListBox* lb) {
  lb->items.clear();
  lb->selected = -1;
  lb->caret = 0;
  lb->anchor = -1;
  lb->top = 0;
  update_scroll(lb);
  invalidate_all(lb);
}

LRESULT delete_line(ListBox* lb, int index) {
  if (!valid(lb, index)) return bad_index();
  invalidate_from(lb, index);
  if (lb->items.count() == 1) {
    reset(lb);
    return 0;
  }
  lb->items.erase(index);
  int n = lb->items.count();
  if (lb->selected == index) lb->selected = -1;
  else if (lb->selected > index) --lb->selected;
  if (lb->caret > index) --lb->caret;
  if (lb->caret >= n) lb->caret = n - 1;
  if (lb->anchor > index || lb->anchor >= n) --lb->anchor;
  set_top(lb, lb->top);  // the end may have come closer
  update_scroll(lb);
  return n;
}

LRESULT get_text(const ListBox* lb, int index, LPWSTR buffer) {
  if (!valid(lb, index)) return bad_index();
  const uint32_t length = lb->items.length(index);
  if (buffer) buffer[lb->items.read(index, buffer, length)] = 0;
  return static_cast<LRESULT>(length);
}

LRESULT find(const ListBox* lb, int start, LPCWSTR text, bool exact) {
  if (!text) return LB_ERR;
  return lb->items.find(start, text, static_cast<size_t>(lstrlenW(text)), exact);
}

LRESULT set_cur_sel(ListBox* lb, int index) {
  if (is_multi(lb)) return LB_ERR;
  if (index < -1 || index >= lb->items.count()) return LB_ERR;
  select_single(lb, index);
  if (index == -1) return LB_ERR;  // as Win32 answers a cleared selection
  set_caret(lb, index);
  make_visible(lb, index);
  return index;
}

LRESULT set_sel(ListBox* lb, bool on, int index) {
  if (index < -1 || index >= lb->items.count()) return LB_ERR;
  if (!is_multi(lb)) {
    // Meant for multiple selection; a single-selection list takes it as selecting or clearing that line.
    if (on && index >= 0) set_cur_sel(lb, index);
    else if (!on && (index == -1 || index == lb->selected)) select_single(lb, -1);
    return LB_OKAY;
  }
  if (index == -1) {
    select_range(lb, 0, lb->items.count() - 1, on);
    return LB_OKAY;
  }
  select_range(lb, index, index, on);
  if (on) {
    lb->anchor = index;
    set_caret(lb, index);
    make_visible(lb, index);
  }
  return LB_OKAY;
}

LRESULT get_sel_items(const ListBox* lb, int max, int* out) {
  if (!is_multi(lb)) return LB_ERR;
  if (max > 0 && !out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return LB_ERR;
  }
  int found = 0;
  for (int i = 0, n = lb->items.count(); i < n && found < max; ++i)
    if (lb->items.selected(i)) out[found++] = i;
  return found;
}

LRESULT get_sel_count(const ListBox* lb) {
  if (!is_multi(lb)) return LB_ERR;
  int found = 0;
  for (int i = 0, n = lb->items.count(); i < n; ++i) found += lb->items.selected(i) ? 1 : 0;
  return found;
}

LRESULT select_string(ListBox* lb, int start, LPCWSTR text) {
  if (is_multi(lb)) return LB_ERR;
  LRESULT index = find(lb, start, text, false);
  if (index >= 0) set_cur_sel(lb, static_cast<int>(index));
  return index;
}

LRESULT item_from_point(const ListBox* lb, LPARAM point) {
  if (lb->items.count() == 0) return 0x1FFFF;
  int x = static_cast<short>(LOWORD(point)), y = static_cast<short>(HIWORD(point));
  // The high word tells whether the point lies on the line named: 0 on it, 1 beside or past it.
  bool inside = x >= 0 && x < lb->width && y >= 0 && y < lb->height;
  if (y < 0) y = 0;
  if (y >= lb->height) y = lb->height > 0 ? lb->height - 1 : 0;
  int index = item_at(lb, y);
  if (index < 0) {
    index = lb->items.count() - 1;
    inside = false;
  }
  return MAKELONG(static_cast<WORD>(index), inside ? 0 : 1);
}

LRESULT get_item_rect(const ListBox* lb, int index, RECT* rect) {
  if (!rect) return LB_ERR;
  if (index != 0 && !valid(lb, index)) {
    SetRectEmpty(rect);
    return bad_index();
  }
  item_rect(lb, index, rect);
  return 1;
}

LRESULT set_caret_index(ListBox* lb, int index, bool partly) {
  if (!valid(lb, index)) return LB_ERR;
  set_caret(lb, index);
  if (!partly || index < lb->top || index > lb->top + page_size(lb)) make_visible(lb, index);
  return LB_OKAY;
}

LRESULT on_create(ListBox* lb, const CREATESTRUCTW* cs) {
  lb->style = cs->style;
  set_font(lb, nullptr);
  update_size(lb);
  return 0;
}

LRESULT on_paint(ListBox* lb, HDC given) {
  HWND self = lb->self;
  if (given) {
    RECT all{0, 0, lb->width, lb->height};
    paint(lb, given, all);
    return 0;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(self, &ps);
  if (dc) paint(lb, dc, ps.rcPaint);
  EndPaint(self, &ps);
  return 0;
}

LRESULT list_messages(ListBox* lb, UINT message, WPARAM wParam, LPARAM lParam) {
  int index = static_cast<int>(wParam);
  switch (message) {
    case LB_ADDSTRING: {
      auto text = reinterpret_cast<LPCWSTR>(lParam);
      int at = lb->items.count();
      if (lb->style & LBS_SORT)
        at = lb->items.sorted_position(text ? text : TEXT(""), text ? static_cast<size_t>(lstrlenW(text)) : 0);
      return insert_line(lb, at, text);
    }
    case LB_INSERTSTRING: return insert_line(lb, index, reinterpret_cast<LPCWSTR>(lParam));
    case LB_DELETESTRING: return delete_line(lb, index);
    case LB_RESETCONTENT: reset(lb); return 0;
    case LB_GETCOUNT: return lb->items.count();
    case LB_GETTEXT: return get_text(lb, index, reinterpret_cast<LPWSTR>(lParam));
    case LB_GETTEXTLEN: return valid(lb, index) ? static_cast<LRESULT>(lb->items.length(index)) : bad_index();
    case LB_FINDSTRING: return find(lb, index, reinterpret_cast<LPCWSTR>(lParam), false);
    case LB_FINDSTRINGEXACT: return find(lb, index, reinterpret_cast<LPCWSTR>(lParam), true);
    case LB_SELECTSTRING: return select_string(lb, index, reinterpret_cast<LPCWSTR>(lParam));
    case LB_GETCURSEL:
      if (lb->items.count() == 0) return LB_ERR;
      return is_multi(lb) ? lb->caret : lb->selected;
    case LB_SETCURSEL: return set_cur_sel(lb, index);
    case LB_GETSEL: return valid(lb, index) ? (is_selected(lb, index) ? 1 : 0) : LB_ERR;
    case LB_SETSEL: return set_sel(lb, wParam != 0, static_cast<int>(lParam));
    case LB_GETSELCOUNT: return get_sel_count(lb);
    case LB_GETSELITEMS: return get_sel_items(lb, index, reinterpret_cast<int*>(lParam));
    case LB_SELITEMRANGEEX: {
      if (!is_multi(lb)) return LB_ERR;
      int last = static_cast<int>(lParam);
      if (last >= index) select_range(lb, index, last, true);
      else select_range(lb, last, index, false);
      return LB_OKAY;
    }
    case LB_SELITEMRANGE: {
      if (!is_multi(lb)) return LB_ERR;
      int a = LOWORD(lParam), b = HIWORD(lParam);
      select_range(lb, a < b ? a : b, a < b ? b : a, wParam != 0);
      return LB_OKAY;
    }
    case LB_GETITEMDATA: return valid(lb, index) ? static_cast<LRESULT>(lb->items.data(index)) : bad_index();
    case LB_SETITEMDATA:
      if (!valid(lb, index)) return bad_index();
      if (!lb->items.set_data(index, static_cast<ULONG_PTR>(lParam))) return LB_ERRSPACE;
      return TRUE;
    case LB_GETTOPINDEX: return lb->top;
    case LB_SETTOPINDEX: set_top(lb, index); return LB_OKAY;
    case LB_GETITEMHEIGHT: return lb->item_height;
    case LB_SETITEMHEIGHT:
      if (lParam < 0 || lParam > 0x7FFF) return LB_ERR;
      set_item_height(lb, static_cast<int>(lParam));
      return LB_OKAY;
    case LB_GETITEMRECT: return get_item_rect(lb, index, reinterpret_cast<RECT*>(lParam));
    case LB_ITEMFROMPOINT: return item_from_point(lb, lParam);
    case LB_GETCARETINDEX: return lb->caret;
    case LB_SETCARETINDEX: return set_caret_index(lb, index, lParam != 0);
    case LB_GETANCHORINDEX: return lb->anchor;
    case LB_SETANCHORINDEX:
      if (index < -1 || index >= lb->items.count()) return bad_index();
      lb->anchor = index;
      return LB_OKAY;
    case LB_GETHORIZONTALEXTENT: return lb->horz_extent;
    case LB_SETHORIZONTALEXTENT: set_horizontal_extent(lb, index); return LB_OKAY;
    case LB_INITSTORAGE:
      if (!lb->items.reserve(wParam, static_cast<size_t>(lParam) / sizeof(WCHAR))) return LB_ERRSPACE;
      return static_cast<LRESULT>(lb->items.capacity());
    default: return LB_ERR;  // LB_DIR, LB_SETCOUNT and the like: nothing this list offers
  }
}

LRESULT handle(ListBox* lb, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= LB_ADDSTRING && message <= LB_ITEMFROMPOINT) return list_messages(lb, message, wParam, lParam);
  auto x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_CREATE: return on_create(lb, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_PAINT:
    case WM_PRINTCLIENT: return on_paint(lb, message == WM_PRINTCLIENT ? reinterpret_cast<HDC>(wParam) : nullptr);
    case WM_SIZE: update_size(lb); return 0;
    case WM_SETFONT:
      set_font(lb, reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) invalidate_all(lb);
      return 0;
    case WM_SETFOCUS: return on_focus(lb, true);
    case WM_KILLFOCUS: return on_focus(lb, false);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return on_button_down(lb, message, wParam, x, y);
    case WM_MOUSEMOVE: return on_mouse_move(lb, x, y);
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: return end_press(lb);
    case WM_KEYDOWN: return on_key_down(lb, wParam);
    case WM_CHAR: return on_char(lb, static_cast<WCHAR>(wParam));
    case WM_MOUSEWHEEL:
      if (LOWORD(wParam) & (MK_SHIFT | MK_CONTROL)) break;
      return on_wheel(lb, GET_WHEEL_DELTA_WPARAM(wParam));
    case WM_VSCROLL: return on_vscroll(lb, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL: return on_hscroll(lb, LOWORD(wParam), HIWORD(wParam));
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: invalidate_all(lb); return 0;
    case WM_SETREDRAW:
      lb->redraw = wParam != 0;
      // Drawing held off for a run of changes, which is over now.
      if (lb->redraw) lb->items.release_spare();
      update_scroll(lb);
      invalidate_all(lb);
      return 0;
    default: break;
  }
  return DefWindowProcW(lb->self, message, wParam, lParam);
}

}  // namespace

bool notify_user(ListBox* lb, WORD code) { return !(lb->style & LBS_NOTIFY) || control::notify(lb, code); }

}  // namespace listbox

void user::register_listbox_class() {
  control::register_class(WC_LISTBOXW, control::procedure<listbox::ListBox, listbox::handle>, CS_DBLCLKS | CS_PARENTDC,
                          IDC_ARROW);
}
