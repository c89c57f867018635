// Control of the headless display backend, for tests and for the window
// manager's test helpers: input is injected, the clock is virtual and moves
// only when told, and what each surface last presented can be read back.
// Every call acts on the backend in use, which must be the headless one.
//
// Waiting: wait() returns at once when an event is queued. A wait with a
// timeout and nothing queued moves the clock forward by the timeout and
// answers false, so timers fire deterministically. A wait without timeout and
// nothing queued blocks (in real time) only for the stall wait, for a wake()
// from another thread, then answers false: nothing scripted can end it, and
// the caller reports the stall instead of hanging.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/display/backend.h"
#include "platform/win32/gdi/types_gdi.h"

namespace display::headless {

bool active();  // the backend in use is the headless one

// Input, taken by next_event() in the order injected.
void inject(const InputEvent& event);
size_t pending();
void clear_events();

// The virtual clock behind now().
void advance(uint64_t milliseconds);

// Screen: 1920 x 1080 at 96 dots per inch until changed.
void set_dpi(int dpi);
void set_screen_size(int width, int height);
// Real milliseconds a wait without timeout blocks for a wake() before answering false (default 200).
void set_stall_wait(DWORD milliseconds);
// Device pixels per Win32 pixel (default 1); only before the windows it is meant for exist.
void set_scale(int scale);

// The cursor last set.
CursorShape cursor();

// A clipboard shared with other programs, as a desktop has: null (the default)
// means none. Otherwise the text stands for what another program copied.
void share_clipboard(const char* utf8);
std::string shared_clipboard();  // what the shared clipboard holds now

// Surfaces, topmost first (topmost surfaces before the others, each band newest or last raised first).
std::vector<Surface*> surfaces();
// The first shown (neither hidden nor minimized) surface whose rectangle holds the screen point, or null.
Surface* surface_at(int x, int y);

struct SurfaceInfo {
  RECT bounds{};  // screen pixels
  ShowState state = ShowState::Hidden;
  bool topmost = false;
  bool has_icon = false;
  int presents = 0;           // how many times pixels were presented
  int width = 0, height = 0;  // of the presented image, in device pixels
  std::u16string title;
  SurfaceStyle style;
};
SurfaceInfo info(Surface* surface);

// A presented pixel (device pixels), ARGB32 premultiplied (0 outside the image or before any present).
uint32_t pixel(Surface* surface, int x, int y);
// The same as a COLORREF; CLR_INVALID outside the image.
COLORREF color_at(Surface* surface, int x, int y);
// Writes the presented image as a PNG file (path in UTF-8); false when it cannot.
bool save_png(Surface* surface, const char* path);

}  // namespace display::headless
