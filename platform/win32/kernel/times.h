// Win32 file times over POSIX times: 100-nanosecond intervals since 1601.
#pragma once

#include <ctime>

#include "platform/win32/types.h"

// The file time of a POSIX time (seconds and nanoseconds since 1970, UTC).
FILETIME filetime_from(const struct timespec& time);
