// Kernel object handles of the stand-in. A handle is the address of a record
// that starts with a HandleHeader; the kind tag lets CloseHandle dispatch to
// the kind's own close hook, so files, processes and pipes share one door.
// Only addresses registered here count as handles: anything else (a stale or
// made-up value) is refused with ERROR_INVALID_HANDLE, never dereferenced.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

enum HandleKind : uint32_t {
  HANDLE_KIND_FILE = 1,
  HANDLE_KIND_PROCESS = 2,
  HANDLE_KIND_PIPE = 3,
  HANDLE_KIND_LIMIT = 16,  // kinds are below this
};

struct HandleHeader {
  uint32_t magic;  // HANDLE_MAGIC while the handle is open
  uint32_t kind;   // a HandleKind
};

constexpr uint32_t HANDLE_MAGIC = 0x4844'4c45u;

// Releases everything the record owns, the record included. Returns 0, or a
// Win32 error code that CloseHandle reports (the handle is gone either way).
typedef DWORD (*HandleCloseFn)(HandleHeader* record);

// Makes the record a live handle of the kind and returns it.
HANDLE handle_open(HandleHeader* record, uint32_t kind, HandleCloseFn close);
// The live record behind the handle when it is of the kind; null otherwise.
// A handle must not be closed while another thread still uses it.
HandleHeader* handle_get(HANDLE handle, uint32_t kind);

// File-like kinds other than files: pipe ends and the standard handles (pipe.cpp). ReadFile and WriteFile
// hand a handle that is not a file to these, which answer FALSE with ERROR_INVALID_HANDLE for a handle of
// no file-like kind.
BOOL handle_stream_read(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
BOOL handle_stream_write(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten);

// The POSIX descriptor behind a handle of a file-like kind, so a child process can be given it as a
// standard handle; -1 when the handle is not live or its kind installed no routine. Each file-like kind
// installs its routine once (pipe.cpp does for pipes; files may do the same).
typedef int (*HandleDescriptorFn)(HandleHeader* record);
void handle_set_descriptor_fn(uint32_t kind, HandleDescriptorFn fn);
int handle_descriptor(HANDLE handle);
