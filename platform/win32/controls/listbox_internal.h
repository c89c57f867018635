// The stand-in's "ListBox" control: its state, kept in one record reached from
// the window's extra bytes, and the routines its files share: listbox.cpp
// (the message handler and the LB_ messages), listbox_view.cpp (scrolling, sizes,
// selection and what needs repainting), listbox_input.cpp (mouse, keyboard,
// focus) and listbox_paint.cpp.
//
// Lines are drawn by the control itself; owner-drawn, multi-column, tab-stop
// and data-less lists are not offered.
#pragma once

#include "platform/win32/controls/control.h"
#include "platform/win32/controls/listbox_items.h"

namespace listbox {

// The parent the list was made for (State::parent) receives the notifications and WM_CTLCOLORLISTBOX.
struct ListBox : control::State {
  DWORD style = 0;  // as created
  ItemStore items;
  int selected = -1;  // the selection of a single-selection list
  int caret = 0;      // the line with the focus rectangle
  int anchor = -1;    // where an extended selection starts
  int top = 0;        // the first line shown
  int item_height = 16;
  int char_width = 7;         // average, for horizontal line steps
  int width = 0, height = 0;  // client area
  int horz_extent = 0, horz_pos = 0;
  int wheel_remain = 0;
  bool focused = false;
  bool tracking = false;       // a press of ours is under way, the mouse captured
  bool press_changed = false;  // that press has moved the selection
  bool redraw = true;          // WM_SETREDRAW
};

inline bool is_multi(const ListBox* lb) { return (lb->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
inline bool is_extended(const ListBox* lb) { return (lb->style & LBS_EXTENDEDSEL) != 0; }

// LBN_SELCHANGE and LBN_DBLCLK, which only LBS_NOTIFY lists send. False when
// the list is gone afterwards (control::notify answers the same for the others).
bool notify_user(ListBox* lb, WORD code);

// --- View (listbox_view.cpp).
int page_size(const ListBox* lb);    // whole lines the client area shows, at least 1
void set_top(ListBox* lb, int top);  // clamped; repaints and moves the scroll bar
void make_visible(ListBox* lb, int index);
void set_horizontal_pos(ListBox* lb, int pos);
void set_horizontal_extent(ListBox* lb, int extent);
// lines_only: only the number of lines changed, which the horizontal bar does not show.
void update_scroll(ListBox* lb, bool lines_only = false);
void update_size(ListBox* lb);  // after WM_SIZE
void set_font(ListBox* lb, HFONT font);
void set_item_height(ListBox* lb, int height);
// Client rectangle of a line; false when no part of it shows.
bool item_rect(const ListBox* lb, int index, RECT* rect);
int item_at(const ListBox* lb, int y);  // the line at a client y, -1 below the last
void invalidate_item(ListBox* lb, int index);
void invalidate_from(ListBox* lb, int index);  // the line and everything below it
void invalidate_all(ListBox* lb);

// --- Selection (listbox_view.cpp). Each answers whether anything changed.
bool is_selected(const ListBox* lb, int index);
bool select_single(ListBox* lb, int index);                    // -1 clears
bool select_range(ListBox* lb, int first, int last, bool on);  // multiple selection; clamped
void set_caret(ListBox* lb, int index);                        // moves the focus rectangle, no scrolling

// --- Input (listbox_input.cpp). A press moves the selection at once and, as
// in Win32, reports it with LBN_SELCHANGE when the press ends.
LRESULT on_button_down(ListBox* lb, UINT message, WPARAM keys, int x, int y);
LRESULT on_mouse_move(ListBox* lb, int x, int y);
// Ends a press (button up, capture or focus lost) and reports the selection change it made.
LRESULT end_press(ListBox* lb);
LRESULT on_key_down(ListBox* lb, WPARAM key);
LRESULT on_char(ListBox* lb, WCHAR c);
LRESULT on_wheel(ListBox* lb, int delta);
LRESULT on_vscroll(ListBox* lb, int request, int pos);
LRESULT on_hscroll(ListBox* lb, int request, int pos);
LRESULT on_focus(ListBox* lb, bool gained);

// --- Painting (listbox_paint.cpp).
void paint(ListBox* lb, HDC dc, const RECT& area);

}  // namespace listbox
