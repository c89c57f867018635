// The one window procedure of the library's windows: window messages become
// events, control notifications go to the gadgets that sent them, and Tab and
// Shift+Tab move the focus between tab stops.
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "gui/window_internal.h"
#include "runtime/mem.h"

namespace {

// The tray icon's private message.
constexpr UINT kTrayMessage = 12501;
// A private message a control sends its parent, forwarded like a notification.
constexpr UINT kGadgetParentMessage = 13120;
constexpr int64_t kMenuControlId = -10000;

typedef LRESULT(CALLBACK* FrameProcedure)(HWND, HWND, UINT, WPARAM, LPARAM);
FrameProcedure frame_procedure = nullptr;
void (*session_end_handler)() = nullptr;

// The calls that win_call_later keeps due, each on a timer of its own.
constexpr UINT_PTR kLaterTimer = 0x5EED;
constexpr size_t kLaterSlots = 4;
void (*later_callbacks[kLaterSlots])() = {};

void CALLBACK on_later(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  const size_t slot = id - kLaterTimer;
  if (slot >= kLaterSlots) return;
  void (*callback)() = later_callbacks[slot];
  later_callbacks[slot] = nullptr;
  if (callback) callback();
}

struct Target {
  HWND window;           // the message's window
  int64_t number;        // the owning library window's number
  WindowObject* object;  // its object
};

void post(int32_t code, int64_t gadget, const Target& target, int64_t type = 0) {
  event_post(code, gadget, target.number, type);
}

bool same_class(HWND window, const WCHAR* name) {
  WCHAR found[32] = {};
  const int length = GetClassNameW(window, found, 32);
  int i = 0;
  for (; name[i]; i++) {
    if (i >= length) return false;
    WCHAR a = found[i], b = name[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<WCHAR>(a + 32);
    if (b >= 'A' && b <= 'Z') b = static_cast<WCHAR>(b + 32);
    if (a != b) return false;
  }
  return i == length;
}

// The children of a window in the order EnumChildWindows gives them, each marked when it is a tab stop.
struct Children {
  HWND* items;
  bool* stops;
  int count;
  int capacity;
};

bool is_tab_stop(HWND child) {
  return (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(child) && IsWindowEnabled(child);
}

BOOL CALLBACK collect_child(HWND child, LPARAM param) {
  auto* list = reinterpret_cast<Children*>(param);
  if (list->count == list->capacity) {
    const int capacity = list->capacity ? list->capacity * 2 : 32;
    auto* items = static_cast<HWND*>(mem_realloc(list->items, static_cast<size_t>(capacity) * sizeof(HWND)));
    if (items) list->items = items;
    auto* stops = static_cast<bool*>(mem_realloc(list->stops, static_cast<size_t>(capacity) * sizeof(bool)));
    if (stops) list->stops = stops;
    if (!items || !stops) return FALSE;
    list->capacity = capacity;
  }
  list->items[list->count] = child;
  list->stops[list->count] = is_tab_stop(child);
  list->count++;
  return TRUE;
}

// The tab stop to focus: forward, the first after the current control (from
// the start again when none follows); backward, the last before it, or the
// last of all when none comes before it or there is no current control.
int next_tab_stop(const Children& list, HWND current, bool forward) {
  int at = -1;
  for (int i = 0; i < list.count && at == -1; i++) {
    if (current && list.items[i] == current) at = i;
  }
  if (forward) {
    for (int i = at + 1; i < list.count; i++) {
      if (list.stops[i]) return i;
    }
    for (int i = 0; i < list.count; i++) {
      if (list.stops[i]) return i;
    }
    return -1;
  }
  for (int i = at - 1; i >= 0; i--) {
    if (list.stops[i]) return i;
  }
  for (int i = list.count - 1; i >= 0; i--) {
    if (list.stops[i]) return i;
  }
  return -1;
}

BOOL CALLBACK send_color_change(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

LRESULT on_size(const Target& target, WPARAM kind) {
  if (!target.object) return WIN_NOT_HANDLED;
  if (target.window != target.object->handle) return 1;
  WindowObject* object = target.object;
  switch (kind) {
    case SIZE_RESTORED:
      if (object->min_max_state == 1) {
        object->min_max_state = 0;
        post(EVENT_RESTORE_WINDOW, 0, target);
      }
      post(EVENT_SIZE_WINDOW, 0, target);
      break;
    case SIZE_MINIMIZED:
      object->min_max_state = 1;
      post(EVENT_MINIMIZE_WINDOW, 0, target);
      break;
    case SIZE_MAXIMIZED:
      object->min_max_state = 1;
      post(EVENT_MAXIMIZE_WINDOW, 0, target);
      post(EVENT_SIZE_WINDOW, 0, target);
      break;
    default: post(EVENT_SIZE_WINDOW, 0, target);
  }
  return 0;
}

LRESULT on_activate(const Target& target, WPARAM wp) {
  HWND window = target.window;
  if (LOWORD(wp) != WA_INACTIVE) {
    // Only a control of this window gets the focus back; the handle may have gone meanwhile.
    auto focus = static_cast<HWND>(GetPropW(window, TEXT("KT_Focus")));
    if (focus && IsWindow(focus) && IsChild(window, focus)) SetFocus(focus);
    post(EVENT_ACTIVATE_WINDOW, 0, target);
  } else {
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus)) {
      SetPropW(window, TEXT("KT_Focus"), focus);
    } else {
      RemovePropW(window, TEXT("KT_Focus"));
    }
    event_hide_keyboard_cues(window);
    post(EVENT_DEACTIVATE_WINDOW, 0, target);
  }
  return 1;
}

LRESULT on_erase(const Target& target, WPARAM wp) {
  LRESULT result = WIN_NOT_HANDLED;
  auto dc = reinterpret_cast<HDC>(wp);
  if (target.object->background_brush) {
    RECT client;
    GetClientRect(target.window, &client);
    FillRect(dc, &client, target.object->background_brush);
    result = 1;
  } else if (target.window == target.object->handle && target.object->erase_callback) {
    result = target.object->erase_callback(target.window, dc);
  }
  post(EVENT_REPAINT, 0, target);
  return result;
}

LRESULT on_min_max_info(const Target& target, LPARAM lp) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lp);
  const WindowObject* object = target.object;
  if (object->min_width) info->ptMinTrackSize.x = object->min_width;
  if (object->min_height) info->ptMinTrackSize.y = object->min_height;
  if (object->max_width) info->ptMaxTrackSize.x = object->max_width;
  if (object->max_height) info->ptMaxTrackSize.y = object->max_height;
  if (!object->min_width && (GetWindowLongW(target.window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    info->ptMinTrackSize.x = 1;
  }
  return 0;
}

LRESULT on_command(const Target& target, WPARAM wp, LPARAM lp) {
  auto control = reinterpret_cast<HWND>(lp);
  const WORD command = LOWORD(wp);
  const WORD notification = HIWORD(wp);
  if (control) {
    const LRESULT result = gadget_forward_parent_message(control, target.window, WM_COMMAND, wp, lp);
    if (result != WIN_NOT_HANDLED) return result;
    const auto id = static_cast<int64_t>(GetWindowLongPtrW(control, GWLP_ID));
    if (id == kMenuControlId) {
      post(EVENT_MENU, command, target);
    } else {
      post(EVENT_GADGET, id, target, notification);
    }
  } else if (notification == 0) {
    post(EVENT_MENU, command, target);
  } else if (command == WIN_COMMAND_NEXT_CONTROL) {
    win_move_focus(true);
  } else if (command == WIN_COMMAND_PREVIOUS_CONTROL) {
    win_move_focus(false);
  } else {
    post(EVENT_MENU, command, target);
  }
  return 0;
}

LRESULT on_tray(const Target& target, WPARAM wp, LPARAM lp) {
  int64_t type = -1;
  switch (static_cast<UINT>(lp)) {
    case WM_LBUTTONDOWN: type = 0; break;
    case WM_RBUTTONDOWN: type = 1; break;
    case WM_LBUTTONDBLCLK: type = 2; break;
    case WM_RBUTTONDBLCLK: type = 3; break;
  }
  if (type != -1) post(EVENT_TRAY, static_cast<int64_t>(wp), target, type);
  PostMessageW(target.window, WM_NULL, 0, 0);
  return 0;
}

LRESULT dispatch(const Target& target, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCDESTROY) {
    RemovePropW(target.window, TEXT("KT_Focus"));
    return 1;
  }
  // A window that no longer (or not yet) belongs to the library raises no events.
  if (!target.object) return WIN_NOT_HANDLED;
  switch (message) {
    case WM_MOVE:
      if (target.window == target.object->handle) post(EVENT_MOVE_WINDOW, target.number, target);
      return 0;
    case WM_SIZE: return on_size(target, wp);
    case WM_ACTIVATE: return on_activate(target, wp);
    case WM_CLOSE:
      // Only a request: the program decides whether the window goes.
      if (target.window == target.object->handle) post(EVENT_CLOSE_WINDOW, target.number, target);
      return 0;
    case WM_QUERYENDSESSION: return TRUE;  // the session is never held up
    case WM_ENDSESSION:
      if (wp && target.window == target.object->handle) {
        if (session_end_handler) session_end_handler();
        post(EVENT_CLOSE_WINDOW, target.number, target);
      }
      return 0;
    case WM_ERASEBKGND: return on_erase(target, wp);
    case WM_SYSCOLORCHANGE:
      if (!target.object->mdi_client) EnumChildWindows(target.window, send_color_change, 0);
      return WIN_NOT_HANDLED;
    case WM_GETMINMAXINFO: return on_min_max_info(target, lp);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (!header) return WIN_NOT_HANDLED;
      return gadget_forward_parent_message(header->hwndFrom, target.window, message, wp, lp);
    }
    case WM_COMMAND: return on_command(target, wp, lp);
    case WM_TIMER: post(EVENT_TIMER, static_cast<int64_t>(wp), target); return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case kGadgetParentMessage:
      if (!lp) return WIN_NOT_HANDLED;
      return gadget_forward_parent_message(reinterpret_cast<HWND>(lp), target.window, message, wp, lp);
    case WM_LBUTTONUP: post(EVENT_LEFT_CLICK, 0, target); return 0;
    case WM_LBUTTONDBLCLK: post(EVENT_LEFT_DOUBLE_CLICK, 0, target); return 0;
    case WM_RBUTTONUP: post(EVENT_RIGHT_CLICK, 0, target); return 0;
    case kTrayMessage: return on_tray(target, wp, lp);
  }
  return WIN_NOT_HANDLED;
}

// The class procedure's last step: an MDI frame hands what it leaves to the frame procedure.
LRESULT finish(HWND window, UINT message, WPARAM wp, LPARAM lp, LRESULT result) {
  auto client = static_cast<HWND>(GetPropW(window, TEXT("KT_MDI_Gadget")));
  if (client && message != WM_SIZE && frame_procedure) {
    const bool menu_command = message == WM_COMMAND && lp == 0;
    if (result == WIN_NOT_HANDLED || message == WM_MENUCHAR || message == WM_SETFOCUS || menu_command) {
      return frame_procedure(window, client, message, wp, lp);
    }
    return result;
  }
  SetLastError(0);
  return result == WIN_NOT_HANDLED ? DefWindowProcW(window, message, wp, lp) : result;
}

}  // namespace

void win_on_session_end(void (*handler)()) { session_end_handler = handler; }

bool win_call_later(int64_t number, uint32_t ms, void (*callback)()) {
  size_t free_slot = kLaterSlots;
  for (size_t slot = 0; slot < kLaterSlots; ++slot) {
    if (later_callbacks[slot] == callback) return true;
    if (!later_callbacks[slot] && free_slot == kLaterSlots) free_slot = slot;
  }
  HWND window = win_handle(number);
  if (free_slot == kLaterSlots || !window || !SetTimer(window, kLaterTimer + free_slot, ms, on_later)) return false;
  later_callbacks[free_slot] = callback;
  return true;
}

void win_procedure_init() {
  // The stand-in offers no MDI; where the platform has the frame procedure, MDI frames use it.
  HMODULE user = GetModuleHandleW(TEXT("User32.dll"));
  FARPROC found = user ? GetProcAddress(user, "DefFrameProcW") : nullptr;
  frame_procedure = reinterpret_cast<FrameProcedure>(reinterpret_cast<void (*)()>(found));
}

LRESULT CALLBACK win_procedure(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  Target target{window, win_number(window), nullptr};
  if (target.number != -1) target.object = win_object(target.number);
  WindowCallback callback = target.object ? target.object->callback : nullptr;
  if (!callback && win_message_params()) callback = win_message_params()->callback;
  if (callback) {
    const LRESULT result = callback(window, message, wp, lp);
    if (result != WIN_CALLBACK_PASS) return result;
  }
  return finish(window, message, wp, lp, dispatch(target, message, wp, lp));
}

void win_move_focus(bool forward) {
  HWND active = GetActiveWindow();
  if (!active) return;
  HWND searched = active;
  HWND focus = GetFocus();
  HWND current = focus && IsChild(active, focus) ? focus : nullptr;
  for (HWND w = current; w && w != active; w = GetParent(w)) {
    if ((same_class(w, TEXT("ComboBoxEx32")) && (GetWindowLongW(w, GWL_STYLE) & 0x1)) ||
        same_class(w, TEXT("SysIPAddress32"))) {
      current = w;
    } else if (same_class(w, TEXT("MDI_ChildClass"))) {
      searched = w;
      if (w == focus) current = nullptr;
      break;
    }
  }
  Children list{nullptr, nullptr, 0, 0};
  EnumChildWindows(searched, collect_child, reinterpret_cast<LPARAM>(&list));
  const int next = next_tab_stop(list, current, forward);
  if (next != -1) SetFocus(list.items[next]);
  mem_free(list.items);
  mem_free(list.stops);
}
