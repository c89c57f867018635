// Operations on files by name: DeleteFileW, CopyFileW, MoveFileW,
// MoveFileExW and CreateHardLinkW. Copies are written beside their target
// under a temporary name and then put in place, so a failed copy never leaves
// a partial target; MoveFileW never replaces a target, not even one that
// appears while it runs, while MoveFileExW may replace one in a single rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/file_attrs.h"
#include "platform/win32/kernel/file_ops.h"
#include "platform/win32/kernel/file_share.h"
#include "platform/win32/kernel/paths.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr size_t kCopyChunk = 64 * 1024;

FileId id_of(const struct stat& st) { return {st.st_dev, st.st_ino}; }

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool read_only(const struct stat& st) { return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR); }

// Both names lead to one directory entry (not merely to one file through two links).
bool same_entry(const std::string& a, const std::string& b) {
  struct stat sa, sb, pa, pb;
  return lstat(a.c_str(), &sa) == 0 && lstat(b.c_str(), &sb) == 0 && same_file(sa, sb) &&
         stat(path_parent(a).c_str(), &pa) == 0 && stat(path_parent(b).c_str(), &pb) == 0 && same_file(pa, pb) &&
         path_leaf(a) == path_leaf(b);
}

int copy_data(int from, int to) {
#ifdef __linux__
  // The system copies inside itself where it can (a catalogue's backup of
  // tens of megabytes then never passes through this process). Where it
  // cannot, and at what it reports as the end, the loop below goes on from
  // where the copy stands: it also ends files whose size the system does not know.
  for (;;) {
    const ssize_t n = copy_file_range(from, nullptr, to, nullptr, kCopyChunk * 16, 0);
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return errno;
    break;
  }
#endif
  std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
  for (;;) {
    ssize_t got = read(from, chunk.get(), kCopyChunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    for (ssize_t put = 0; put < got;) {
      ssize_t n = write(to, chunk.get() + put, static_cast<size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n < 0 ? errno : ENOSPC;
      put += n;
    }
  }
}

// Copies the open source, with its permissions, attributes and times, to a
// temporary file beside the target, then renames that to the target:
// replacing it when `replace`, else failing with ERROR_FILE_EXISTS if it exists.
DWORD copy_into_place(int source, const struct stat& st, const std::string& target, bool replace) {
  std::string temp = path_parent(target) + "/.copy-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return error_for_path(errno, target);
  int err = copy_data(source, fd);
  // Where the file system keeps no extended attributes the copy is plain.
  if (!err) attributes_store_fd(fd, attributes_stored_fd(source));
  if (!err && fchmod(fd, st.st_mode & 0777) != 0) err = errno;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (!err && futimens(fd, times) != 0) err = errno;
  // On disk before the rename: after a crash the target is the old file or the whole new one.
  if (!err && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && !err && errno != EINTR) err = errno;
  if (!err) {
    err = replace ? (rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno)
                  : rename_new(temp.c_str(), target.c_str(), false);
  }
  if (!err) return 0;
  unlink(temp.c_str());
  return err == EEXIST ? ERROR_FILE_EXISTS : error_from_errno(err);
}

DWORD copy_file(int source, const std::string& target, bool failIfExists) {
  struct stat st;
  if (fstat(source, &st) != 0) return error_from_errno(errno);
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (DWORD error = share_check(id_of(st), FILE_SHARE_READ, kShareAll)) return error;
  struct stat old;
  if (stat(target.c_str(), &old) == 0) {
    if (failIfExists) return ERROR_FILE_EXISTS;
    if (same_file(st, old)) return ERROR_SHARING_VIOLATION;
    if (S_ISDIR(old.st_mode) || read_only(old)) return ERROR_ACCESS_DENIED;
    // As with CREATE_ALWAYS: a hidden or system target is replaced only by a file that is so too.
    if (attributes_stored_path(target.c_str()) & ~attributes_stored_fd(source)) return ERROR_ACCESS_DENIED;
    if (DWORD error = share_check(id_of(old), FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE)) return error;
  }
  return copy_into_place(source, st, target, !failIfExists);
}

// A move to another file system: copy, then delete the source. If the source
// cannot be deleted the copy is removed again, so the move happens wholly or not at all.
BOOL move_across(const std::string& from, const struct stat& st, const std::string& to) {
  if (!S_ISREG(st.st_mode)) return fail_with(ERROR_NOT_SAME_DEVICE);
  int source = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (source < 0) return fail_with(error_for_path(errno, from));
  DWORD error = copy_into_place(source, st, to, false);
  close(source);
  if (error) return fail_with(error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error);
  if (unlink(from.c_str()) != 0) {
    error = error_from_errno(errno);
    unlink(to.c_str());
    return fail_with(error);
  }
  return TRUE;
}

// Puts the file's data, or a folder's entries, on the disk.
int sync_path(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  int err = fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
  close(fd);
  return err;
}

// Whether an existing target may be replaced: not a folder, not read-only, and
// no handle of it that forbids deleting it. Reports in `same` whether the
// target is another link of the source.
DWORD replaceable(const struct stat& source, const std::string& to, bool* same) {
  *same = false;
  struct stat old;
  if (lstat(to.c_str(), &old) != 0) return errno == ENOENT ? 0 : error_for_path(errno, to);
  if (S_ISDIR(source.st_mode) || S_ISDIR(old.st_mode) || read_only(old)) return ERROR_ACCESS_DENIED;
  *same = same_file(source, old);
  return share_check(id_of(old), FILE_SHARE_DELETE, kShareAll);
}

// The replacing move: one rename, so a reader sees the old target or the new
// one, never neither. Across file systems only with MOVEFILE_COPY_ALLOWED.
BOOL move_replacing(const std::string& from, const struct stat& st, const std::string& to, DWORD flags) {
  bool same = false;
  if (DWORD error = replaceable(st, to, &same)) return fail_with(error);
  const bool write_through = (flags & MOVEFILE_WRITE_THROUGH) != 0;
  // The data first, then the name: after a crash the target is whole, old or new.
  if (write_through && S_ISREG(st.st_mode)) {
    if (int err = sync_path(from)) return fail_with(error_from_errno(err));
  }
  // Onto another link of the same file the system's rename does nothing;
  // Win32's move takes the moved name away, which is then all there is to do.
  if (same) {
    if (unlink(from.c_str()) != 0) return fail_with(error_for_path(errno, from));
  } else if (rename(from.c_str(), to.c_str()) != 0) {
    int err = errno;
    if (err != EXDEV) return fail_with(error_for_path(err, to));
    if (!(flags & MOVEFILE_COPY_ALLOWED) || !S_ISREG(st.st_mode)) return fail_with(ERROR_NOT_SAME_DEVICE);
    int source = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (source < 0) return fail_with(error_for_path(errno, from));
    DWORD error = copy_into_place(source, st, to, true);
    close(source);
    if (error) return fail_with(error);
    if (unlink(from.c_str()) != 0) return fail_with(error_from_errno(errno));
  }
  if (write_through) {
    int err = sync_path(path_parent(to));
    if (!err && path_parent(from) != path_parent(to)) err = sync_path(path_parent(from));
    if (err) return fail_with(error_from_errno(err));
  }
  return TRUE;
}

// The move that never replaces: the check that the target is free and the rename are one step.
BOOL move_new(const std::string& from, const struct stat& st, const std::string& to, bool copy_allowed) {
  int err = rename_new(from.c_str(), to.c_str(), S_ISDIR(st.st_mode));
  if (!err) return TRUE;
  if (err == EEXIST || err == ENOTEMPTY) return fail_with(ERROR_ALREADY_EXISTS);
  if (err == EXDEV) return copy_allowed ? move_across(from, st, to) : fail_with(ERROR_NOT_SAME_DEVICE);
  return fail_with(error_for_path(err, to));
}

}  // namespace

BOOL DeleteFileW(LPCWSTR fileName) {
  std::string path;
  if (DWORD error = posix_path(fileName, &path)) return fail_with(error);
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return fail_with(error_for_path(errno, path));
  if (S_ISDIR(st.st_mode) || read_only(st)) return fail_with(ERROR_ACCESS_DENIED);
  if (DWORD error = share_check(id_of(st), FILE_SHARE_DELETE, kShareAll)) return fail_with(error);
  if (unlink(path.c_str()) != 0) return fail_with(error_for_path(errno, path));
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
  std::string from, to;
  if (DWORD error = posix_path(existingFileName, &from)) return fail_with(error);
  if (DWORD error = posix_path(newFileName, &to)) return fail_with(error);
  int source = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (source < 0) return fail_with(error_for_path(errno, from));
  DWORD error = copy_file(source, to, failIfExists);
  close(source);
  if (error) return fail_with(error);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName) {
  // As Win32 has it: MoveFileExW with leave to copy across file systems.
  return MoveFileExW(existingFileName, newFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
  if (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    return fail_with(ERROR_INVALID_PARAMETER);
  }
  std::string from, to;
  if (DWORD error = posix_path(existingFileName, &from)) return fail_with(error);
  if (DWORD error = posix_path(newFileName, &to)) return fail_with(error);
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return fail_with(error_for_path(errno, from));
  if (DWORD error = share_check(id_of(st), FILE_SHARE_DELETE, kShareAll)) return fail_with(error);
  // Moving a file onto its own name changes nothing and succeeds, as in Win32.
  if (same_entry(from, to)) return TRUE;
  if (flags & MOVEFILE_REPLACE_EXISTING) return move_replacing(from, st, to, flags);
  if (!move_new(from, st, to, (flags & MOVEFILE_COPY_ALLOWED) != 0)) return FALSE;
  if (!(flags & MOVEFILE_WRITE_THROUGH)) return TRUE;
  if (int err = sync_path(path_parent(to))) return fail_with(error_from_errno(err));
  return TRUE;
}

BOOL CreateHardLinkW(LPCWSTR fileName, LPCWSTR existingFileName, LPSECURITY_ATTRIBUTES security) {
  (void)security;  // the new name shares the file, and with it the file's own permissions
  std::string from, to;
  if (DWORD error = posix_path(existingFileName, &from)) return fail_with(error);
  if (DWORD error = posix_path(fileName, &to)) return fail_with(error);
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return fail_with(error_for_path(errno, from));
  if (S_ISDIR(st.st_mode)) return fail_with(ERROR_ACCESS_DENIED);
  // Through a symbolic link to the file it names, as Win32 opens it.
  if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return TRUE;
  const int err = errno;
  if (err == EEXIST) return fail_with(ERROR_ALREADY_EXISTS);
  if (err == EXDEV) return fail_with(ERROR_NOT_SAME_DEVICE);
  // A file system without links (FAT, many network shares) answers as Win32's do.
  if (err == EPERM || err == EOPNOTSUPP) return fail_with(ERROR_INVALID_FUNCTION);
  return fail_with(error_for_path(err, to));
}

int rename_new(const char* from, const char* to, bool directory) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  return rename_new_by_link(from, to, directory);
}

int rename_new_by_link(const char* from, const char* to, bool directory) {
  // A second link claims the name as atomically as the rename would.
  if (!directory) {
    if (link(from, to) != 0) return errno;
    if (unlink(from) == 0) return 0;
    int err = errno;
    unlink(to);
    return err;
  }
  // A folder cannot be linked: claim the name with an empty folder, then rename over that.
  if (mkdir(to, 0700) != 0) return errno;
  if (rename(from, to) == 0) return 0;
  int err = errno;
  rmdir(to);
  return err;
}
