// The program's support files (the icon, the page header, the help page):
// read from the current directory, else from the user's work folder, else
// from the files installed with the program.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The path of the support file `name` in the first place that has it, on the
// stack at offset; the name itself when no place has it, so a message about
// the missing file names it as the user knows it.
WCHAR* SupportFilePath(const WCHAR* name, int32_t offset);
