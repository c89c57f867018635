// A parent window for the standard controls' tests: it notes the
// notifications (WM_COMMAND) and colour requests (WM_CTLCOLOR*) its children
// send, can answer the colour requests with a brush of its own, and can
// destroy the control from inside a chosen notification.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

struct Notice {
  UINT message;  // WM_COMMAND or a WM_CTLCOLOR* message
  WORD id;       // WM_COMMAND: the control's identifier
  WORD code;     // WM_COMMAND: the notification code
  HWND from;
};

struct ParentState {
  std::vector<Notice> notices;
  HBRUSH answer = nullptr;             // answer to every WM_CTLCOLOR* request (null: DefWindowProcW)
  COLORREF answer_back = 0;            // SetBkColor with the answer
  WORD destroy_on = 0xFFFF;            // a notification code that destroys its sender
  std::basic_string<WCHAR> text_seen;  // the sender's text when the last EN_CHANGE came
};

inline ParentState& parent_state() {
  static ParentState state;
  return state;
}

inline LRESULT CALLBACK control_parent_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ParentState& s = parent_state();
  switch (message) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lParam);
      s.notices.push_back(Notice{message, LOWORD(wParam), HIWORD(wParam), from});
      if (HIWORD(wParam) == EN_CHANGE) {
        WCHAR buffer[256] = {};
        GetWindowTextW(from, buffer, 256);
        s.text_seen = buffer;
      }
      if (HIWORD(wParam) == s.destroy_on) DestroyWindow(from);
      return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      s.notices.push_back(Notice{message, 0, 0, reinterpret_cast<HWND>(lParam)});
      if (s.answer) {
        SetBkColor(reinterpret_cast<HDC>(wParam), s.answer_back);
        return reinterpret_cast<LRESULT>(s.answer);
      }
      break;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A shown top-level parent window; the notes and answers start afresh.
inline HWND make_control_parent() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = control_parent_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TEXT("ControlTestParent");
    RegisterClassW(&wc);
    registered = true;
  }
  parent_state() = ParentState{};
  HWND parent = CreateWindowExW(0, TEXT("ControlTestParent"), TEXT("controls"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                100, 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(parent);
  return parent;
}

// The WM_COMMAND codes noted so far from one control, in order.
inline std::vector<WORD> codes_from(HWND control) {
  std::vector<WORD> out;
  for (const Notice& n : parent_state().notices)
    if (n.message == WM_COMMAND && n.from == control) out.push_back(n.code);
  return out;
}

inline int count_code(HWND control, WORD code) {
  int n = 0;
  for (WORD c : codes_from(control))
    if (c == code) ++n;
  return n;
}

inline int count_colour(UINT message) {
  int n = 0;
  for (const Notice& x : parent_state().notices)
    if (x.message == message) ++n;
  return n;
}

inline void forget_notices() { parent_state().notices.clear(); }
