// Program entry. The application itself is not written yet: the program
// starts and ends at once with exit code 0.
#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
