// File handles over POSIX file descriptors: CreateFileW, ReadFile, WriteFile,
// SetFilePointerEx, GetFileSizeEx, FlushFileBuffers, LockFileEx, UnlockFileEx and their close hook.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "platform/win32/api.h"
#include "platform/win32/kernel/file_attrs.h"
#include "platform/win32/kernel/file_share.h"
#include "platform/win32/kernel/handles.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/times.h"

namespace {

struct FileHandle : HandleHeader {
  int fd;
  FileId id;
  DWORD access;  // FILE_SHARE_* bits: what this handle may do
  bool regular;  // a regular file: reads are complete up to the end of the file
  bool directory;
  uint64_t unsent = 0;  // bytes written since the system was last asked to start writing them out
};

FileHandle* file_from(HANDLE handle) { return static_cast<FileHandle*>(handle_get(handle, HANDLE_KIND_FILE)); }

DWORD close_file(HandleHeader* record) {
  auto* file = static_cast<FileHandle*>(record);
  share_release(file->id, file);
  // Linux frees the descriptor even when close reports an error, so there is no retry;
  // an error still means written data may be lost and is worth reporting.
  int result = close(file->fd);
  int err = errno;
  delete file;
  return result == 0 || err == EINTR ? 0 : error_from_errno(err);
}

// The checks ReadFile and WriteFile share: the file behind the handle when it
// may do the transfer (`access` is FILE_SHARE_READ or FILE_SHARE_WRITE); else
// null with the last error set. The count is zeroed first, as Win32 does.
FileHandle* transfer_handle(HANDLE handle, DWORD access, const void* buffer, DWORD bytes, LPDWORD count,
                            LPOVERLAPPED overlapped) {
  if (count) *count = 0;
  FileHandle* file = file_from(handle);
  DWORD error = !file                      ? ERROR_INVALID_HANDLE
                : overlapped               ? ERROR_INVALID_PARAMETER
                : !(file->access & access) ? ERROR_ACCESS_DENIED
                : file->directory          ? ERROR_INVALID_FUNCTION
                : bytes && !buffer         ? ERROR_NOACCESS
                                           : 0;
  if (!error) return file;
  SetLastError(error);
  return nullptr;
}

// The system keeps what is written in memory until it must write it out; a
// big file that FlushFileBuffers then puts on the disk would wait for all of
// it at once. So every few megabytes written the system is asked to start on
// them (without waiting), and the flush finds most of the file there already.
void start_writing_out(FileHandle* file, DWORD written) {
#ifdef SYNC_FILE_RANGE_WRITE
  constexpr uint64_t kWriteOutBytes = 8 * 1024 * 1024;
  file->unsent += written;
  if (!file->regular || file->unsent < kWriteOutBytes) return;
  const off_t end = lseek(file->fd, 0, SEEK_CUR);
  const auto from = static_cast<off_t>(file->unsent);
  // Only a hint: where the system cannot, the flush writes it all as before.
  if (end >= from) sync_file_range(file->fd, end - from, from, SYNC_FILE_RANGE_WRITE);
  file->unsent = 0;
#else
  (void)file;
  (void)written;
#endif
}

HANDLE fail_handle(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Opens the path for the disposition without truncating anything yet: an
// existing file is emptied only once the share modes allow it. Reports in
// `created` whether the file is new.
int open_for(const std::string& path, int mode, DWORD disposition, mode_t permissions, bool* created) {
  *created = false;
  const char* p = path.c_str();
  if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return open(p, mode);
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = open(p, mode | O_CREAT | O_EXCL, permissions);
    if (fd >= 0 || errno != EEXIST || disposition == CREATE_NEW) {
      *created = fd >= 0;
      return fd;
    }
    fd = open(p, mode);
    if (fd >= 0 || errno != ENOENT) return fd;
    // Removed between the two opens: try again to create it.
  }
  return -1;
}

// Win32 refuses CREATE_ALWAYS over a hidden or system file unless the caller
// names those attributes; it then keeps them, adds the requested ones and, for
// read-only, makes the file read-only.
DWORD apply_attributes(int fd, const struct stat& st, bool created, DWORD disposition, DWORD requested) {
  if (!created && disposition != CREATE_ALWAYS) return 0;
  DWORD stored = created ? 0 : attributes_stored_fd(fd);
  DWORD wanted = (requested & STORED_ATTRIBUTES) | stored;
  // A file system without extended attributes cannot keep them: the file stays plain.
  if (wanted != stored) attributes_store_fd(fd, wanted);
  if (!created && (requested & FILE_ATTRIBUTE_READONLY) && S_ISREG(st.st_mode) && fchmod(fd, st.st_mode & 07555) != 0)
    return error_from_errno(errno);
  return 0;
}

// Checks an existing file against what the opener is about to do to it.
DWORD check_existing(int fd, const struct stat& st, DWORD access, bool truncating, DWORD disposition, DWORD requested) {
  if (!S_ISREG(st.st_mode)) return 0;
  bool writing = truncating || (access & FILE_SHARE_WRITE);
  // Root may write any file, but a read-only file stays read-only to Win32 callers.
  if (writing && !(st.st_mode & S_IWUSR)) return ERROR_ACCESS_DENIED;
  if (disposition == CREATE_ALWAYS && (attributes_stored_fd(fd) & ~requested & STORED_ATTRIBUTES))
    return ERROR_ACCESS_DENIED;
  return 0;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  std::string path;
  if (DWORD error = posix_path(fileName, &path)) return fail_handle(error);
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
    return fail_handle(ERROR_INVALID_PARAMETER);
  }
  DWORD access = share_access_of(desiredAccess);
  bool truncating = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  if (creationDisposition == TRUNCATE_EXISTING && !(access & FILE_SHARE_WRITE)) {
    return fail_handle(ERROR_INVALID_PARAMETER);
  }
  if (shareMode & ~static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) {
    return fail_handle(ERROR_INVALID_PARAMETER);
  }
  bool backup = flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS;
  bool inherit = security && security->bInheritHandle;

  int mode = O_NOCTTY | (inherit ? 0 : O_CLOEXEC);
  bool reading = access & FILE_SHARE_READ;
  bool writing = (access & FILE_SHARE_WRITE) || truncating;
  mode |= writing ? (reading ? O_RDWR : O_WRONLY) : O_RDONLY;
  mode_t permissions = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

  bool created;
  int fd = open_for(path, mode, creationDisposition, permissions, &created);
  if (fd < 0 && errno == EISDIR && backup &&
      (creationDisposition == OPEN_EXISTING || creationDisposition == OPEN_ALWAYS)) {
    // Folders open only for queries, as Win32 allows with backup semantics.
    fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | (inherit ? 0 : O_CLOEXEC));
  }
  if (fd < 0) return fail_handle(error_for_path(errno, path));

  struct stat st;
  if (fstat(fd, &st) != 0) {
    DWORD error = error_from_errno(errno);
    close(fd);
    return fail_handle(error);
  }
  DWORD error = S_ISDIR(st.st_mode) && !backup ? ERROR_ACCESS_DENIED : 0;
  if (!error && !created) error = check_existing(fd, st, access, truncating, creationDisposition, flagsAndAttributes);
  auto* file = new FileHandle{};
  file->fd = fd;
  file->id = {st.st_dev, st.st_ino};
  file->access = access;
  file->regular = S_ISREG(st.st_mode);
  file->directory = S_ISDIR(st.st_mode);
  if (!error) error = share_acquire(file->id, access, shareMode, file);
  if (error) {
    close(fd);
    delete file;
    return fail_handle(error);
  }
  if (!created && truncating && file->regular && ftruncate(fd, 0) != 0) error = error_from_errno(errno);
  if (!error) error = apply_attributes(fd, st, created, creationDisposition, flagsAndAttributes);
  if (error) {
    close_file(file);
    return fail_handle(error);
  }
  bool existed = !created && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  // A child process may be given the descriptor as one of its standard handles.
  static std::once_flag installed;
  std::call_once(installed, [] {
    handle_set_descriptor_fn(HANDLE_KIND_FILE,
                             [](HandleHeader* record) { return static_cast<FileHandle*>(record)->fd; });
  });
  return handle_open(file, HANDLE_KIND_FILE, close_file);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  // Pipes and the standard handles read their own way.
  if (!overlapped && !file_from(handle)) return handle_stream_read(handle, buffer, bytesToRead, bytesRead);
  FileHandle* file = transfer_handle(handle, FILE_SHARE_READ, buffer, bytesToRead, bytesRead, overlapped);
  if (!file) return FALSE;
  auto* out = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t n = read(file->fd, out + done, bytesToRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      // What was read is delivered; the error shows on the next call.
      if (done) break;
      return fail_with(error_from_errno(errno));
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
    // Pipes and devices deliver what they have; only files are read up to the count.
    if (!file->regular) break;
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
  if (!overlapped && !file_from(handle)) return handle_stream_write(handle, buffer, bytesToWrite, bytesWritten);
  FileHandle* file = transfer_handle(handle, FILE_SHARE_WRITE, buffer, bytesToWrite, bytesWritten, overlapped);
  if (!file) return FALSE;
  const auto* in = static_cast<const char*>(buffer);
  DWORD done = 0;
  DWORD error = 0;
  while (done < bytesToWrite) {
    ssize_t n = write(file->fd, in + done, bytesToWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? error_from_errno(errno) : ERROR_DISK_FULL;
      break;
    }
    done += static_cast<DWORD>(n);
  }
  start_writing_out(file, done);
  // A full disk still reports how much did reach the file.
  if (bytesWritten) *bytesWritten = done;
  return error ? fail_with(error) : TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD moveMethod) {
  FileHandle* file = file_from(handle);
  if (!file) return fail_with(ERROR_INVALID_HANDLE);
  off_t base;
  switch (moveMethod) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = lseek(file->fd, 0, SEEK_CUR); break;
    case FILE_END: {
      struct stat st;
      base = fstat(file->fd, &st) == 0 ? st.st_size : -1;
      break;
    }
    default: return fail_with(ERROR_INVALID_PARAMETER);
  }
  if (base < 0) return fail_with(errno == ESPIPE ? ERROR_INVALID_FUNCTION : error_from_errno(errno));
  int64_t target;
  if (__builtin_add_overflow(static_cast<int64_t>(base), distance.QuadPart, &target)) {
    return fail_with(ERROR_INVALID_PARAMETER);
  }
  if (target < 0) return fail_with(ERROR_NEGATIVE_SEEK);
  if (lseek(file->fd, target, SEEK_SET) < 0) return fail_with(error_from_errno(errno));
  if (newPosition) newPosition->QuadPart = target;
  return TRUE;
}

BOOL GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
  FileHandle* file = file_from(handle);
  if (!file) return fail_with(ERROR_INVALID_HANDLE);
  if (!size) return fail_with(ERROR_NOACCESS);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return fail_with(error_from_errno(errno));
  size->QuadPart = st.st_size;
  return TRUE;
}

BOOL GetFileTime(HANDLE handle, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime) {
  FileHandle* file = file_from(handle);
  if (!file) return fail_with(ERROR_INVALID_HANDLE);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return fail_with(error_from_errno(errno));
  if (creationTime) *creationTime = filetime_from(st.st_ctim);
  if (lastAccessTime) *lastAccessTime = filetime_from(st.st_atim);
  if (lastWriteTime) *lastWriteTime = filetime_from(st.st_mtim);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  FileHandle* file = file_from(handle);
  if (!file) return fail_with(ERROR_INVALID_HANDLE);
  if (!(file->access & FILE_SHARE_WRITE)) return fail_with(ERROR_ACCESS_DENIED);
  // Devices and pipes that cannot be synchronised have nothing waiting to be written.
  if (fsync(file->fd) != 0 && errno != EINVAL && errno != EROFS) return fail_with(error_from_errno(errno));
  return TRUE;
}

namespace {

// Open-file-description locks belong to the handle, not to the process, as Win32's do:
// two handles of one process conflict, and a handle's locks end with it.
BOOL set_range_lock(HANDLE handle, short type, bool wait, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
  FileHandle* file = file_from(handle);
  if (!file) return fail_with(ERROR_INVALID_HANDLE);
  if (!overlapped) return fail_with(ERROR_NOACCESS);
  const uint64_t start = (static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset;
  const uint64_t length = (static_cast<uint64_t>(bytesHigh) << 32) | bytesLow;
  if (length == 0 || start > static_cast<uint64_t>(INT64_MAX) || length > INT64_MAX - start) {
    return fail_with(ERROR_INVALID_PARAMETER);
  }
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(start);
  range.l_len = static_cast<off_t>(length);
  int result;
  do {
    result = fcntl(file->fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return TRUE;
  return fail_with(errno == EAGAIN || errno == EACCES ? ERROR_LOCK_VIOLATION
                   : errno == EBADF                   ? ERROR_ACCESS_DENIED
                                                      : error_from_errno(errno));
}

}  // namespace

BOOL LockFileEx(HANDLE handle, DWORD flags, DWORD, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
  const short type = (flags & LOCKFILE_EXCLUSIVE_LOCK) ? F_WRLCK : F_RDLCK;
  return set_range_lock(handle, type, !(flags & LOCKFILE_FAIL_IMMEDIATELY), bytesLow, bytesHigh, overlapped);
}

BOOL UnlockFileEx(HANDLE handle, DWORD, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
  return set_range_lock(handle, F_UNLCK, false, bytesLow, bytesHigh, overlapped);
}
