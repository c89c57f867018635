// The program entry of the stand-in build: a Win32 program begins in its
// wWinMain, so main hands over to it as the Windows loader would, with the
// arguments kept for GetCommandLineW. The signals that end a program on this
// system end its session first.
#include "platform/win32.h"
#include "platform/win32/user/session.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

int main(int argc, char** argv) {
  cmdline_set_arguments(argc, argv);
  // The program reads its arguments through GetCommandLineW, as on Windows.
  static WCHAR no_arguments[] = {0};
  user::end_session_on_signals();
  return wWinMain(GetModuleHandleW(nullptr), nullptr, no_arguments, SW_SHOWDEFAULT);
}
