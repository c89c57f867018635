// Program entry: the desktop's display, start-up, the event loop, shutdown,
// exit code 0.
#include <cstdio>

#include "app/state.h"
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (!platform_open_display()) {
    std::fputs(
        "webrolo: no desktop display could be opened (neither DISPLAY nor WAYLAND_DISPLAY names one "
        "that answers); Webrolo needs one to show its window.\n",
        stderr);
    return 1;
  }
  StartUp();
  RunEventLoop();
  ShutDownLibraries();
  ShutDownRuntime();
  return 0;
}
