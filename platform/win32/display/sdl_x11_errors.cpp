// Errors on the X connection SDL uses. Xlib's default handlers end the
// process: an error the server reports about a request (a window another
// program or the window manager already destroyed, say) is no reason to lose
// a user's work, so it is noted (with WEBROLO_TRACE=x11) and the program goes
// on. A lost connection cannot be survived, and Xlib's handler for it must
// not return: the program's windows hear that the session ends, so the
// program can put away what it holds, and the process ends with a message.
// First: Xlib's macros (None, Bool, ...) would spoil the stand-in's own names.
#include "platform/win32/display/sdl_mapping.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/win32/user/session.h"
#include "platform/win32/user/trace.h"

namespace display::sdl {

namespace {

// The process's exit code when the display went away under it.
constexpr int kDisplayLost = 1;

int on_x_error(Display* x, XErrorEvent* error) {
  if (trace::channel_on("x11")) {
    char text[128] = {};
    XGetErrorText(x, error->error_code, text, sizeof text);
    std::fprintf(stderr, "trace: x11 error %s: request %u.%u, resource 0x%lx, serial %lu\n", text,
                 static_cast<unsigned>(error->request_code), static_cast<unsigned>(error->minor_code),
                 static_cast<unsigned long>(error->resourceid), static_cast<unsigned long>(error->serial));
  }
  return 0;
}

int on_x_connection_lost(Display* x) {
  static bool ending = false;
  if (!ending) {
    ending = true;
    user::end_session(ENDSESSION_CRITICAL);
    std::fprintf(stderr, "%s: the connection to the X server %s was lost; the program ends.\n",
                 program_invocation_short_name, DisplayString(x));
    std::fflush(stderr);
  }
  _exit(kDisplayLost);
}

}  // namespace

void watch_x_errors() {
  XSetErrorHandler(on_x_error);
  XSetIOErrorHandler(on_x_connection_lost);
}

}  // namespace display::sdl
