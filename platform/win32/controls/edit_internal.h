// The single-line "Edit" control of the stand-in, shared by its files:
// edit.cpp (the message handler on control::procedure, notifications, keys,
// mouse, clipboard), edit_text.cpp (the text, the selection and the undo step,
// with no window involved) and edit_paint.cpp (measuring, scrolling, the
// caret's place, painting).
#pragma once

#include <string>

#include "platform/win32/controls/control.h"

namespace edit {

constexpr UINT kDefaultLimit = 30000;
constexpr UINT kLargestLimit = 0x7FFFFFFE;

// How much of an insertion the text limit lets in.
struct Fit {
  UINT count;
  bool limited;  // some or all of it was refused
};

// The text and its selection: anchor is where the selection started, caret
// where it grows (and where the caret is drawn); anchor may lie after caret.
struct Text {
  std::u16string chars;
  UINT anchor = 0, caret = 0;
  UINT limit = kDefaultLimit;

  UINT length() const { return static_cast<UINT>(chars.size()); }
  UINT sel_min() const { return anchor < caret ? anchor : caret; }
  UINT sel_max() const { return anchor < caret ? caret : anchor; }
  bool has_selection() const { return anchor != caret; }

  // EM_SETSEL's rules: a start of -1 takes the selection away (at the caret);
  // positions past the end (or negative, read as unsigned) mean the end.
  // Answers whether anything changed.
  bool set_sel(UINT start, UINT end);
  void move(UINT pos, bool extend);  // the caret to pos; without extend the selection goes
  Fit fit(UINT count) const;         // an insertion of count characters over the selection
  // Replaces the selection with count characters; the caret ends after them.
  // A typed character right after the previous one joins its undo step.
  // Answers whether the text changed.
  bool replace(const WCHAR* text, UINT count, bool can_undo, bool typing);
  void set_all(const WCHAR* text, UINT count);  // WM_SETTEXT: no limit, caret at 0, no undo
  bool undo();                                  // swaps text and selection with the undo step; false when there is none
  bool can_undo() const { return undo_valid; }
  void forget_undo() {
    undo_valid = false;
    typing_end = kNoTyping;
  }

 private:
  static constexpr UINT kNoTyping = 0xFFFFFFFFu;
  std::u16string undo_chars;
  UINT undo_anchor = 0, undo_caret = 0;
  bool undo_valid = false;
  UINT typing_end = kNoTyping;  // where the last typed character ended
};

// Words are runs of characters other than blanks.
UINT word_left(const std::u16string& s, UINT pos);   // Ctrl+Left: the start of this or the previous word
UINT word_right(const std::u16string& s, UINT pos);  // Ctrl+Right: the start of the next word
// A double click at pos: the word there with the blanks after it, or a run of blanks.
void word_at(const std::u16string& s, UINT pos, UINT* start, UINT* end);
// What a single-line field takes of pasted text: up to its first line break.
UINT first_line(const WCHAR* text, UINT count);

struct Edit : control::State {
  Text text;
  HDC measure = nullptr;  // a memory context with the font, for measuring
  int line_height = 16;
  int left_margin = 0, right_margin = 0;
  int x_offset = 0;  // pixels of the line scrolled out at the left
  bool focused = false;
  bool tracking = false;  // the left button went down here and is not up yet
  bool modified = false;
  void destroyed();  // lets the measuring context go
};

// edit.cpp
void redraw(Edit* e);
void selection_moved(Edit* e);  // scrolls to the caret, moves it, repaints
// After a change of the text: EN_UPDATE before it shows, EN_CHANGE after. False when the control went away.
bool text_changed(Edit* e);
// Replaces the selection as the user (or EM_REPLACESEL) asks: within the text limit, and without
// ES_AUTOHSCROLL within the field's width; what does not fit is refused with EN_MAXTEXT.
bool replace_selection(Edit* e, const WCHAR* text, UINT count, bool can_undo, bool typing);

// edit_input.cpp: what the user does, and the clipboard.
void copy(Edit* e);
bool clear(Edit* e);
bool cut(Edit* e);
bool paste(Edit* e);
bool undo(Edit* e);
void key_down(Edit* e, WPARAM key);
void typed(Edit* e, WCHAR c);
void button_down(Edit* e, WPARAM keys, int x);
void double_click(Edit* e);
void mouse_move(Edit* e, int x);
void button_up(Edit* e);
void focus_gained(Edit* e);
void focus_lost(Edit* e);

// edit_paint.cpp
void set_font(Edit* e, HFONT font);   // WM_SETFONT's measuring part
RECT format_rect(const Edit* e);      // where the line is drawn, client coordinates
int x_of(const Edit* e, UINT index);  // client x of the caret at boundary index
UINT index_at(const Edit* e, int x);  // the boundary nearest to client x
bool fits(const Edit* e);             // the whole line fits the format rectangle
void scroll_to_caret(Edit* e);        // sideways, so that the caret is in view
void place_caret(const Edit* e);      // SetCaretPos for the caret's boundary
// The next boundary after (forward) or before index that the caret stops at: whole characters.
UINT next_stop(const Edit* e, UINT index, bool forward);
// Paints the control (WM_PAINT). False when the window went away meanwhile.
bool paint(Edit* e);
void release(Edit* e);  // the measuring context, at WM_NCDESTROY

}  // namespace edit
