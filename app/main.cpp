// Program entry: start-up, the event loop, shutdown, exit code 0.
#include "app/state.h"
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  StartUp();
  RunEventLoop();
  ShutDownLibraries();
  ShutDownRuntime();
  return 0;
}
