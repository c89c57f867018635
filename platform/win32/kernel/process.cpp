// Process handles over POSIX children: starting (posix_spawn), waiting,
// exit codes and termination. Several handles may name one child; the child
// is reaped exactly once, by whichever handle learns first that it ended, and
// a child whose last handle closes while it runs is reaped in the background
// so it never lingers as a zombie.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/win32/api.h"
#include "platform/win32/kernel/handles.h"
#include "platform/win32/kernel/paths.h"
#include "platform/win32/kernel/process.h"

extern char** environ;

namespace {

struct ProcessState {
  std::mutex lock;
  pid_t pid = 0;
  int pidfd = -1;  // readable once the child has ended; -1 where the kernel has no process descriptors
  bool reaped = false;
  DWORD exit_code = STILL_ACTIVE;
  bool terminated = false;  // TerminateProcess killed it, with this code
  DWORD terminate_code = 0;
  int handles = 0;
};

struct ProcessHandle : HandleHeader {
  ProcessState* state;
};

// Collects the exit status if the child has ended; true once it has. Takes the state's lock.
bool reap(ProcessState* state, bool block) {
  std::lock_guard<std::mutex> hold(state->lock);
  if (state->reaped) return true;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(state->pid, &status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return false;
  state->reaped = true;
  if (got < 0) {
    state->exit_code = 0;  // reaped elsewhere (SIGCHLD ignored): the status is lost
  } else if (WIFEXITED(status)) {
    state->exit_code = static_cast<DWORD>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    bool ours = state->terminated && WTERMSIG(status) == SIGKILL;
    state->exit_code = ours ? state->terminate_code : 128u + static_cast<DWORD>(WTERMSIG(status));
  }
  if (state->pidfd >= 0) close(state->pidfd);
  state->pidfd = -1;
  return true;
}

// Waits up to the time for the child to end; true when it has. Waiting itself
// does not reap, so concurrent waiters never take the status from each other.
bool wait_for(ProcessState* state, DWORD milliseconds) {
  if (reap(state, false)) return true;
  if (milliseconds == 0) return false;
  int pidfd = -1;
  {
    // Our own copy: another waiter may reap the child and close the original meanwhile.
    std::lock_guard<std::mutex> hold(state->lock);
    if (state->pidfd >= 0) pidfd = fcntl(state->pidfd, F_DUPFD_CLOEXEC, 0);
  }
  if (pidfd >= 0) {
    struct pollfd p = {pidfd, POLLIN, 0};
    ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
      int timeout = -1;
      if (milliseconds != INFINITE) {
        ULONGLONG now = GetTickCount64();
        timeout = now >= deadline ? 0 : static_cast<int>(std::min<ULONGLONG>(deadline - now, INT_MAX));
      }
      int n = poll(&p, 1, timeout);
      if (n >= 0 || errno != EINTR) {
        close(pidfd);
        if (n >= 0) return reap(state, n > 0);
        break;
      }
    }
  }
  // No process descriptor: look again now and then.
  ULONGLONG start = GetTickCount64();
  DWORD pause = 1;
  while (!reap(state, false)) {
    if (milliseconds != INFINITE && GetTickCount64() - start >= milliseconds) return false;
    Sleep(pause);
    if (pause < 20) pause *= 2;
  }
  return true;
}

DWORD close_process(HandleHeader* record) {
  ProcessState* state = static_cast<ProcessHandle*>(record)->state;
  delete static_cast<ProcessHandle*>(record);
  {
    std::lock_guard<std::mutex> hold(state->lock);
    if (--state->handles > 0) return 0;
  }
  if (reap(state, false)) {
    delete state;
    return 0;
  }
  try {
    std::thread([state] {
      reap(state, true);
      delete state;
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the child stays a zombie until this process ends.
  }
  return 0;
}

HANDLE open_handle(ProcessState* state) {
  auto* record = new ProcessHandle{};
  record->state = state;
  {
    std::lock_guard<std::mutex> hold(state->lock);
    ++state->handles;
  }
  return handle_open(record, HANDLE_KIND_PROCESS, close_process);
}

ProcessState* state_of(HANDLE process) {
  auto* record = static_cast<ProcessHandle*>(handle_get(process, HANDLE_KIND_PROCESS));
  return record ? record->state : nullptr;
}

DWORD spawn_error(int err) {
  switch (err) {
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case E2BIG: return ERROR_INVALID_PARAMETER;
    default: return error_from_errno(err);
  }
}

// Sets up the file actions for the standard descriptors. The sources are
// first copied above 2 (closed on exec), so no mapping clobbers another's source.
int plan_std_fds(const SpawnRequest& request, posix_spawn_file_actions_t* actions, int copies[3]) {
  for (int i = 0; i < 3; ++i) {
    copies[i] = -1;
    int fd = request.std_fds[i];
    int result = 0;
    if (fd == SPAWN_NULL) {
      result = posix_spawn_file_actions_addopen(actions, i, "/dev/null", i == 0 ? O_RDONLY : O_WRONLY, 0);
    } else if (fd >= 0) {
      copies[i] = fcntl(fd, F_DUPFD_CLOEXEC, 3);
      result = copies[i] < 0 ? errno : posix_spawn_file_actions_adddup2(actions, copies[i], i);
    }
    if (result) return result;
  }
  return 0;
}

}  // namespace

DWORD process_spawn(const SpawnRequest& request, HANDLE* process, DWORD* id) {
  *process = nullptr;
  *id = 0;
  std::vector<char*> argv;
  for (const std::string& a : request.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  if (request.environment) {
    for (const std::string& e : *request.environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (request.new_session) flags |= POSIX_SPAWN_SETSID;
  else if (request.new_group) flags |= POSIX_SPAWN_SETPGROUP;
  posix_spawnattr_setflags(&attributes, flags);
  // The child starts with no blocked signals and default handlers, whatever this process changed.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);

  int copies[3];
  int err = plan_std_fds(request, &actions, copies);
  if (!err && !request.directory.empty()) {
    err = posix_spawn_file_actions_addchdir_np(&actions, request.directory.c_str());
  }
  pid_t pid = 0;
  if (!err) {
    err = posix_spawn(&pid, request.path.c_str(), &actions, &attributes, argv.data(),
                      request.environment ? envp.data() : environ);
  }
  for (int fd : copies) {
    if (fd >= 0) close(fd);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (err) return spawn_error(err);

  auto* state = new ProcessState;
  state->pid = pid;
  // The child cannot be reaped before this: only its handles reap it.
  state->pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (state->pidfd >= 0) fcntl(state->pidfd, F_SETFD, FD_CLOEXEC);
  *process = open_handle(state);
  *id = static_cast<DWORD>(pid);
  return 0;
}

HANDLE process_duplicate(HANDLE process) {
  ProcessState* state = state_of(process);
  return state ? open_handle(state) : nullptr;
}

HANDLE GetCurrentProcess() { return INVALID_HANDLE_VALUE; }

DWORD GetProcessId(HANDLE process) {
  if (process == GetCurrentProcess()) return GetCurrentProcessId();
  ProcessState* state = state_of(process);
  if (!state) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(state->pid);
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  ProcessState* state = state_of(process);
  if (!state) return fail_with(ERROR_INVALID_HANDLE);
  if (!exitCode) return fail_with(ERROR_NOACCESS);
  reap(state, false);
  std::lock_guard<std::mutex> hold(state->lock);
  *exitCode = state->exit_code;
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  ProcessState* state = state_of(process);
  if (!state) return fail_with(ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> hold(state->lock);
  // An ended process can no longer be terminated, as in Win32.
  if (state->reaped) return fail_with(ERROR_ACCESS_DENIED);
  // Unreaped, the pid still names our child (at worst a zombie, which ignores the signal).
  if (kill(state->pid, SIGKILL) != 0) return fail_with(error_from_errno(errno));
  if (!state->terminated) {
    state->terminated = true;
    state->terminate_code = exitCode;
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ProcessState* state = state_of(handle);
  if (!state) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return wait_for(state, milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
