// The display backend beneath the stand-in's windows: native top-level
// surfaces, presenting pixels, input, the screen, and waiting with a timeout.
// Only the stand-in itself calls it: the window manager (windows, their
// surfaces and positions, messages, input, focus, the caret and cursor), the
// painting and device contexts, fonts, metrics, the clipboard and waiting;
// nothing above platform/ sees it. Two backends: headless (images in memory, injected input, a virtual clock; the
// default, and what tests use) and SDL2 (a real window on X11 or Wayland).
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/types.h"
#include "platform/win32/gdi/types_gdi.h"

namespace display {

// One native top-level surface per top-level window of the stand-in; each
// backend keeps its own record, derived from this.
struct Surface {
  virtual ~Surface() = default;
};

enum class ShowState { Hidden, Normal, Minimized, Maximized };

// What kind of native window a top-level window is, from its Win32 styles
// (style_for). A native desktop draws the frame, the caption and its buttons
// itself: the client area is all a native window shows.
struct SurfaceStyle {
  enum class Kind {
    Normal,   // a framed window the window manager decorates
    Popup,    // no caption and no frame: undecorated, still managed
    Tooltip,  // a tool window without caption: above everything, never activated, not managed
  };
  Kind kind = Kind::Normal;
  bool caption = false;      // WS_CAPTION
  bool close_box = false;    // WS_SYSMENU
  bool resizable = false;    // WS_THICKFRAME
  bool minimizable = false;  // WS_MINIMIZEBOX
  bool maximizable = false;  // WS_MAXIMIZEBOX (and resizable)
  bool tool = false;         // WS_EX_TOOLWINDOW: no taskbar entry
  bool activates = true;     // not WS_EX_NOACTIVATE
  RECT frame{};              // insets of the client area within the outer rectangle: border, caption, edges
  Surface* owner = nullptr;  // stays above its owner
};

// The native kind of a top-level window with these styles.
SurfaceStyle style_for(DWORD style, DWORD ex_style);

// The standard cursors the display shows (IDC_ numbers).
enum class CursorShape {
  Arrow,
  IBeam,
  Wait,
  Cross,
  UpArrow,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  Hand,
  AppStarting,
  Help
};
// The shape of a standard cursor id (IDC_ARROW ...); Arrow for any other.
CursorShape cursor_shape(WORD id);

struct InputEvent {
  enum class Kind {
    None,
    MouseMove,    // x, y
    MouseDown,    // x, y, button
    MouseUp,      // x, y, button
    MouseWheel,   // x, y, wheel (WHEEL_DELTA units, positive away from the user)
    KeyDown,      // key (virtual-key code), scan, text: the characters the key types, if any
    KeyUp,        // key, scan
    Close,        // the user asked to close the surface's window
    Moved,        // x, y: the surface's new screen position (moved by the user)
    Resized,      // width, height: the surface's new size (resized by the user)
    Activated,    // the surface became the foreground surface
    Deactivated,  // the keyboard went to another program's window
    Exposed,      // the surface must be presented again
    Minimized,    // the user minimised, maximised or restored the window (the window manager did it)
    Maximized,
    Restored,
    Text,  // text: characters an input method or a compose sequence produced, with no key of their own
  };
  Kind kind = Kind::None;
  Surface* surface = nullptr;  // the surface the event belongs to, or null (pointer events: hit by position)
  int x = 0, y = 0;            // screen coordinates
  int width = 0, height = 0;
  int button = 0;  // 1 left, 2 right, 3 middle
  int wheel = 0;
  UINT key = 0;
  UINT scan = 0;
  WCHAR text[8] = {};  // zero-terminated
  // KeyDown: text is all the key types, decided by the desktop's keyboard layout,
  // even when empty (a dead key). Otherwise an empty text types as a US keyboard would.
  bool text_final = false;
  bool repeat = false;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Surfaces: outer rectangles in screen pixels, ARGB32 (premultiplied) pixels.
  virtual Surface* create_surface(int x, int y, int width, int height, bool topmost) = 0;
  virtual void destroy_surface(Surface* surface) = 0;
  virtual void set_bounds(Surface* surface, int x, int y, int width, int height) = 0;
  virtual void set_title(Surface* surface, const WCHAR* title) = 0;
  // The native kind; set after creation and whenever the styles or the owner change.
  virtual void set_style(Surface* surface, const SurfaceStyle& style) = 0;
  // Icon pixels ARGB32 premultiplied, width x height, stride in bytes; null clears.
  virtual void set_icon(Surface* surface, const uint32_t* pixels, int width, int height, int stride) = 0;
  virtual void set_show_state(Surface* surface, ShowState state, bool activate) = 0;
  virtual void set_topmost(Surface* surface, bool topmost) = 0;
  virtual void raise(Surface* surface) = 0;
  // Shows the window's composed image; dirty is the changed part. The image is
  // the outer rectangle drawn at scale(): width, height, stride and dirty are
  // in the image's own pixels.
  virtual void present(Surface* surface, const uint32_t* pixels, int width, int height, int stride,
                       const RECT& dirty) = 0;

  // Screen, in the Win32 pixels the program works with.
  virtual int screen_width() = 0;
  virtual int screen_height() = 0;
  // LOGPIXELSY: the desktop's dots per inch over scale(), so that a point is as large as the desktop asks.
  virtual int dots_per_inch() = 0;
  // Device pixels per Win32 pixel: windows are drawn this much finer (1, or 2 on a double-density screen).
  virtual int scale() { return 1; }
  virtual UINT double_click_time() { return 500; }

  // The cursor over the program's windows.
  virtual void set_cursor(CursorShape) {}
  // Where text input happens (the caret), in screen coordinates: an input method puts its candidates there.
  virtual void set_text_input_rect(Surface*, const RECT&) {}

  // The clipboard shared with other programs (text only): false when there is
  // none; otherwise the text it holds now (empty when none).
  virtual bool shared_clipboard_text(std::string* /*utf8*/) { return false; }
  virtual void set_shared_clipboard_text(const std::string& /*utf8*/) {}

  // Input: the next event, or false when there is none now.
  virtual bool next_event(InputEvent* event) = 0;
  // Waits until an event may be available or the timeout (milliseconds, INFINITE
  // for none) has passed; answers false on timeout. Also woken by wake().
  virtual bool wait(DWORD timeout) = 0;
  // Wakes a wait() in progress (from any thread).
  virtual void wake() = 0;

  // Milliseconds since an arbitrary start: the clock behind timers and
  // double-click timing (virtual in the headless backend).
  virtual uint64_t now() = 0;
};

// The backend in use: headless unless a program chose another before its first window.
Backend& current();
void use(Backend* backend);  // takes ownership; only before the first window exists

Backend* make_headless();
Backend* make_sdl();  // null when no display can be opened

// A thread slept (Sleep): on the headless display, whose clock moves only when
// told, a thread with a message queue takes the clock along, so that timers
// fall due for a program that sleeps between PeekMessageW calls as they would in real time.
void thread_slept(DWORD milliseconds);

}  // namespace display
