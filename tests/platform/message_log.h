// Message-sequence recording for window tests: a window procedure that notes
// every message it gets (then leaves it to DefWindowProcW), the notes of one
// window kept to the messages a test cares about, and expected sequences
// (message, sent or posted, arguments, optional entries) compared with them.
//
// A message reads as posted when drain_messages() dispatches it; Win32 offers
// no way to tell otherwise, so a message another loop dispatches reads as sent.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32.h"

enum class Via { Sent, Posted, Either };

struct LoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  Via via = Via::Sent;
};

inline std::vector<LoggedMessage>& message_log() {
  static std::vector<LoggedMessage> log;
  return log;
}

// The message drain_messages() is dispatching, until a logging procedure claims it.
inline const MSG*& message_being_dispatched() {
  static const MSG* msg = nullptr;
  return msg;
}

// Notes a message; what logging procedures call first.
inline void log_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const MSG*& posted = message_being_dispatched();
  Via via = Via::Sent;
  if (posted && posted->hwnd == hwnd && posted->message == message && posted->wParam == wParam &&
      posted->lParam == lParam) {
    via = Via::Posted;
    posted = nullptr;  // what it sends on reads as sent
  }
  message_log().push_back(LoggedMessage{hwnd, message, wParam, lParam, via});
}

inline LRESULT CALLBACK logging_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  log_message(hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Registers a class with the logging procedure (once per name; later calls reuse it).
inline void register_logging_class(const WCHAR* name, UINT style = 0, int window_extra = 0,
                                   HBRUSH background = nullptr) {
  WNDCLASSW wc{};
  wc.style = style;
  wc.lpfnWndProc = logging_proc;
  wc.cbWndExtra = window_extra;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

// The messages hwnd got, in order, keeping only those listed.
inline std::vector<LoggedMessage> logged(HWND hwnd, std::initializer_list<UINT> keep) {
  std::vector<LoggedMessage> out;
  for (const LoggedMessage& m : message_log()) {
    if (m.hwnd != hwnd) continue;
    for (UINT k : keep)
      if (k == m.message) out.push_back(m);
  }
  return out;
}

// Their numbers only.
inline std::vector<UINT> messages_of(HWND hwnd, std::initializer_list<UINT> keep) {
  std::vector<UINT> out;
  for (const LoggedMessage& m : message_log()) {
    if (m.hwnd != hwnd) continue;
    for (UINT k : keep)
      if (k == m.message) out.push_back(m.message);
  }
  return out;
}

// Position of the first logged (hwnd, message), or -1.
inline int position_of(HWND hwnd, UINT message) {
  const auto& log = message_log();
  for (size_t i = 0; i < log.size(); ++i)
    if (log[i].hwnd == hwnd && log[i].message == message) return static_cast<int>(i);
  return -1;
}

inline const LoggedMessage* find_logged(HWND hwnd, UINT message) {
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == hwnd && m.message == message) return &m;
  return nullptr;
}

// Runs every message that is waiting.
inline void drain_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    message_being_dispatched() = &msg;
    DispatchMessageW(&msg);
    message_being_dispatched() = nullptr;
  }
}

// One entry of an expected sequence: the message, how it came, the arguments
// a test knows, and whether it may be missing.
struct Expected {
  UINT message;
  Via via = Via::Either;
  std::optional<WPARAM> wParam;
  std::optional<LPARAM> lParam;
  bool optional = false;

  Expected maybe() const {
    Expected e = *this;
    e.optional = true;
    return e;
  }
  bool matches(const LoggedMessage& m) const {
    return m.message == message && (via == Via::Either || via == m.via) && (!wParam || *wParam == m.wParam) &&
           (!lParam || *lParam == m.lParam);
  }
};

inline Expected sent(UINT message, std::optional<WPARAM> wParam = {}, std::optional<LPARAM> lParam = {}) {
  return Expected{message, Via::Sent, wParam, lParam};
}
inline Expected posted(UINT message, std::optional<WPARAM> wParam = {}, std::optional<LPARAM> lParam = {}) {
  return Expected{message, Via::Posted, wParam, lParam};
}
inline Expected either(UINT message, std::optional<WPARAM> wParam = {}, std::optional<LPARAM> lParam = {}) {
  return Expected{message, Via::Either, wParam, lParam};
}
inline LPARAM handle_arg(HWND window) { return reinterpret_cast<LPARAM>(window); }

inline std::string message_name(UINT message) {
  static const struct {
    UINT number;
    const char* name;
  } names[] = {
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_CANCELMODE, "WM_CANCELMODE"},
      {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_NCCREATE, "WM_NCCREATE"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
      {WM_TIMER, "WM_TIMER"},
      {WM_CTLCOLORLISTBOX, "WM_CTLCOLORLISTBOX"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
      {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
  };
  for (const auto& n : names)
    if (n.number == message) return n.name;
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", message);
  return text;
}

inline std::string describe(UINT message, Via via, std::optional<WPARAM> wParam, std::optional<LPARAM> lParam) {
  std::string out = message_name(message);
  out += via == Via::Sent ? " sent" : via == Via::Posted ? " posted" : "";
  char text[64];
  if (wParam) {
    std::snprintf(text, sizeof text, " wParam 0x%llX", static_cast<unsigned long long>(*wParam));
    out += text;
  }
  if (lParam) {
    std::snprintf(text, sizeof text, " lParam 0x%llX", static_cast<unsigned long long>(*lParam));
    out += text;
  }
  return out;
}

// Compares what was logged with what was expected, in order; an optional
// entry that does not match is passed over. A failure names the first
// difference and lists what was logged.
inline ::testing::AssertionResult same_sequence(const std::vector<LoggedMessage>& got,
                                                const std::vector<Expected>& want) {
  size_t g = 0, w = 0;
  while (w < want.size()) {
    if (g < got.size() && want[w].matches(got[g])) {
      ++g, ++w;
    } else if (want[w].optional) {
      ++w;
    } else {
      break;
    }
  }
  if (w == want.size() && g == got.size()) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  failure << "at entry " << g << ": expected ";
  if (w < want.size()) {
    const Expected& e = want[w];
    failure << describe(e.message, e.via, e.wParam, e.lParam);
  } else {
    failure << "the end";
  }
  failure << ", got ";
  if (g < got.size()) failure << describe(got[g].message, got[g].via, got[g].wParam, got[g].lParam);
  else failure << "the end";
  failure << "\nlogged:";
  for (const LoggedMessage& m : got) failure << "\n  " << describe(m.message, m.via, m.wParam, m.lParam);
  return failure;
}
