// What the X server says about the desktop, read once when the display
// opens: the window scale, the dots per inch and the double-click time from
// the XSETTINGS manager (the desktop's settings daemon), else Xft.dpi from the
// resource database; and the window manager hints SDL has no call for.
// First: Xlib's macros (None, Bool, ...) would spoil the stand-in's own names.
#include "platform/win32/display/sdl_mapping.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace display::sdl {

namespace {

// A window that goes away while we read it is no reason to end the program.
int ignore_errors(Display*, XErrorEvent*) { return 0; }

std::vector<unsigned char> xsettings_property(Display* x) {
  std::vector<unsigned char> bytes;
  char name[32];
  std::snprintf(name, sizeof name, "_XSETTINGS_S%d", DefaultScreen(x));
  Window manager = XGetSelectionOwner(x, XInternAtom(x, name, False));
  if (manager == None) return bytes;
  Atom settings = XInternAtom(x, "_XSETTINGS_SETTINGS", False);
  Atom type;
  int format;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x, manager, settings, 0, LONG_MAX / 4, False, settings, &type, &format, &count, &left,
                         &data) == Success &&
      data && format == 8)
    bytes.assign(data, data + count);
  if (data) XFree(data);
  return bytes;
}

}  // namespace

DesktopSettings read_desktop_settings() {
  DesktopSettings s;
  const char* gdk_scale = std::getenv("GDK_SCALE");
  Display* x = XOpenDisplay(nullptr);
  if (!x) {
    s.scale = desktop_scale(gdk_scale, 0, 0);
    return s;
  }
  XErrorHandler previous = XSetErrorHandler(ignore_errors);
  std::vector<unsigned char> settings = xsettings_property(x);
  XSync(x, False);
  XSetErrorHandler(previous);
  int window_scale = 0, dpi_1024 = 0, unscaled_1024 = 0, click = 0;
  xsettings_int(settings.data(), settings.size(), "Gdk/WindowScalingFactor", &window_scale);
  xsettings_int(settings.data(), settings.size(), "Xft/DPI", &dpi_1024);
  xsettings_int(settings.data(), settings.size(), "Gdk/UnscaledDPI", &unscaled_1024);
  double dpi = dpi_1024 > 0 ? dpi_1024 / 1024.0 : resource_dpi(XResourceManagerString(x));
  s.scale = desktop_scale(gdk_scale, window_scale, dpi);
  // The settings daemon may say outright what a point is in unscaled pixels.
  s.dpi = unscaled_1024 > 0 ? logical_dpi(unscaled_1024 / 1024.0, 1) : logical_dpi(dpi, s.scale);
  if (xsettings_int(settings.data(), settings.size(), "Net/DoubleClickTime", &click) && click > 0 && click <= 5000)
    s.double_click_time = static_cast<UINT>(click);
  XCloseDisplay(x);
  return s;
}

void apply_motif_hints(SDL_Window* window, const MotifHints& hints) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* x = info.info.x11.display;
  Atom motif = XInternAtom(x, "_MOTIF_WM_HINTS", False);
  long data[5] = {static_cast<long>(hints.flags), static_cast<long>(hints.functions),
                  static_cast<long>(hints.decorations), hints.input_mode, static_cast<long>(hints.status)};
  XChangeProperty(x, info.info.x11.window, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(data),
                  5);
  XFlush(x);
}

int x11_connection(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return -1;
  return ConnectionNumber(info.info.x11.display);
}

}  // namespace display::sdl
