// What the user does to an edit control: keys and typed characters, the
// mouse, the focus, and the clipboard's cut, copy and paste. A read-only
// control lets the user move, select and copy, and refuses every change.
#include "platform/win32/controls/edit_internal.h"

namespace edit {

namespace {

bool down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool read_only(const Edit* e) { return (GetWindowLongW(e->self, GWL_STYLE) & ES_READONLY) != 0; }

// Backspace takes one character back, a surrogate pair whole; of a letter with its marks,
// the last mark, so that a mistyped mark can be typed again.
UINT code_point_before(const std::u16string& s, UINT pos) {
  if (pos == 0) return 0;
  bool pair = pos >= 2 && s[pos - 1] >= 0xDC00 && s[pos - 1] < 0xE000 && s[pos - 2] >= 0xD800 && s[pos - 2] < 0xDC00;
  return pair ? pos - 2 : pos - 1;
}

void move_caret(Edit* e, UINT pos, bool extend) {
  e->text.move(pos, extend);
  selection_moved(e);
}

// Deletes from the caret to pos (Backspace, Delete), or the selection when there is one.
bool delete_to(Edit* e, UINT pos) {
  Text& t = e->text;
  if (!t.has_selection()) {
    if (pos == t.caret) return true;
    t.set_sel(t.caret, pos);
  }
  return clear(e);
}

}  // namespace

void copy(Edit* e) {
  const Text& t = e->text;
  if (!t.has_selection()) return;
  UINT a = t.sel_min(), n = t.sel_max() - a;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(n) + 1) * sizeof(WCHAR));
  if (!block) return;
  auto* p = static_cast<WCHAR*>(GlobalLock(block));
  t.chars.copy(p, n, a);
  p[n] = 0;
  GlobalUnlock(block);
  if (!OpenClipboard(e->self)) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  CloseClipboard();
}

bool clear(Edit* e) {
  if (read_only(e) || !e->text.has_selection()) return true;
  return replace_selection(e, nullptr, 0, true, false);
}

bool cut(Edit* e) {
  copy(e);
  return clear(e);
}

bool paste(Edit* e) {
  if (read_only(e) || !OpenClipboard(e->self)) return true;
  std::u16string text;
  bool found = false;
  if (HGLOBAL block = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const WCHAR*>(GlobalLock(block))) {
      // Only what the block holds is read, whether or not it ends with a zero.
      size_t max = GlobalSize(block) / sizeof(WCHAR), n = 0;
      while (n < max && p[n]) ++n;
      text.assign(p, n);
      found = true;
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  if (!found) return true;
  UINT count = first_line(text.c_str(), static_cast<UINT>(text.size()));
  return replace_selection(e, text.c_str(), count, true, false);
}

bool undo(Edit* e) {
  if (read_only(e) || !e->text.undo()) return true;
  return text_changed(e);
}

void key_down(Edit* e, WPARAM key) {
  if (down(VK_MENU)) return;
  bool shift = down(VK_SHIFT), control = down(VK_CONTROL);
  Text& t = e->text;
  switch (key) {
    // A single line has no lines above or below: Up and Down move as Left and Right do. Both
    // go through the text in its stored order, a whole character at a time, whatever the
    // direction it is drawn in.
    case VK_LEFT:
    case VK_UP: move_caret(e, control ? word_left(t.chars, t.caret) : next_stop(e, t.caret, false), shift); break;
    case VK_RIGHT:
    case VK_DOWN: move_caret(e, control ? word_right(t.chars, t.caret) : next_stop(e, t.caret, true), shift); break;
    case VK_HOME: move_caret(e, 0, shift); break;
    case VK_END: move_caret(e, t.length(), shift); break;
    case VK_DELETE:
      if (read_only(e) || (shift && control)) break;
      if (t.has_selection()) {
        if (shift) cut(e);
        else clear(e);
      } else if (shift) {
        delete_to(e, code_point_before(t.chars, t.caret));
      } else {
        delete_to(e, control ? t.length() : next_stop(e, t.caret, true));
      }
      break;
    case VK_INSERT:
      if (shift) paste(e);
      else if (control) copy(e);
      break;
    case 'A':
      if (control && t.set_sel(0, t.length())) selection_moved(e);
      break;
    default: break;
  }
}

void typed(Edit* e, WCHAR c) {
  Text& t = e->text;
  switch (c) {
    case 0x08:  // Backspace
      if (!read_only(e) && !down(VK_CONTROL)) delete_to(e, code_point_before(t.chars, t.caret));
      break;
    case 0x03: SendMessageW(e->self, WM_COPY, 0, 0); break;  // Ctrl+C
    case 0x16:                                               // Ctrl+V
      if (!read_only(e)) SendMessageW(e->self, WM_PASTE, 0, 0);
      break;
    case 0x18:  // Ctrl+X
      if (!read_only(e)) SendMessageW(e->self, WM_CUT, 0, 0);
      break;
    case 0x1A:  // Ctrl+Z
      if (!read_only(e)) SendMessageW(e->self, WM_UNDO, 0, 0);
      break;
    default:
      if ((GetWindowLongW(e->self, GWL_STYLE) & ES_NUMBER) && !(c >= u'0' && c <= u'9')) break;
      // Control characters (Return, Tab, Escape, ...) type nothing into a single line.
      if (!read_only(e) && c >= u' ' && c != 0x7F) replace_selection(e, &c, 1, true, true);
      break;
  }
}

void button_down(Edit* e, WPARAM keys, int x) {
  e->tracking = true;
  SetCapture(e->self);
  if (e->dead) return;
  move_caret(e, index_at(e, x), (keys & MK_SHIFT) != 0);
  if (!e->focused) SetFocus(e->self);
}

void double_click(Edit* e) {
  e->tracking = true;
  SetCapture(e->self);
  if (e->dead) return;
  UINT start, end;
  word_at(e->text.chars, e->text.caret, &start, &end);
  e->text.set_sel(start, end);
  selection_moved(e);
}

void mouse_move(Edit* e, int x) {
  // Only a press that began here drags a selection, and only while the capture stays here.
  if (!e->tracking || GetCapture() != e->self) return;
  UINT pos = index_at(e, x);
  if (pos != e->text.caret) move_caret(e, pos, true);
}

void button_up(Edit* e) {
  if (!e->tracking) return;
  e->tracking = false;
  if (GetCapture() == e->self) ReleaseCapture();
}

void focus_gained(Edit* e) {
  e->focused = true;
  CreateCaret(e->self, nullptr, 1, e->line_height);
  place_caret(e);
  ShowCaret(e->self);
  redraw(e);
  control::notify(e, EN_SETFOCUS);
}

void focus_lost(Edit* e) {
  e->focused = false;
  DestroyCaret();
  redraw(e);
  control::notify(e, EN_KILLFOCUS);
}

}  // namespace edit
