// Focus, activation, the foreground window, mouse capture and enabling, with
// Win32's messages in Win32's order: WM_KILLFOCUS to the old focus before
// WM_SETFOCUS to the new; WM_NCACTIVATE and WM_ACTIVATE to the window losing
// activation, then WM_ACTIVATEAPP, then the same two to the window gaining it.
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

HWND set_focus_window(Queue* q, HWND handle) {
  HWND previous = q->focus;
  if (previous == handle) return previous;
  q->focus = handle;
  if (Window* p = find(previous)) {
    send(p, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (q->focus != handle) return previous;  // moved again meanwhile
  }
  if (Window* w = find(handle)) send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

void set_active(Window* w, bool mouse) {
  Queue* q = current_queue();
  HWND previous = q->active;
  HWND handle = w ? w->handle : nullptr;
  if (previous == handle) {
    if (handle) foreground = handle;
    return;
  }
  q->active = handle;
  if (Window* p = find(previous)) {
    p->ncactive = false;
    p->frame_dirty = true;
    send(p, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(handle));
    if ((p = find(previous)))
      send(p, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (p->style & WS_MINIMIZE) ? 1 : 0), reinterpret_cast<LPARAM>(handle));
    if (q->active != handle) return;
  }
  if (handle && (w = find(handle)) && !(w->style & WS_MINIMIZE))
    set_window_pos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  bool was_foreground = previous != nullptr, is_foreground = handle != nullptr;
  foreground = handle;
  if (was_foreground != is_foreground) {
    // The program as a whole comes to the front or leaves it.
    std::vector<HWND> list;
    for (Window* t : toplevels)
      if (t->queue == q) list.push_back(t->handle);
    for (HWND h : list)
      if (Window* t = find(h)) send(t, WM_ACTIVATEAPP, is_foreground, 0);
  }
  if (handle && (w = find(handle))) {
    w->ncactive = true;
    w->frame_dirty = true;
    send(w, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(previous));
    if ((w = find(handle)))
      send(w, WM_ACTIVATE, MAKEWPARAM(mouse ? WA_CLICKACTIVE : WA_ACTIVE, (w->style & WS_MINIMIZE) ? 1 : 0),
           reinterpret_cast<LPARAM>(previous));
  }
  if (q->active != handle) return;
  // The focus follows into the active window.
  Window* focus = find(q->focus);
  if (!handle) set_focus_window(q, nullptr);
  else if (!focus || root(focus)->handle != handle) set_focus_window(q, handle);
}

bool can_activate(Window* t, Window* leaving) {
  return t != leaving && !t->dead && !t->destroying && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED) &&
         !(t->ex_style & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
}

}  // namespace

void activate(Window* top, bool by_mouse) { set_active(top ? root(top) : nullptr, by_mouse); }

void activate_other(Window* leaving) {
  Window* next = nullptr;
  if (leaving->owner && can_activate(leaving->owner, leaving)) next = leaving->owner;
  for (Window* t : toplevels) {
    if (next) break;
    if (t->queue == leaving->queue && can_activate(t, leaving) && !(t->style & WS_MINIMIZE)) next = t;
  }
  set_active(next, false);
}

void focus_leaving(Window* w) {
  Window* parent = is_child(w) ? w->parent : nullptr;
  set_focus_window(w->queue, parent ? parent->handle : nullptr);
}

}  // namespace user

using namespace user;

HWND SetFocus(HWND window) {
  Queue* q = current_queue();
  if (!window) return q->focus ? set_focus_window(q, nullptr) : nullptr;
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  if (w->queue != q) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (q->focus == window) return window;
  // A minimised or disabled window, or one inside such a window, cannot take the focus.
  for (Window* a = w; a; a = a->parent)
    if (a->style & (WS_MINIMIZE | WS_DISABLED)) return nullptr;
  Window* top = root(w);
  if (q->active != top->handle) {
    set_active(top, false);
    if (!find(window) || q->active != top->handle) return nullptr;
  }
  return set_focus_window(q, window);
}

HWND GetFocus() { return current_queue()->focus; }

HWND SetActiveWindow(HWND window) {
  Queue* q = current_queue();
  HWND previous = q->active;
  if (!window) {
    set_active(nullptr, false);
    return previous;
  }
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  if (is_child(w) || w->queue != q) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  set_active(w, false);
  return previous;
}

HWND GetActiveWindow() { return current_queue()->active; }

HWND GetForegroundWindow() { return foreground; }

BOOL SetForegroundWindow(HWND window) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  activate(w, false);
  return foreground == root(w)->handle ? TRUE : FALSE;
}

HWND SetCapture(HWND window) {
  Queue* q = current_queue();
  HWND previous = q->capture;
  Window* w = window ? find_or_fail(window) : nullptr;
  if (window && !w) return nullptr;
  q->capture = window;
  if (previous && previous != window)
    if (Window* p = find(previous)) send(p, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return previous;
}

BOOL ReleaseCapture() {
  Queue* q = current_queue();
  HWND previous = q->capture;
  q->capture = nullptr;
  if (Window* p = find(previous)) send(p, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return current_queue()->capture; }

BOOL EnableWindow(HWND window, BOOL enable) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  HWND handle = w->handle;
  if (enable) {
    bool was_disabled = (w->style & WS_DISABLED) != 0;
    if (was_disabled) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
      w->frame_dirty = true;
      send(w, WM_ENABLE, TRUE, 0);
    }
    return was_disabled ? TRUE : FALSE;
  }
  send(w, WM_CANCELMODE, 0, 0);
  if (!(w = find(handle))) return FALSE;
  bool was_disabled = (w->style & WS_DISABLED) != 0;
  if (!was_disabled) {
    w->style |= WS_DISABLED;
    w->frame_dirty = true;
    // A disabled window cannot keep the focus.
    if (w->queue->focus == handle) set_focus_window(w->queue, nullptr);
    if ((w = find(handle))) send(w, WM_ENABLE, FALSE, 0);
  }
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  Window* w = find(window);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}
