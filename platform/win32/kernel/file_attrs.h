// Win32 file attributes over POSIX. Read-only is a regular file without its
// owner's write permission; hidden and system live in an extended attribute of
// the file. Files always show the archive attribute.
#pragma once

#include <sys/stat.h>

#include "platform/win32/types.h"

// The attributes kept in the extended attribute.
constexpr DWORD STORED_ATTRIBUTES = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The stored attributes of an open file or of a path (0 when none are kept).
DWORD attributes_stored_fd(int fd);
DWORD attributes_stored_path(const char* path);
// Keeps the stored attributes of the open file. Returns 0 or an errno.
int attributes_store_fd(int fd, DWORD attributes);
// The Win32 attributes of a file with the given status and stored attributes.
DWORD attributes_of(const struct stat& st, DWORD stored);
