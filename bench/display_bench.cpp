// Figures for the SDL display, which needs an X server (a virtual one does):
//   xvfb-run -a build/linux/bench/display_bench [repaints]   (default 200)
// - start to first frame: from starting a program (this one again, as a child)
//   to its 600x735 main window's first picture on the screen;
// - the CPU an idle program uses over 10 s, waiting in GetMessageW, without and
//   with a blinking caret, read from /proc/<pid>/stat;
// - how soon a message posted from another thread wakes the waiting program;
// - a full repaint of a 600x735 window holding 40 child windows that paint
//   themselves, through SDL (invalidate all, paint, compose, present).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/child_window.h"
#include "platform/win32.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 600, kHeight = 735;
constexpr UINT kLine = WM_APP + 1;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

LRESULT CALLBACK child_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    paint_child_window(hwnd);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK main_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kLine) {
    std::printf("%s\n", lParam == 1 ? "focus" : "pong");
    std::fflush(stdout);
    if (lParam == 1) SetFocus(GetDlgItem(hwnd, 100));
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The program's main window: 600 x 735 inside a fixed frame, 40 children and an edit field.
HWND open_main_window() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = main_proc;
  wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  wc.lpszClassName = TEXT("BenchMain");
  RegisterClassW(&wc);
  wc.lpfnWndProc = child_proc;
  wc.hbrBackground = nullptr;
  wc.lpszClassName = TEXT("BenchChild");
  RegisterClassW(&wc);
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r{0, 0, kWidth, kHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  HWND top = CreateWindowExW(0, TEXT("BenchMain"), TEXT("Display bench"), style, 10, 10, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 40; ++i)
    CreateWindowExW(0, TEXT("BenchChild"), TEXT(""), WS_CHILD | WS_VISIBLE, 10 + (i % 4) * 145, 10 + (i / 4) * 65, 140,
                    60, top, nullptr, nullptr, nullptr);
  CreateWindowExW(0, TEXT("EDIT"), TEXT("text"), WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 680, 300, 24, top,
                  reinterpret_cast<HMENU>(100), nullptr, nullptr);
  return top;
}

// Runs what is ready; the last, empty look composes and presents.
void settle() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The child: opens its window, says when its first picture is up, then idles;
// each line on its input is answered, "focus" first puts the caret in the field.
int idle_child() {
  if (!platform_open_display()) return 1;
  HWND top = open_main_window();
  ShowWindow(top, SW_SHOW);
  UpdateWindow(top);
  settle();
  std::printf("frame\n");
  std::fflush(stdout);
  std::thread([top] {
    char line[64];
    while (std::fgets(line, sizeof line, stdin))
      PostMessageW(top, kLine, 0, std::strncmp(line, "focus", 5) == 0 ? 1 : 0);
    PostMessageW(top, WM_CLOSE, 0, 0);
  }).detach();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

struct Child {
  pid_t pid = -1;
  int in = -1, out = -1;
  std::string buffer;
  bool line(std::string* got, int timeout_ms) {
    Clock::time_point start = Clock::now();
    for (;;) {
      size_t end = buffer.find('\n');
      if (end != std::string::npos) {
        *got = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        return true;
      }
      int left = timeout_ms - static_cast<int>(ms_since(start));
      pollfd p{out, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char chunk[256];
      ssize_t n = read(out, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffer.append(chunk, static_cast<size_t>(n));
    }
  }
  void say(const char* text) {
    if (write(in, text, std::strlen(text)) < 0) std::perror("display_bench: write");
  }
};

bool spawn(const char* self, Child* c) {
  int to[2], from[2];
  if (pipe2(to, O_CLOEXEC) || pipe2(from, O_CLOEXEC)) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from[1], 1);
  char* argv[] = {const_cast<char*>(self), const_cast<char*>("--idle-child"), nullptr};
  bool ok = posix_spawn(&c->pid, self, &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(to[0]);
  close(from[1]);
  c->in = to[1];
  c->out = from[0];
  return ok;
}

// User plus system CPU time of a process, in clock ticks.
long cpu_ticks(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = std::fopen(path, "r");
  if (!f) return -1;
  char buffer[1024];
  size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  buffer[n] = '\0';
  const char* p = std::strrchr(buffer, ')');  // the name may hold blanks: fields count from its end
  long utime = 0, stime = 0;
  if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime) != 2) return -1;
  return utime + stime;
}

double idle_cpu_percent(pid_t pid, int seconds) {
  long before = cpu_ticks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  long after = cpu_ticks(pid);
  return 100.0 * static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
}

int measure_child(const char* self) {
  Child c;
  Clock::time_point start = Clock::now();
  if (!spawn(self, &c)) return 1;
  std::string got;
  if (!c.line(&got, 20000) || got != "frame") {
    std::fprintf(stderr, "display_bench: the child showed no window (is there a display?)\n");
    return 1;
  }
  std::printf("start to first frame (600x735, 41 child windows): %.1f ms\n", ms_since(start));
  std::fflush(stdout);
  std::printf("idle CPU over 10 s, nothing focused: %.2f %%\n", idle_cpu_percent(c.pid, 10));
  double worst = 0, total = 0;
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Clock::time_point sent = Clock::now();
    c.say("ping\n");
    if (!c.line(&got, 5000)) return 1;
    double t = ms_since(sent);
    total += t;
    worst = t > worst ? t : worst;
  }
  std::printf("a message from another thread wakes it: %.2f ms on average, %.2f ms at worst (20 tries)\n", total / 20,
              worst);
  c.say("focus\n");
  c.line(&got, 5000);
  std::printf("idle CPU over 10 s, caret blinking in a field: %.2f %%\n", idle_cpu_percent(c.pid, 10));
  close(c.in);
  waitpid(c.pid, nullptr, 0);
  return 0;
}

void repaint(int repaints) {
  HWND top = open_main_window();
  ShowWindow(top, SW_SHOW);
  UpdateWindow(top);
  settle();
  Clock::time_point start = Clock::now();
  for (int i = 0; i < repaints; ++i) {
    InvalidateRect(top, nullptr, TRUE);
    UpdateWindow(top);
    settle();
  }
  HDC dc = GetDC(top);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(top, dc);
  std::printf("full repaint of the 600x735 window through SDL: %.3f ms (%d repaints, LOGPIXELSY %d)\n",
              ms_since(start) / repaints, repaints, dpi);
  DestroyWindow(top);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--idle-child") == 0) return idle_child();
  int repaints = argc > 1 ? std::atoi(argv[1]) : 200;
  if (repaints <= 0) repaints = 200;
  if (measure_child(argv[0]) != 0) return 1;
  if (!platform_open_display()) {
    std::fprintf(stderr, "display_bench: no display\n");
    return 1;
  }
  repaint(repaints);
  return 0;
}
