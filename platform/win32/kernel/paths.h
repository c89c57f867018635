// File names of the stand-in: UTF-16 Win32 names as UTF-8 POSIX paths, and the
// Win32 error codes for failed POSIX calls on them.
#pragma once

#include <string>

#include "platform/win32/types.h"

// UTF-16 to UTF-8. False on a lone surrogate: such a name has no faithful spelling.
bool utf16_to_utf8(const WCHAR* text, size_t units, std::string* out);
// UTF-8 to UTF-16. False on malformed input (bad or overlong sequences, encoded surrogates).
bool utf8_to_utf16(const char* text, size_t bytes, std::u16string* out);

// The POSIX path for a Win32 file name, with "\" and "/" both taken as
// separators. Returns 0, or the Win32 error for the name: ERROR_PATH_NOT_FOUND
// for a null or empty name, ERROR_INVALID_NAME for a lone surrogate, a control
// character or one of " * < > ? |.
DWORD posix_path(LPCWSTR name, std::string* out);

// The Win32 error for an errno.
DWORD error_from_errno(int err);
// The same for a call on a path, telling a missing file (its folder exists)
// from a missing folder on the way to it.
DWORD error_for_path(int err, const std::string& path);

// The folder part of a POSIX path ("." for a bare name), and the name part.
std::string path_parent(const std::string& path);
std::string path_leaf(const std::string& path);

// Sets the last error and returns FALSE, for the many failure exits.
BOOL fail_with(DWORD error);
