// Anonymous pipes and the standard handles: pipe-like handles over POSIX
// descriptors, read and written through ReadFile and WriteFile. A handle is
// inheritable exactly when its descriptor stays open across exec, so the
// descriptor itself carries Win32's inherit flag.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>

#include "platform/win32/api.h"
#include "platform/win32/kernel/handles.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/process.h"

namespace {

constexpr DWORD kCanRead = 1;
constexpr DWORD kCanWrite = 2;

struct PipeHandle : HandleHeader {
  int fd;
  DWORD access;  // kCanRead, kCanWrite
};

DWORD close_pipe(HandleHeader* record) {
  auto* pipe = static_cast<PipeHandle*>(record);
  int result = close(pipe->fd);
  int err = errno;
  delete pipe;
  return result == 0 || err == EINTR ? 0 : error_from_errno(err);
}

int pipe_descriptor(HandleHeader* record) { return static_cast<PipeHandle*>(record)->fd; }

HANDLE open_pipe_handle(int fd, DWORD access) {
  static std::once_flag installed;
  std::call_once(installed, [] { handle_set_descriptor_fn(HANDLE_KIND_PIPE, pipe_descriptor); });
  auto* pipe = new PipeHandle{};
  pipe->fd = fd;
  pipe->access = access;
  return handle_open(pipe, HANDLE_KIND_PIPE, close_pipe);
}

PipeHandle* pipe_from(HANDLE handle) { return static_cast<PipeHandle*>(handle_get(handle, HANDLE_KIND_PIPE)); }

bool set_inherit(int fd, bool inherit) {
  int flags = fcntl(fd, F_GETFD);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFD, inherit ? (flags & ~FD_CLOEXEC) : (flags | FD_CLOEXEC)) == 0;
}

// write() with SIGPIPE held back, so a reader that went away is an error
// code (as in Win32) and not the end of this process.
ssize_t write_without_sigpipe(int fd, const char* data, size_t bytes) {
  sigset_t pipe_signal, old;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &old);
  sigset_t pending;
  sigpending(&pending);
  bool was_pending = sigismember(&pending, SIGPIPE);
  ssize_t n;
  do {
    n = write(fd, data, bytes);
  } while (n < 0 && errno == EINTR);
  int err = errno;
  if (n < 0 && err == EPIPE && !was_pending) {
    struct timespec now = {0, 0};
    sigtimedwait(&pipe_signal, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = err;
  return n;
}

std::atomic<HandleDescriptorFn> descriptor_fns[HANDLE_KIND_LIMIT];

}  // namespace

void handle_set_descriptor_fn(uint32_t kind, HandleDescriptorFn fn) {
  if (kind > 0 && kind < HANDLE_KIND_LIMIT) descriptor_fns[kind].store(fn);
}

int handle_descriptor(HANDLE handle) {
  for (uint32_t kind = 1; kind < HANDLE_KIND_LIMIT; ++kind) {
    HandleDescriptorFn fn = descriptor_fns[kind].load();
    if (!fn) continue;
    if (HandleHeader* record = handle_get(handle, kind)) return fn(record);
  }
  return -1;
}

BOOL handle_stream_read(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
  if (bytesRead) *bytesRead = 0;
  PipeHandle* pipe = pipe_from(handle);
  if (!pipe) return fail_with(ERROR_INVALID_HANDLE);
  if (!(pipe->access & kCanRead)) return fail_with(ERROR_ACCESS_DENIED);
  if (bytesToRead == 0) return TRUE;
  if (!buffer) return fail_with(ERROR_NOACCESS);
  ssize_t n;
  do {
    n = read(pipe->fd, buffer, bytesToRead);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return fail_with(error_from_errno(errno));
  if (n == 0) {
    // The end of a pipe is its writers having gone, which Win32 reports as an error.
    struct stat st;
    if (fstat(pipe->fd, &st) == 0 && S_ISFIFO(st.st_mode)) return fail_with(ERROR_BROKEN_PIPE);
  }
  if (bytesRead) *bytesRead = static_cast<DWORD>(n);
  return TRUE;
}

BOOL handle_stream_write(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten) {
  if (bytesWritten) *bytesWritten = 0;
  PipeHandle* pipe = pipe_from(handle);
  if (!pipe) return fail_with(ERROR_INVALID_HANDLE);
  if (!(pipe->access & kCanWrite)) return fail_with(ERROR_ACCESS_DENIED);
  if (bytesToWrite && !buffer) return fail_with(ERROR_NOACCESS);
  const auto* data = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t n = write_without_sigpipe(pipe->fd, data + done, bytesToWrite - done);
    if (n <= 0) {
      if (bytesWritten) *bytesWritten = done;
      return fail_with(n < 0 && errno == EPIPE ? ERROR_NO_DATA : n < 0 ? error_from_errno(errno) : ERROR_IO_DEVICE);
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

BOOL CreatePipe(PHANDLE readPipe, PHANDLE writePipe, LPSECURITY_ATTRIBUTES pipeAttributes, DWORD /*size*/) {
  if (!readPipe || !writePipe) return fail_with(ERROR_NOACCESS);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return fail_with(error_from_errno(errno));
  if (pipeAttributes && pipeAttributes->bInheritHandle) {
    set_inherit(fds[0], true);
    set_inherit(fds[1], true);
  }
  *readPipe = open_pipe_handle(fds[0], kCanRead);
  *writePipe = open_pipe_handle(fds[1], kCanWrite);
  return TRUE;
}

HANDLE GetStdHandle(DWORD stdHandle) {
  int fd;
  switch (stdHandle) {
    case STD_INPUT_HANDLE: fd = 0; break;
    case STD_OUTPUT_HANDLE: fd = 1; break;
    case STD_ERROR_HANDLE: fd = 2; break;
    default: SetLastError(ERROR_INVALID_HANDLE); return INVALID_HANDLE_VALUE;
  }
  static std::mutex lock;
  static HANDLE handles[3];
  std::lock_guard<std::mutex> hold(lock);
  // A standard handle closed by its owner is made anew over the same descriptor number.
  if (!pipe_from(handles[fd])) handles[fd] = open_pipe_handle(fd, kCanRead | kCanWrite);
  return handles[fd];
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE sourceHandle, HANDLE targetProcess, LPHANDLE targetHandle,
                     DWORD /*desiredAccess*/, BOOL inheritHandle, DWORD options) {
  if (sourceProcess != GetCurrentProcess() || (targetHandle && targetProcess != GetCurrentProcess())) {
    return fail_with(ERROR_NOT_SUPPORTED);
  }
  // Without a target there is nothing to make: only the closing of the source may be asked for.
  if (!targetHandle) return (options & DUPLICATE_CLOSE_SOURCE) ? CloseHandle(sourceHandle) : TRUE;
  HANDLE copy = nullptr;
  DWORD error = 0;
  if (PipeHandle* pipe = pipe_from(sourceHandle)) {
    int fd = fcntl(pipe->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0 || (inheritHandle && !set_inherit(fd, true))) {
      error = error_from_errno(errno);
      if (fd >= 0) close(fd);
    } else {
      copy = open_pipe_handle(fd, pipe->access);
    }
  } else if (!(copy = process_duplicate(sourceHandle))) {
    error = handle_get(sourceHandle, HANDLE_KIND_FILE) ? ERROR_NOT_SUPPORTED : ERROR_INVALID_HANDLE;
  }
  // Win32 closes the source on request even when the copy failed.
  if (options & DUPLICATE_CLOSE_SOURCE) CloseHandle(sourceHandle);
  if (error) return fail_with(error);
  *targetHandle = copy;
  return TRUE;
}
