// Inside the SDL2 display backend (sdl_*.cpp): the pure mappings from
// the stand-in's terms to SDL's and the desktop's (tested without a display),
// and what the desktop says about itself (scale, dots per inch, double-click
// time), read from the X server.
#pragma once

// The program keeps its own main: SDL's is not wanted.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstddef>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/display/backend.h"

namespace display::sdl {

// --- Windows (sdl_mapping.cpp).

// SDL_CreateWindow's flags for a window of this kind (always created hidden).
Uint32 window_flags(const SurfaceStyle& style, bool topmost);

// The _MOTIF_WM_HINTS property: which functions and decorations the window
// manager gives the window. Only the caption's buttons the Win32 styles ask
// for, and no frame to resize a fixed-size window by.
struct MotifHints {
  unsigned long flags = 0, functions = 0, decorations = 0;
  long input_mode = 0;
  unsigned long status = 0;
};
MotifHints motif_hints(const SurfaceStyle& style);

SDL_SystemCursor system_cursor(CursorShape shape);

// --- Input (sdl_mapping.cpp).

// The Win32 virtual key of an SDL key: letters and punctuation as the
// keyboard layout names them when it names them in ASCII, otherwise by their
// place on the keyboard; modifiers as the generic VK_SHIFT, VK_CONTROL, VK_MENU;
// the keypad by Num Lock. 0 for a key Win32 has no code for.
UINT virtual_key(SDL_Keycode key, SDL_Scancode scan, Uint16 mod);
// Whether a key down without text typed nothing on purpose (a dead key, an
// input method composing): a key that types characters, without Ctrl or Alt.
bool types_characters(UINT vk, Uint16 mod);
// AltGr at work: with the right Alt alone held, the key typed text that is not
// its own character (the layout's third level). Win32 sees AltGr as Ctrl+Alt,
// so such a key is no menu key and its text is typed.
bool altgr_text(SDL_Keycode key, const char* text, Uint16 mod);
// The stand-in's button number (1 left, 2 right, 3 middle), or 0 for others.
int mouse_button(Uint8 sdl_button);
// Wheel movement in WHEEL_DELTA units, positive away from the user.
int wheel_delta(const SDL_MouseWheelEvent& wheel);

// --- The desktop's settings (sdl_mapping.cpp parses, sdl_desktop.cpp reads).

// One integer setting of an _XSETTINGS_SETTINGS property (the XSETTINGS
// format); false when the data has no such integer or is malformed. Never
// reads outside [data, data + size).
bool xsettings_int(const unsigned char* data, size_t size, const char* name, int* value);
// Xft.dpi from an X resource database string (RESOURCE_MANAGER); 0 when absent.
double resource_dpi(const char* resources);

// Device pixels per Win32 pixel: GDK_SCALE when set to a whole number from 1
// up, else the desktop's window scale, else the dots per inch over 96 to the
// nearest whole number. Always 1 or more.
int desktop_scale(const char* gdk_scale, int window_scale, double dpi);
// LOGPIXELSY for a desktop dpi at a scale: the dpi over the scale, so that text
// has the desktop's size on the screen; a dpi too small to include the scale
// already counts Win32 pixels and is taken as it is. 96 when unknown.
int logical_dpi(double dpi, int scale);

struct DesktopSettings {
  int scale = 1;
  int dpi = 96;  // LOGPIXELSY
  UINT double_click_time = 500;
};
// Reads the X server's settings (XSETTINGS, then the resource database),
// with GDK_SCALE from the environment; the defaults without an X server.
DesktopSettings read_desktop_settings();
// Gives an SDL window on X11 its _MOTIF_WM_HINTS; nothing elsewhere.
void apply_motif_hints(SDL_Window* window, const MotifHints& hints);
// The descriptor of the X connection behind the window, -1 when it is not on X11.
int x11_connection(SDL_Window* window);

// --- Errors on the X connection (sdl_x11_errors.cpp).

// From now on an X error is noted and survived, and a lost connection ends
// the session (the windows hear WM_ENDSESSION) and then the process.
void watch_x_errors();

}  // namespace display::sdl
