// The message pump: queued events first, otherwise one platform message,
// offered to the keyboard shortcuts of the active window before dispatching.
#include <cstring>

#include "gui/event.h"
#include "gui/window.h"

namespace {

// Rich edit controls answer their options to this message; a read-only one has this option.
constexpr UINT kRichEditGetOptions = WM_USER + 78;
constexpr LRESULT kRichEditReadOnly = 0x800;
// Every kind of input and message; spelled out, as the SDK's QS_ALLINPUT grows with the Windows version.
constexpr DWORD kWakeOnAnyInput = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                                  QS_SENDMESSAGE | QS_HOTKEY | QS_ALLPOSTMESSAGE | QS_RAWINPUT;
static_assert(kWakeOnAnyInput == 0x5FF, "what wakes the pump");
constexpr LRESULT kCuesHidden = UISF_HIDEFOCUS | UISF_HIDEACCEL;

bool key_down(int key) { return GetKeyState(key) < 0; }

// A rich edit control that takes Tab itself keeps it from the shortcuts.
bool rich_edit_takes_tab(HWND focus, bool modifier_down) {
  if (modifier_down || !key_down(VK_TAB)) return false;
  WCHAR name[8] = {};
  if (GetClassNameW(focus, name, 8) < 4) return false;
  const WCHAR rich[] = TEXT("Rich");
  if (memcmp(name, rich, 4 * sizeof(WCHAR)) != 0) return false;
  return !(SendMessageW(focus, kRichEditGetOptions, 0, 0) & kRichEditReadOnly);
}

// The accelerator table that applies to the active window, or null.
HACCEL active_accelerators(HWND active) {
  if (!active) return nullptr;
  HWND focus = GetFocus();
  const bool modifier_down = key_down(VK_CONTROL) || key_down(VK_SHIFT) || key_down(VK_MENU);
  if (focus && rich_edit_takes_tab(focus, modifier_down)) return nullptr;
  if (modifier_down) event_show_keyboard_cues(active);
  if (focus && GetPropW(focus, TEXT("KT_Hotkey"))) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(active, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  const auto property = reinterpret_cast<intptr_t>(GetPropW(active, TEXT("KT_WindowID")));
  if (property == 0) return nullptr;
  // A text field keeps the keys it edits with, when the window gave them to others outside it.
  return win_accelerators_for(property - 1, focus);
}

// One platform message into msg; false when none came in time.
bool next_message(MSG* msg, int32_t milliseconds) {
  if (milliseconds == -1) {
    // 0 is the quit message, which is served like any other; -1 is a failure with no message.
    return GetMessageW(msg, nullptr, 0, 0) != -1;
  }
  if (PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return true;
  if (milliseconds == 0) return false;
  if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), kWakeOnAnyInput) == WAIT_TIMEOUT) {
    return false;
  }
  return PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD) != 0;
}

void store_params(WPARAM wp, LPARAM lp) {
  if (WindowMessageParams* params = win_message_params()) {
    params->wparam = params->wparam_copy = wp;
    params->lparam = params->lparam_copy = lp;
  }
}

}  // namespace

void event_show_keyboard_cues(HWND window) {
  if (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & kCuesHidden) {
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, kCuesHidden), 0);
  }
}

void event_hide_keyboard_cues(HWND window) {
  if ((SendMessageW(window, WM_QUERYUISTATE, 0, 0) & kCuesHidden) != kCuesHidden) {
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, kCuesHidden), 0);
  }
}

int64_t event_wait() { return event_wait_timeout(-1); }

int64_t event_wait_timeout(int32_t milliseconds) {
  // Taking ends the event last taken even when the queue is empty and a platform message follows.
  const bool queued = event_pending();
  const int32_t code = event_take();
  if (queued) {
    store_params(0, 0);
    return code;
  }
  MSG msg{};
  if (!next_message(&msg, milliseconds)) return 0;
  HWND active = GetActiveWindow();
  HACCEL accelerators = active_accelerators(active);
  if (accelerators && TranslateAcceleratorW(active, accelerators, &msg)) {
    event_show_keyboard_cues(active);
  } else {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  store_params(msg.wParam, msg.lParam);
  return msg.message;
}
