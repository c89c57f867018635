// Folders: CreateDirectoryW, RemoveDirectoryW, the current directory and the
// folder for temporary files. Folder names are answered as POSIX paths.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/file_share.h"
#include "platform/win32/kernel/paths.h"

namespace {

// Win32's contract for returned names: the length without the terminator when
// the buffer holds the name, else the size needed with the terminator.
DWORD answer(const std::u16string& name, DWORD bufferLength, LPWSTR buffer) {
  DWORD length = static_cast<DWORD>(name.size());
  if (!buffer || bufferLength <= length) return length + 1;
  name.copy(buffer, length);
  buffer[length] = 0;
  return length;
}

bool current_dir(std::string* out) {
  out->resize(256);
  while (!getcwd(out->data(), out->size())) {
    if (errno != ERANGE) return false;
    out->resize(out->size() * 2);
  }
  out->resize(out->find('\0'));
  return true;
}

}  // namespace

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES /*security*/) {
  std::string path;
  if (DWORD error = posix_path(pathName, &path)) return fail_with(error);
  if (mkdir(path.c_str(), 0777) == 0) return TRUE;
  if (errno == EEXIST) return fail_with(ERROR_ALREADY_EXISTS);
  return fail_with(errno == ENOENT ? ERROR_PATH_NOT_FOUND : error_from_errno(errno));
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
  std::string path;
  if (DWORD error = posix_path(pathName, &path)) return fail_with(error);
  struct stat st, here;
  if (lstat(path.c_str(), &st) != 0) return fail_with(error_for_path(errno, path));
  if (!S_ISDIR(st.st_mode)) return fail_with(ERROR_DIRECTORY);
  if (DWORD error = share_check({st.st_dev, st.st_ino}, FILE_SHARE_DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) {
    return fail_with(error);
  }
  // Win32 keeps the current directory open, so it cannot be removed.
  if (stat(".", &here) == 0 && here.st_dev == st.st_dev && here.st_ino == st.st_ino) {
    return fail_with(ERROR_SHARING_VIOLATION);
  }
  if (rmdir(path.c_str()) == 0) return TRUE;
  return fail_with(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : error_from_errno(errno));
}

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
  std::string cwd;
  if (!current_dir(&cwd)) {
    SetLastError(error_from_errno(errno));
    return 0;
  }
  std::u16string wide;
  // A folder name that is not UTF-8 has no faithful UTF-16 spelling.
  if (!utf8_to_utf16(cwd.data(), cwd.size(), &wide)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return answer(wide, bufferLength, buffer);
}

BOOL SetCurrentDirectoryW(LPCWSTR pathName) {
  std::string path;
  if (DWORD error = posix_path(pathName, &path)) return fail_with(error);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return fail_with(error_for_path(errno, path));
  if (!S_ISDIR(st.st_mode)) return fail_with(ERROR_DIRECTORY);
  if (chdir(path.c_str()) != 0) return fail_with(error_from_errno(errno));
  return TRUE;
}

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  const char* dir = getenv("TMPDIR");
  std::string path = dir && dir[0] == '/' ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  std::u16string wide;
  if (!utf8_to_utf16(path.data(), path.size(), &wide)) utf8_to_utf16("/tmp/", 5, &wide);
  DWORD result = answer(wide, bufferLength, buffer);
  // Win32 empties a buffer that is too small.
  if (result > wide.size() && buffer && bufferLength) buffer[0] = 0;
  return result;
}
