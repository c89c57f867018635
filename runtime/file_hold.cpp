// The mark of a file at work: one program writes it, and another that finds
// it can tell a file in use from one left behind by a program that ended.
// Windows enforces its byte-range locks on reads and writes, so the mark lies
// far past any content a file of ours will have.
#include "runtime/file.h"

namespace {

constexpr uint64_t kMarkAt = uint64_t{1} << 48;
constexpr DWORD kMarkBytes = 1;
constexpr uint32_t kLowBits = 32;

OVERLAPPED MarkPlace() {
  OVERLAPPED place{};
  place.Offset = static_cast<DWORD>(kMarkAt);
  place.OffsetHigh = static_cast<DWORD>(kMarkAt >> kLowBits);
  return place;
}

}  // namespace

int file_hold(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return 0;
  OVERLAPPED place = MarkPlace();
  if (LockFileEx(file->handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kMarkBytes, 0, &place)) return 1;
  file_note_error();
  return 0;
}

int file_held(const WCHAR* name) {
  // Every share allowed: the holder may be writing, and this look must not stand in its way.
  HANDLE handle = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 0;
  OVERLAPPED place = MarkPlace();
  int held = 0;
  if (LockFileEx(handle, LOCKFILE_FAIL_IMMEDIATELY, 0, kMarkBytes, 0, &place)) {
    UnlockFileEx(handle, 0, kMarkBytes, 0, &place);
  } else {
    held = GetLastError() == ERROR_LOCK_VIOLATION ? 1 : 0;
  }
  CloseHandle(handle);
  return held;
}
