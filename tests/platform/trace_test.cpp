// The message trace: with WEBROLO_TRACE=messages the stand-in writes a line
// for every send, post, dispatch and control notification, naming the
// window's class and the arguments; without it, nothing. Linux only: the
// trace is the stand-in's, and only in builds that keep it.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "message_log.h"
#include "platform/win32/user/trace.h"

namespace {

// What the calls write to stderr while fn runs.
template <typename Fn>
std::string stderr_of(Fn fn) {
  char path[] = "/tmp/webrolo-trace-XXXXXX";
  int file = mkstemp(path);
  EXPECT_GE(file, 0);
  std::fflush(stderr);
  int saved = dup(2);
  dup2(file, 2);
  fn();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::string out;
  lseek(file, 0, SEEK_SET);
  char buffer[4096];
  for (ssize_t n; (n = read(file, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  close(file);
  unlink(path);
  return out;
}

struct ListScene {
  HWND parent, list;
  ListScene() {
    register_logging_class(TEXT("TraceTestParent"));
    parent = CreateWindowExW(0, TEXT("TraceTestParent"), TEXT("t"), WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                             nullptr, nullptr, nullptr);
    list = CreateWindowExW(0, TEXT("ListBox"), nullptr, WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 150,
                           150, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(9)), nullptr, nullptr);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("one")));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("two")));
    drain_messages();
  }
  ~ListScene() { DestroyWindow(parent); }
  void act() const {
    PostMessageW(list, WM_USER + 5, 0x12, 0x34);
    SetFocus(list);  // the list notifies LBN_SETFOCUS
    drain_messages();
  }
};

TEST(Trace, MessagesAreWrittenOnlyWhenAskedFor) {
  if (!WEBROLO_TRACE) GTEST_SKIP() << "this build leaves the trace out";
  ListScene s;
  setenv("WEBROLO_TRACE", "fonts,messages", 1);
  trace::reload();
  std::string out = stderr_of([&] { s.act(); });
  unsetenv("WEBROLO_TRACE");
  trace::reload();

  char line[160];
  std::snprintf(line, sizeof line, "post     %p ListBox          0x0405 wParam 0x12 lParam 0x34",
                static_cast<void*>(s.list));
  EXPECT_NE(out.find(line), std::string::npos) << out;
  std::snprintf(line, sizeof line, "dispatch %p ListBox          0x0405 wParam 0x12 lParam 0x34",
                static_cast<void*>(s.list));
  EXPECT_NE(out.find(line), std::string::npos) << out;
  const auto code = static_cast<unsigned>(MAKEWPARAM(9, LBN_SETFOCUS));
  std::snprintf(line, sizeof line, "notify   %p ListBox          0x0111 wParam 0x%X lParam 0x%llX",
                static_cast<void*>(s.list), code, static_cast<unsigned long long>(handle_arg(s.parent)));
  EXPECT_NE(out.find(line), std::string::npos) << out;
  // The notification itself goes by as a send to the parent.
  std::snprintf(line, sizeof line, "send     %p TraceTestParent  0x0111 wParam 0x%X", static_cast<void*>(s.parent),
                code);
  EXPECT_NE(out.find(line), std::string::npos) << out;

  // Without the variable, or naming another channel, nothing is written.
  EXPECT_EQ(stderr_of([&] { s.act(); }), "");
  setenv("WEBROLO_TRACE", "messagesx", 1);
  trace::reload();
  EXPECT_EQ(stderr_of([&] { s.act(); }), "");
  unsetenv("WEBROLO_TRACE");
  trace::reload();
}

}  // namespace

#endif
