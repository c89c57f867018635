// The end of the session: the messages Windows sends a program's top-level
// windows when the user logs off or the system shuts down, and in the
// stand-in build the signals that mean the same: SIGTERM (a logout, a
// shutdown, a service manager), SIGHUP (the terminal went away) and SIGINT.
// A signal handler may do almost nothing: it writes one byte to a pipe, a
// thread waiting on the pipe asks for the end and wakes the display, and the
// windows' own thread tells its windows when it next looks for messages.
#include "platform/win32/user/session.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

std::atomic<LPARAM> requested{0};
std::atomic<bool> delivered{false};
int signal_pipe[2] = {-1, -1};
volatile sig_atomic_t signalled = 0;
// What Windows gives a program after WM_ENDSESSION before it ends the process.
constexpr auto kGrace = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(20);

void on_signal(int number) {
  if (signalled) {
    // Asked twice: the user means now.
    signal(number, SIG_DFL);
    raise(number);
    return;
  }
  signalled = 1;
  const int saved = errno;
  const char byte = 1;
  if (write(signal_pipe[1], &byte, 1) < 0) {
    // Nothing a signal handler could do about it; the next signal ends the process.
  }
  errno = saved;
}

[[noreturn]] void watch_signals() {
  char byte = 0;
  while (read(signal_pipe[0], &byte, 1) < 0 && errno == EINTR) {
  }
  request_session_end(ENDSESSION_LOGOFF);
  // A program that does not get to its messages is ended all the same; its journal is on the disk already.
  for (auto waited = kPoll - kPoll; !delivered.load() && waited < kGrace; waited += kPoll)
    std::this_thread::sleep_for(kPoll);
  std::this_thread::sleep_for(kGrace);
  _exit(0);
}

}  // namespace

void end_session(LPARAM reason) {
  Queue* mine = current_queue();
  std::vector<HWND> windows;
  for (Window* top : toplevels)
    if (top->queue == mine) windows.push_back(top->handle);
  // Each window answers first; the answer cannot keep this session alive.
  for (HWND handle : windows)
    if (Window* w = find(handle)) send(w, WM_QUERYENDSESSION, 0, reason);
  for (HWND handle : windows)
    if (Window* w = find(handle)) send(w, WM_ENDSESSION, TRUE, reason);
}

void request_session_end(LPARAM reason) {
  requested.store(reason);
  display::current().wake();
}

void deliver_session_end() {
  if (requested.load(std::memory_order_relaxed) == 0) return;
  const LPARAM reason = requested.exchange(0);
  if (reason == 0) return;
  end_session(reason);
  delivered.store(true);
}

void end_session_on_signals() {
  if (pipe2(signal_pipe, O_CLOEXEC) != 0) return;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGHUP, SIGINT}) sigaction(number, &action, nullptr);
  std::thread(watch_signals).detach();
}

}  // namespace user
