// Top-level windows: numbered window objects, each backed by a platform
// window of its own class, all served by one window procedure that turns
// window messages into events and control notifications into gadget calls.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Results of the window procedure's own steps: "not handled" lets the
// platform's default handling run; a window callback answering "pass" lets
// the library's handling run.
constexpr LRESULT WIN_NOT_HANDLED = -791621423;    // 0xD0D0D0D1 in 32 bits
constexpr LRESULT WIN_CALLBACK_PASS = -522133279;  // 0xE0E0E0E1 in 32 bits

// Flags of win_open with a meaning of their own; every other bit is a window style.
constexpr uint32_t WIN_CENTER_ON_SCREEN = 0x1;
constexpr uint32_t WIN_CENTER_ON_PARENT = 0x2;  // or on the active window when there is no parent
constexpr uint32_t WIN_TOOL_WINDOW = 0x4;
constexpr uint32_t WIN_NO_GADGETS = 0x8;  // the window is not prepared for gadgets
constexpr uint32_t WIN_NO_ACTIVATE = 0x2000000;
constexpr uint32_t WIN_HIDDEN = 0x10000000;
constexpr uint32_t WIN_DEFAULT_FLAGS = WS_CAPTION | WS_SYSMENU;
static_assert(WIN_DEFAULT_FLAGS == 0xC80000, "title bar and system menu");

// x or y of win_open asking for the platform's default position.
constexpr int WIN_DEFAULT_POSITION = -65535;

// Commands of the two accelerator entries every window has.
constexpr WORD WIN_COMMAND_NEXT_CONTROL = 64001;      // Tab
constexpr WORD WIN_COMMAND_PREVIOUS_CONTROL = 64002;  // Shift+Tab

// Where the shortcuts added by win_add_accelerators apply.
enum class WinKeyScope {
  Anywhere,           // whatever has the focus, text fields included
  OutsideTextFields,  // not while a text field has the focus: it keeps the key for editing (Delete, Ctrl+C, Ctrl+Z)
};

typedef LRESULT (*WindowCallback)(HWND window, UINT message, WPARAM wp, LPARAM lp);
typedef LRESULT (*WindowEraseCallback)(HWND window, HDC dc);

struct WindowObject {
  HWND handle;  // non-null while the object is live
  ACCEL* accelerators;
  HACCEL accelerator_table;
  WindowCallback callback;  // sees every message of the window first
  int32_t accelerator_count;
  int32_t background_color;  // -1 = the system's colour
  HBRUSH background_brush;
  HWND mdi_client;                                        // set only for a window inside an MDI client
  WindowEraseCallback erase_callback;                     // paints the background when there is no brush
  uint16_t min_width, min_height, max_width, max_height;  // tracking limits, 0 = none
  int32_t min_max_state;                                  // 1 while minimised or maximised
  // The entries that apply while a text field has the focus come first in
  // `accelerators`; this many of them. A second table holds just those, made
  // only once some entry does not apply there.
  int32_t text_field_accelerator_count;
  HACCEL text_field_accelerator_table;
};

// The raw parameters of the platform message last served by the pump, and the
// program-wide window callback slot.
struct WindowMessageParams {
  WPARAM wparam;
  LPARAM lparam;
  WPARAM wparam_copy;
  LPARAM lparam_copy;
  WindowCallback callback;
};

// Library life cycle: the window table, the message-parameter record, the
// program icon and the arrow cursor; win_end frees every window.
void win_init();
// Called when the desktop session ends (WM_ENDSESSION), before the window is
// asked to close: the program has moments, and no question can be asked.
void win_on_session_end(void (*handler)());
// Calls the function once, about ms milliseconds from now, from the window's
// message loop (a modal one too). While a call is due, another request for
// the same function is the same call; a few different ones may be due at once.
// False when the window is gone, no timer could be had or too many are due.
bool win_call_later(int64_t number, uint32_t ms, void (*callback)());
void win_end();

// Opens a top-level window (or one owned by the parent) whose client area has
// the given size. The window number for -1, otherwise the platform handle; 0 on failure.
int64_t win_open(int64_t number, int x, int y, int width, int height, const WCHAR* title,
                 uint32_t flags = WIN_DEFAULT_FLAGS);
int64_t win_open_child(int64_t number, int x, int y, int width, int height, const WCHAR* title, uint32_t flags,
                       HWND parent);
// Destroys the window and gives its number back.
void win_free(int64_t number);

HWND win_handle(int64_t number);  // null for a number that names no window
WindowObject* win_object(int64_t number);
// The number of the window or of its nearest ancestor that belongs to the library; -1 when none does.
int64_t win_number(HWND window);

// Background colour (-1 = the system's colour); the window is repainted.
void win_set_background(int64_t number, int32_t color);
int32_t win_make_color(int red, int green, int blue);  // red + green * 256 + blue * 65536

// The one window procedure of the library's windows (containers use it too).
LRESULT CALLBACK win_procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
// Null before win_init.
WindowMessageParams* win_message_params();
// Adds keyboard shortcuts to the window's accelerator table: each entry's key
// (virtual keys, FVIRTKEY with FSHIFT, FCONTROL, FALT) raises the "menu or
// shortcut" event, EVENT_MENU, with its cmd as the item number. An entry
// whose key is already there does not replace it (the first match wins).
// False when the number names no window, the entries are none or memory runs
// out; the table is then as it was.
bool win_add_accelerators(int64_t number, const ACCEL* entries, int32_t count, WinKeyScope scope);
// The table that applies while the focus is on `focus` (a text field's, or the whole one); null for no window.
HACCEL win_accelerators_for(int64_t number, HWND focus);

// Moves the focus to the next (forward) or previous tab stop among the children of the active window.
void win_move_focus(bool forward);
