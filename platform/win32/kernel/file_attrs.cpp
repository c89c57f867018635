// File attributes: permission bits for read-only, an extended attribute for
// hidden and system; GetFileAttributesW and SetFileAttributesW.
#include "platform/win32/kernel/file_attrs.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/times.h"

namespace {

constexpr const char* kAttributeName = "user.win32.attributes";

DWORD parse_stored(const char* value, ssize_t length) {
  if (length <= 0 || length >= 16) return 0;
  char text[16];
  for (ssize_t i = 0; i < length; ++i) text[i] = value[i];
  text[length] = 0;
  return static_cast<DWORD>(strtoul(text, nullptr, 16)) & STORED_ATTRIBUTES;
}

bool unsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP || err == ENODATA; }

// Writes or (for none) removes the extended attribute through one of the two doors.
template <typename Set, typename Remove>
int store(DWORD attributes, Set set, Remove remove) {
  attributes &= STORED_ATTRIBUTES;
  if (!attributes) return remove() == 0 || unsupported(errno) ? 0 : errno;
  char text[16];
  int length = snprintf(text, sizeof text, "%x", static_cast<unsigned>(attributes));
  return set(text, static_cast<size_t>(length)) == 0 ? 0 : errno;
}

}  // namespace

DWORD attributes_stored_fd(int fd) {
  char value[16];
  return parse_stored(value, fgetxattr(fd, kAttributeName, value, sizeof value));
}

DWORD attributes_stored_path(const char* path) {
  char value[16];
  return parse_stored(value, getxattr(path, kAttributeName, value, sizeof value));
}

int attributes_store_fd(int fd, DWORD attributes) {
  return store(
      attributes, [&](const char* text, size_t n) { return fsetxattr(fd, kAttributeName, text, n, 0); },
      [&] { return fremovexattr(fd, kAttributeName); });
}

DWORD attributes_of(const struct stat& st, DWORD stored) {
  DWORD attributes = stored & STORED_ATTRIBUTES;
  if (S_ISDIR(st.st_mode)) return attributes | FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISREG(st.st_mode)) {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  std::string path;
  if (DWORD error = posix_path(fileName, &path)) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    SetLastError(error_for_path(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes_of(st, attributes_stored_path(path.c_str()));
}

BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID information) {
  if (infoLevel != GetFileExInfoStandard) return fail_with(ERROR_INVALID_PARAMETER);
  if (!information) return fail_with(ERROR_NOACCESS);
  std::string path;
  if (DWORD error = posix_path(fileName, &path)) return fail_with(error);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return fail_with(error_for_path(errno, path));
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information);
  data->dwFileAttributes = attributes_of(st, attributes_stored_path(path.c_str()));
  data->ftCreationTime = filetime_from(st.st_ctim);
  data->ftLastAccessTime = filetime_from(st.st_atim);
  data->ftLastWriteTime = filetime_from(st.st_mtim);
  // Win32 gives folders no size.
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD attributes) {
  std::string path;
  if (DWORD error = posix_path(fileName, &path)) return fail_with(error);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return fail_with(error_for_path(errno, path));
  const char* p = path.c_str();
  if ((attributes_stored_path(p) ^ attributes) & STORED_ATTRIBUTES) {
    int err = store(
        attributes, [&](const char* text, size_t n) { return setxattr(p, kAttributeName, text, n, 0); },
        [&] { return removexattr(p, kAttributeName); });
    if (err) return fail_with(unsupported(err) ? ERROR_NOT_SUPPORTED : error_from_errno(err));
  }
  // Win32 does not enforce read-only on folders either, so folders keep their permissions.
  if (S_ISREG(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~0222 : mode | S_IWUSR;
    if (wanted != mode && chmod(p, wanted) != 0) return fail_with(error_from_errno(errno));
  }
  return TRUE;
}
