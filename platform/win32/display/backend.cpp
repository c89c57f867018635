// The display backend in use. Headless unless the program chose another
// before its first window: tests need no screen, and a program that wants one
// asks for it (platform_open_display). Also the backend-neutral mappings from
// Win32 styles and cursors to what a native display offers.
#include "platform/win32/display/backend.h"

#include <cassert>
#include <cstdlib>

#include "platform/win32/user/window_internal.h"

namespace display {

namespace {

Backend*& slot() {
  static Backend* backend = nullptr;  // never destroyed: windows may be torn down by static destructors
  return backend;
}

bool has(DWORD bits, DWORD flag) { return (bits & flag) == flag; }

}  // namespace

Backend& current() {
  Backend*& b = slot();
  if (!b) b = make_headless();
  return *b;
}

void use(Backend* backend) {
  Backend*& b = slot();
  if (b == backend || !backend) return;
  delete b;
  b = backend;
}

SurfaceStyle style_for(DWORD style, DWORD ex_style) {
  SurfaceStyle s;
  s.caption = has(style, WS_CAPTION);
  bool tool = (ex_style & WS_EX_TOOLWINDOW) != 0;
  bool no_activate = (ex_style & WS_EX_NOACTIVATE) != 0;
  if (!s.caption) s.kind = tool || no_activate ? SurfaceStyle::Kind::Tooltip : SurfaceStyle::Kind::Popup;
  // As in Win32, the caption's buttons come with the system menu only.
  bool buttons = s.caption && (style & WS_SYSMENU);
  s.close_box = buttons;
  s.resizable = (style & WS_THICKFRAME) != 0;
  s.minimizable = buttons && (style & WS_MINIMIZEBOX);
  s.maximizable = buttons && (style & WS_MAXIMIZEBOX);
  s.tool = tool;
  s.activates = !no_activate && s.kind != SurfaceStyle::Kind::Tooltip;
  user::frame_sizes(style, ex_style, &s.frame);
  return s;
}

CursorShape cursor_shape(WORD id) {
  switch (id) {
    case 32513: return CursorShape::IBeam;
    case 32514: return CursorShape::Wait;
    case 32515: return CursorShape::Cross;
    case 32516: return CursorShape::UpArrow;
    case 32640:  // IDC_SIZE, the old name of IDC_SIZEALL
    case 32646: return CursorShape::SizeAll;
    case 32642: return CursorShape::SizeNWSE;
    case 32643: return CursorShape::SizeNESW;
    case 32644: return CursorShape::SizeWE;
    case 32645: return CursorShape::SizeNS;
    case 32648: return CursorShape::No;
    case 32649: return CursorShape::Hand;
    case 32650: return CursorShape::AppStarting;
    case 32651: return CursorShape::Help;
    default: return CursorShape::Arrow;
  }
}

}  // namespace display

bool platform_open_display() {
  // Surfaces of one backend cannot move to another: the choice comes before any window.
  assert(user::toplevels.empty() && "platform_open_display is called before the first window");
  if (!user::toplevels.empty()) return false;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!(x11 && *x11) && !(wayland && *wayland)) return false;
  display::Backend* sdl = display::make_sdl();
  if (!sdl) return false;
  display::use(sdl);
  return true;
}
