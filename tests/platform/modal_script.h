// Drives a modal dialog (a message box, a file dialog) of the test's own
// thread: a thread timer, which the dialog's own message loop runs, applies
// one step a tick to the active dialog. A script that goes wrong fails its
// test instead of hanging it: a dialog left up after the last step is
// cancelled, then destroyed; unless the script allows them, other dialogs
// over the first are closed with Enter and counted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "platform/win32.h"

using ModalStep = std::function<void(HWND active)>;

struct ModalScript {
  std::vector<ModalStep> steps;
  bool others_allowed = false;  // message boxes over the dialog are part of the script
  HWND first = nullptr;         // the dialog the first tick met
  int popups = 0;               // dialogs that came over the first one uninvited
  size_t next = 0;
  int idle = 0, covered = 0;
};

namespace modal_script {

inline ModalScript*& current() {
  static ModalScript* script = nullptr;
  return script;
}

inline bool is_dialog(HWND window) {
  WCHAR cls[16] = {};
  GetClassNameW(window, cls, 16);
  return u8(cls) == "#32770";
}

inline void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!current()) return;  // a tick that was already queued when its script ended
  ModalScript& s = *current();
  HWND active = GetActiveWindow();
  if (!active || !is_dialog(active)) return;
  if (!s.first) s.first = active;
  if (!s.others_allowed && active != s.first) {
    if (++s.covered > 20) {
      ++s.popups;
      s.covered = 0;
      PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    }
    return;
  }
  if (s.next < s.steps.size()) {
    s.steps[s.next++](active);
  } else if (++s.idle == 25) {
    PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
  } else if (s.idle > 50) {
    DestroyWindow(active);  // a box that takes no Cancel
  }
}

}  // namespace modal_script

// Runs call(), which opens the dialog, with the script applied to it; answers what call() answers.
template <typename Call>
auto run_modal(ModalScript& script, Call call) {
  modal_script::current() = &script;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, modal_script::tick);
  auto answer = call();
  KillTimer(nullptr, timer);
  modal_script::current() = nullptr;
  return answer;
}
