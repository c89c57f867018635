// Win32 command lines as argument vectors: a child started by CreateProcessW
// receives its arguments split exactly as the Microsoft C runtime splits them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/types.h"

// argv for the command line. The first argument (the program) ends at a blank
// or tab outside double quotes, and quotes only switch quoting there; every
// later argument follows the backslash rules: 2n backslashes before a quote
// give n backslashes and the quote switches quoting, 2n+1 give n backslashes
// and a literal quote, backslashes before anything else stay as they are, and
// "" inside quotes gives one literal quote. A null line gives no arguments.
std::vector<std::u16string> cmdline_split(const WCHAR* line);
