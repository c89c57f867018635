// The "Edit" window class of the stand-in: a single-line text field with a
// caret, a selection, a text limit (30000 characters until changed), sideways
// scrolling (ES_AUTOHSCROLL; without it the text must fit the field),
// read-only use (ES_READONLY) and the clipboard. Its notifications reach the
// parent it was made for as WM_COMMAND: EN_SETFOCUS, EN_KILLFOCUS, EN_MAXTEXT,
// and EN_UPDATE then EN_CHANGE for every change of the text, WM_SETTEXT
// included, as in Win32. ES_MULTILINE, ES_PASSWORD, ES_CENTER and ES_RIGHT are
// not offered: every field is one left-aligned line of plain text.
#include "platform/win32/controls/edit_internal.h"

namespace edit {

namespace {

LRESULT create(Edit* e, const CREATESTRUCTW* cs) {
  set_font(e, nullptr);
  if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
    e->text.set_all(cs->lpszName, static_cast<UINT>(lstrlenW(cs->lpszName)));
  return 0;
}

LRESULT set_text(Edit* e, LPCWSTR text) {
  e->text.set_all(text, text ? static_cast<UINT>(lstrlenW(text)) : 0);
  e->x_offset = 0;
  e->modified = false;
  if (!control::notify(e, EN_UPDATE)) return TRUE;
  redraw(e);
  place_caret(e);
  control::notify(e, EN_CHANGE);
  return TRUE;
}

LRESULT get_text(const Edit* e, WPARAM size, LPWSTR buffer) {
  if (!buffer || size == 0) return 0;
  size_t n = e->text.chars.size();
  if (n > size - 1) n = size - 1;
  e->text.chars.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

LRESULT get_sel(const Edit* e, DWORD* start, DWORD* end) {
  UINT a = e->text.sel_min(), b = e->text.sel_max();
  if (start) *start = a;
  if (end) *end = b;
  return (a > 0xFFFF || b > 0xFFFF) ? -1 : MAKELRESULT(a, b);
}

LRESULT set_limit(Edit* e, WPARAM limit) {
  e->text.limit = (limit == 0 || limit > kLargestLimit) ? kLargestLimit : static_cast<UINT>(limit);
  return 0;
}

LRESULT set_read_only(Edit* e, bool on) {
  DWORD style = control::style_of(e);
  SetWindowLongW(e->self, GWL_STYLE, static_cast<LONG>(on ? style | ES_READONLY : style & ~ES_READONLY));
  redraw(e);
  return TRUE;
}

LRESULT position_of(const Edit* e, WPARAM index) {
  if (index >= e->text.length()) return -1;
  return MAKELRESULT(x_of(e, static_cast<UINT>(index)), format_rect(e).top);
}

LRESULT char_at(const Edit* e, LPARAM point) {
  POINT p{static_cast<SHORT>(LOWORD(point)), static_cast<SHORT>(HIWORD(point))};
  RECT client;
  GetClientRect(e->self, &client);
  if (!PtInRect(&client, p)) return -1;
  return MAKELRESULT(index_at(e, p.x), 0);
}

LRESULT set_margins(Edit* e, WPARAM which, LPARAM lParam) {
  int font_margin = 0;
  TEXTMETRICW tm{};
  if (e->font && e->measure && GetTextMetricsW(e->measure, &tm)) font_margin = tm.tmAveCharWidth / 2;
  WORD left = LOWORD(lParam), right = HIWORD(lParam);
  if (which & EC_LEFTMARGIN) e->left_margin = left == EC_USEFONTINFO ? font_margin : left;
  if (which & EC_RIGHTMARGIN) e->right_margin = right == EC_USEFONTINFO ? font_margin : right;
  scroll_to_caret(e);
  place_caret(e);
  redraw(e);
  return 0;
}

LRESULT get_line(const Edit* e, LPWSTR buffer) {
  if (!buffer) return 0;
  WORD room = *reinterpret_cast<const WORD*>(buffer);
  size_t n = e->text.chars.size();
  if (n >= room) n = room;  // a full buffer gets no terminating zero, as in Win32
  e->text.chars.copy(buffer, n);
  if (n < room) buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

LRESULT set_sel(Edit* e, WPARAM start, LPARAM end) {
  if (e->text.set_sel(static_cast<UINT>(start), static_cast<UINT>(end))) selection_moved(e);
  return 0;
}

LRESULT handle(Edit* e, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND self = e->self;
  switch (message) {
    case WM_CREATE: return create(e, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY:
      if (e->focused) DestroyCaret();
      e->focused = false;
      return 0;
    case WM_GETDLGCODE: return DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_SETTEXT: return set_text(e, reinterpret_cast<LPCWSTR>(lParam));
    case WM_GETTEXT: return get_text(e, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.length());
    case WM_CHAR: typed(e, static_cast<WCHAR>(wParam)); return 0;
    case WM_KEYDOWN: key_down(e, wParam); return 0;
    case WM_LBUTTONDOWN: button_down(e, wParam, static_cast<SHORT>(LOWORD(lParam))); return 0;
    case WM_LBUTTONDBLCLK: double_click(e); return 0;
    case WM_MOUSEMOVE: mouse_move(e, static_cast<SHORT>(LOWORD(lParam))); return 0;
    case WM_LBUTTONUP: button_up(e); return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != self) e->tracking = false;
      return 0;
    case WM_SETFOCUS: focus_gained(e); return 0;
    case WM_KILLFOCUS: focus_lost(e); return 0;
    case WM_SETFONT:
      set_font(e, reinterpret_cast<HFONT>(wParam));
      if (e->focused) {
        DestroyCaret();
        CreateCaret(self, nullptr, 1, e->line_height);
        ShowCaret(self);
      }
      scroll_to_caret(e);
      place_caret(e);
      if (LOWORD(lParam)) redraw(e);
      return 0;
    case WM_PAINT: paint(e); return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED: redraw(e); return 0;
    case WM_SIZE:
      scroll_to_caret(e);
      place_caret(e);
      redraw(e);
      return 0;
    case WM_COPY: copy(e); return 0;
    case WM_CUT: cut(e); return 0;
    case WM_PASTE: paste(e); return 0;
    case WM_CLEAR: clear(e); return 0;
    case WM_UNDO:
    case EM_UNDO: undo(e); return TRUE;  // a single line always answers TRUE
    case EM_CANUNDO: return e->text.can_undo() ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER: e->text.forget_undo(); return 0;
    case EM_GETSEL: return get_sel(e, reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
    case EM_SETSEL: return set_sel(e, wParam, lParam);
    case EM_REPLACESEL: {
      auto text = reinterpret_cast<LPCWSTR>(lParam);
      replace_selection(e, text, text ? static_cast<UINT>(lstrlenW(text)) : 0, wParam != 0, false);
      return 0;
    }
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->text.limit);
    case EM_SETLIMITTEXT: return set_limit(e, wParam);
    case EM_SETREADONLY: return set_read_only(e, wParam != 0);
    case EM_POSFROMCHAR: return position_of(e, wParam);
    case EM_CHARFROMPOS: return char_at(e, lParam);
    case EM_GETRECT:
      if (lParam) *reinterpret_cast<RECT*>(lParam) = format_rect(e);
      return 0;
    case EM_SETMARGINS: return set_margins(e, wParam, lParam);
    case EM_GETMARGINS: return MAKELRESULT(e->left_margin, e->right_margin);
    case EM_SCROLLCARET: selection_moved(e); return TRUE;
    case EM_GETMODIFY: return e->modified ? TRUE : FALSE;
    case EM_SETMODIFY: e->modified = wParam != 0; return 0;
    case EM_GETLINECOUNT: return 1;
    case EM_LINEINDEX: return (wParam == 0 || static_cast<INT_PTR>(wParam) == -1) ? 0 : -1;
    case EM_LINELENGTH: return static_cast<LRESULT>(e->text.length());
    case EM_LINEFROMCHAR: return 0;
    case EM_GETLINE: return get_line(e, reinterpret_cast<LPWSTR>(lParam));
    case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(index_at(e, format_rect(e).left));
    default: return DefWindowProcW(self, message, wParam, lParam);
  }
}

}  // namespace

void Edit::destroyed() { release(this); }

void redraw(Edit* e) { InvalidateRect(e->self, nullptr, FALSE); }

void selection_moved(Edit* e) {
  scroll_to_caret(e);
  place_caret(e);
  redraw(e);
}

bool text_changed(Edit* e) {
  e->modified = true;
  scroll_to_caret(e);
  if (!control::notify(e, EN_UPDATE)) return false;
  redraw(e);
  place_caret(e);
  return control::notify(e, EN_CHANGE);
}

bool replace_selection(Edit* e, const WCHAR* text, UINT count, bool can_undo, bool typing) {
  std::u16string insert(text ? text : u"", text ? count : 0);
  DWORD style = control::style_of(e);
  if (!insert.empty() && (style & ES_UPPERCASE)) CharUpperW(insert.data());
  else if (!insert.empty() && (style & ES_LOWERCASE)) CharLowerW(insert.data());
  Fit fit = e->text.fit(static_cast<UINT>(insert.size()));
  if (fit.limited && !control::notify(e, EN_MAXTEXT)) return false;
  if (!e->text.replace(insert.c_str(), fit.count, can_undo, typing)) return true;
  if (!(style & ES_AUTOHSCROLL) && !fits(e)) {
    // Without sideways scrolling what would not show is taken back off the insertion.
    Text& t = e->text;
    UINT end = t.caret, kept = fit.count;
    while (kept > 0 && !fits(e)) {
      t.chars.erase(--end, 1);
      --kept;
    }
    t.anchor = t.caret = end;
    if (!control::notify(e, EN_MAXTEXT)) return false;
  }
  return text_changed(e);
}

}  // namespace edit

void user::register_edit_class() {
  control::register_class(WC_EDITW, control::procedure<edit::Edit, edit::handle>, CS_DBLCLKS, IDC_IBEAM);
}
