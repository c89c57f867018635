// Win32 share modes between the handles of this process. Access and share
// are both given as FILE_SHARE_READ / FILE_SHARE_WRITE / FILE_SHARE_DELETE
// bits: the access says what an opener does, the share what it lets others do.
#pragma once

#include <sys/types.h>

#include "platform/win32/types.h"

struct FileId {
  dev_t dev;
  ino_t ino;
};

// The access bits for a CreateFileW desired access.
DWORD share_access_of(DWORD desiredAccess);
// ERROR_SHARING_VIOLATION when an open handle of the file forbids the access
// or holds an access the share does not allow; else 0. An opener without
// read, write or delete access is never in conflict, as in Win32.
DWORD share_check(FileId id, DWORD access, DWORD share);
// share_check, and on success the opener (a handle record) is registered
// until share_release.
DWORD share_acquire(FileId id, DWORD access, DWORD share, const void* opener);
void share_release(FileId id, const void* opener);
