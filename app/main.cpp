// Program entry: a command runs without a window and ends with its own exit
// code; otherwise the desktop's display, start-up (on the catalogue named, or
// else in the user's work folder when started from the program's own), the
// event loop, shutdown, exit code 0.
#include <cstdio>

#include "app/command_line.h"
#include "app/state.h"
#include "app/work_folder.h"
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  const WCHAR* file = nullptr;
  int exit_code = kStartWindow;
  {
    ProgramArguments arguments;
    exit_code = RunCommandLine(arguments.count(), arguments.values(), &file);
    if (exit_code == kStartWindow && !platform_open_display()) {
      std::fputs(
          "webrolo: no desktop display could be opened (neither DISPLAY nor WAYLAND_DISPLAY names one "
          "that answers); Webrolo needs one to show its window.\n",
          stderr);
      return 1;
    }
    if (exit_code == kStartWindow) {
      StartUp();
      if (file) {
        StartOnFile(file);
      } else {
        StartInWorkFolder();
      }
    }
  }
  if (exit_code != kStartWindow) return exit_code;
  RunEventLoop();
  ShutDownLibraries();
  ShutDownRuntime();
  return 0;
}
