// Message-sequence recording for window tests: a window procedure that notes
// every message it gets (then leaves it to DefWindowProcW), and the notes of
// one window, kept to the messages a test cares about.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/win32.h"

struct LoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<LoggedMessage>& message_log() {
  static std::vector<LoggedMessage> log;
  return log;
}

inline LRESULT CALLBACK logging_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  message_log().push_back(LoggedMessage{hwnd, message, wParam, lParam});
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
    DispatchMessageW(&msg);
  }
}
