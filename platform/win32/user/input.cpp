// Mouse and keyboard input. Events from the display wait in the queue as they
// came; they become window messages only when retrieved, as in Win32: the
// window under the pointer (or the capture) gets mouse messages, with hit
// testing, double clicks for CS_DBLCLKS classes, activation on a click and
// WM_PARENTNOTIFY; the focus window gets key messages.
#include <cstdlib>

#include "platform/win32/user/window_internal.h"

namespace user {

BYTE async_keys[256];
POINT cursor_pos{0, 0};
HWND foreground = nullptr;

namespace {

bool down(const BYTE* keys, int vk) { return (keys[vk] & 0x80) != 0; }

WPARAM mouse_keys(const BYTE* keys) {
  WPARAM k = 0;
  if (down(keys, VK_LBUTTON)) k |= MK_LBUTTON;
  if (down(keys, VK_RBUTTON)) k |= MK_RBUTTON;
  if (down(keys, VK_MBUTTON)) k |= MK_MBUTTON;
  if (down(keys, VK_SHIFT)) k |= MK_SHIFT;
  if (down(keys, VK_CONTROL)) k |= MK_CONTROL;
  return k;
}

int button_vk(int button) { return button == 2 ? VK_RBUTTON : button == 3 ? VK_MBUTTON : VK_LBUTTON; }

void set_key(BYTE* keys, UINT vk, bool is_down) {
  auto apply = [&](UINT k) {
    if (is_down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 0x01;  // toggled on each press
      keys[k] |= 0x80;
    } else {
      keys[k] &= static_cast<BYTE>(~0x80);
    }
  };
  apply(vk & 0xFF);
  // The sided keys and the generic one move together.
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: apply(VK_SHIFT); break;
    case VK_LCONTROL:
    case VK_RCONTROL: apply(VK_CONTROL); break;
    case VK_LMENU:
    case VK_RMENU: apply(VK_MENU); break;
    case VK_SHIFT: apply(VK_LSHIFT); break;
    case VK_CONTROL: apply(VK_LCONTROL); break;
    case VK_MENU: apply(VK_LMENU); break;
    default: break;
  }
}

bool extended_key(UINT vk) {
  switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS: return true;
    default: return false;
  }
}

struct Translated {
  Window* window = nullptr;
  MSG msg{};
  int hit = HTCLIENT;
  bool button_down = false;
  UINT raw_message = 0;  // the client message, for WM_SETCURSOR and WM_PARENTNOTIFY
};

Window* toplevel_of(const display::Surface* surface) {
  if (surface)
    for (Window* t : toplevels)
      if (t->surface == surface) return t;
  return nullptr;
}

// The window under the pointer. A native display says which of its windows
// the pointer is in, and its stacking, not ours, decides.
Window* under(const display::InputEvent& e, POINT pt) {
  if (Window* top = toplevel_of(e.surface)) return window_at_in(top, pt);
  return window_at(pt);
}

bool translate_mouse(Queue* q, const RawInput& in, Translated* t) {
  const display::InputEvent& e = in.event;
  POINT pt{e.x, e.y};
  UINT base;
  switch (e.kind) {
    case display::InputEvent::Kind::MouseMove: base = WM_MOUSEMOVE; break;
    case display::InputEvent::Kind::MouseDown:
      base = e.button == 2 ? WM_RBUTTONDOWN : e.button == 3 ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
      t->button_down = true;
      break;
    case display::InputEvent::Kind::MouseUp:
      base = e.button == 2 ? WM_RBUTTONUP : e.button == 3 ? WM_MBUTTONUP : WM_LBUTTONUP;
      break;
    default: base = WM_MOUSEWHEEL; break;
  }
  t->raw_message = base;
  if (base == WM_MOUSEWHEEL) {
    // The wheel speaks to the focus window; DefWindowProcW hands it up the parents.
    Window* w = find(q->focus);
    if (!w) w = find(q->active);
    if (!w) return false;
    t->window = w;
    t->msg = MSG{
        w->handle, WM_MOUSEWHEEL, MAKEWPARAM(in.keys, static_cast<WORD>(e.wheel)), MAKELPARAM(pt.x, pt.y), in.time, pt};
    return true;
  }
  Window* w = find(q->capture);
  int hit = HTCLIENT;
  if (!w) {
    q->capture = nullptr;
    w = under(e, pt);
    if (!w || (root(w)->style & WS_DISABLED)) return false;
    for (;;) {
      HWND h = w->handle;
      Window* parent = w->parent;
      HWND ph = parent ? parent->handle : nullptr;
      hit = static_cast<int>(send(w, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)));
      if (hit != HTTRANSPARENT) {
        if (!(w = find(h))) return false;
        break;
      }
      // A transparent spot belongs to what lies beneath: the parent.
      if (!ph || !(w = find(ph))) return false;
    }
    if (hit == HTERROR) return false;
  }
  t->window = w;
  t->hit = hit;
  UINT message = base;
  WPARAM wParam;
  LPARAM lParam;
  if (hit == HTCLIENT) {
    POINT o = client_origin_on_screen(w);
    wParam = in.keys;
    lParam = MAKELPARAM(pt.x - o.x, pt.y - o.y);
  } else {
    message = base - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    wParam = static_cast<WPARAM>(hit);
    lParam = MAKELPARAM(pt.x, pt.y);
  }
  if (t->button_down && (hit != HTCLIENT || (w->cls->style & CS_DBLCLKS)) && q->click_message == base &&
      q->click_window == w->handle && in.time - q->click_time < GetDoubleClickTime() &&
      std::abs(pt.x - q->click_point.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
      std::abs(pt.y - q->click_point.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2)
    message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
  t->msg = MSG{w->handle, message, wParam, lParam, in.time, pt};
  return true;
}

bool translate_key(Queue* q, const RawInput& in, Translated* t) {
  const display::InputEvent& e = in.event;
  bool is_down = e.kind == display::InputEvent::Kind::KeyDown;
  Window* w = find(q->focus);
  bool sys = false;
  if (!w) {
    w = find(q->active);
    sys = true;  // no focus: the active window hears the keys as system keys
  }
  if (!w) return false;
  // in.keys holds the Alt and Ctrl state before this key: 1 Alt, 2 Ctrl, 4 was down.
  bool alt = (in.keys & 1) || e.key == VK_MENU || e.key == VK_LMENU || e.key == VK_RMENU;
  bool ctrl = (in.keys & 2) != 0;
  if ((alt && !ctrl) || e.key == VK_F10) sys = true;
  UINT message = is_down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lp = 1 | (static_cast<LPARAM>(e.scan & 0xFF) << 16);
  if (extended_key(e.key)) lp |= 1 << 24;
  if (alt && !ctrl) lp |= 1 << 29;
  if (!is_down || (in.keys & 4)) lp |= 1 << 30;
  if (!is_down) lp |= static_cast<LPARAM>(1u << 31);
  t->window = w;
  t->msg = MSG{w->handle, message, e.key, static_cast<LPARAM>(static_cast<DWORD>(lp)), in.time, cursor_pos};
  return true;
}

// Characters an input method or a compose sequence produced go to the focus as they are.
bool translate_text(Queue* q, const RawInput& in, Translated* t) {
  Window* w = find(q->focus);
  if (!w) w = find(q->active);
  if (!w) return false;
  t->window = w;
  t->msg = MSG{w->handle, WM_CHAR, in.event.text[0], 1, in.time, cursor_pos};
  return true;
}

bool is_mouse(display::InputEvent::Kind k) {
  using K = display::InputEvent::Kind;
  return k == K::MouseMove || k == K::MouseDown || k == K::MouseUp || k == K::MouseWheel;
}

// What retrieving a mouse message does besides returning it. False: the click is eaten.
bool mouse_side_effects(Queue* q, const RawInput& in, Translated* t) {
  Window* w = t->window;
  HWND h = w->handle;
  if (t->raw_message != WM_MOUSEWHEEL) mouse_tracking(t->hit == HTCLIENT ? h : nullptr);
  if (!(w = find(h))) return false;
  if (t->button_down) {
    bool dbl = t->msg.message != t->raw_message && t->msg.message != t->raw_message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    if (dbl) {
      q->click_message = 0;
    } else {
      q->click_message = t->raw_message;
      q->click_window = h;
      q->click_time = in.time;
      q->click_point = t->msg.pt;
    }
    if (t->hit == HTCLIENT && is_child(w) && !(w->ex_style & WS_EX_NOPARENTNOTIFY)) {
      for (Window* c = w; c && is_child(c) && !(c->ex_style & WS_EX_NOPARENTNOTIFY);) {
        Window* p = c->parent;
        HWND ph = p->handle;
        POINT o = client_origin_on_screen(p);
        send(p, WM_PARENTNOTIFY, t->raw_message, MAKELPARAM(t->msg.pt.x - o.x, t->msg.pt.y - o.y));
        c = find(ph);
      }
      if (!(w = find(h))) return false;
    }
    Window* top = root(w);
    if (top->handle != q->active && !(top->style & WS_CHILD)) {
      LRESULT r = send(w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->handle), MAKELPARAM(t->hit, t->raw_message));
      bool eat = r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT;
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) && find(top->handle)) activate(top, true);
      if (eat || !find(h)) return false;
    }
  }
  if (Window* target = find(h); target && t->raw_message != WM_MOUSEWHEEL)
    send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(t->hit, t->raw_message));
  if (!find(h)) return false;
  if (t->raw_message == WM_LBUTTONDOWN || t->raw_message == WM_LBUTTONUP || t->raw_message == WM_MOUSEMOVE)
    if (scrollbar_mouse(find(h), t->msg.message, t->hit, t->msg.pt)) return false;
  return true;
}

void sync_keys(Queue* q, const RawInput& in) {
  using K = display::InputEvent::Kind;
  const display::InputEvent& e = in.event;
  if (e.kind == K::KeyDown || e.kind == K::KeyUp) set_key(q->key_state, e.key, e.kind == K::KeyDown);
  if (e.kind == K::MouseDown || e.kind == K::MouseUp)
    set_key(q->key_state, button_vk(e.button), e.kind == K::MouseDown);
}

// The visible, enabled window that w owns: where activation goes while w is disabled, as for a modal box.
Window* enabled_popup(Window* w) {
  for (Window* t : toplevels)
    if (t->owner == w && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED)) return t;
  return nullptr;
}

// What the desktop's window manager did to one of our windows.
void window_event(Window* w, const display::InputEvent& e) {
  using K = display::InputEvent::Kind;
  bool disabled = (w->style & WS_DISABLED) != 0, minimized = (w->style & WS_MINIMIZE) != 0;
  switch (e.kind) {
    case K::Close:
      if (!disabled) PostMessageW(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0);  // a disabled window has no close button
      break;
    case K::Moved:
      if (!minimized) set_window_pos(w, nullptr, e.x, e.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case K::Resized:
      if (!minimized) set_window_pos(w, nullptr, 0, 0, e.width, e.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case K::Activated:
      if (!disabled) {
        activate(w, false);
      } else if (Window* popup = enabled_popup(w)) {
        HWND handle = popup->handle;
        activate(popup, false);
        if ((popup = find(handle)) && popup->surface) display::current().raise(popup->surface);  // gone meanwhile?
      }
      break;
    case K::Deactivated:
      // Only the loss of our active window to another program counts; moves between ours come as activations.
      if (w->handle == w->queue->active) activate(nullptr, false);
      break;
    case K::Minimized:
      if (!minimized) PostMessageW(w->handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case K::Maximized:
      // A window without a maximize box keeps its size, whatever the desktop's frame offered.
      if (!(w->style & WS_MAXIMIZEBOX))
        display::current().set_show_state(w->surface, display::ShowState::Normal, false);
      else if (!(w->style & WS_MAXIMIZE)) PostMessageW(w->handle, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case K::Restored:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) PostMessageW(w->handle, WM_SYSCOMMAND, SC_RESTORE, 0);
      break;
    case K::Exposed:
      mark_dirty(w, RECT{0, 0, w->window_rect.right - w->window_rect.left, w->window_rect.bottom - w->window_rect.top},
                 false);
      break;
    default: break;
  }
}

}  // namespace

void input_event(const display::InputEvent& e) {
  using K = display::InputEvent::Kind;
  Queue* q = current_queue();
  RawInput in{e, static_cast<DWORD>(now()), 0};
  switch (e.kind) {
    case K::MouseMove:
    case K::MouseDown:
    case K::MouseUp:
    case K::MouseWheel:
      cursor_pos = POINT{e.x, e.y};
      if (e.kind == K::MouseDown || e.kind == K::MouseUp)
        set_key(async_keys, button_vk(e.button), e.kind == K::MouseDown);
      in.keys = mouse_keys(async_keys);
      // Moves coalesce: only where the pointer is now matters.
      if (e.kind == K::MouseMove && !q->input.empty() && q->input.back().event.kind == K::MouseMove) {
        q->input.back() = in;
        return;
      }
      q->input.push_back(in);
      return;
    case K::KeyDown:
    case K::KeyUp:
      in.keys = (down(async_keys, VK_MENU) ? 1 : 0) | (down(async_keys, VK_CONTROL) ? 2 : 0) |
                (down(async_keys, e.key & 0xFF) ? 4 : 0);
      set_key(async_keys, e.key, e.kind == K::KeyDown);
      q->input.push_back(in);
      return;
    case K::Text:
      // One WM_CHAR per UTF-16 unit, in order with the keys around them.
      for (int i = 0; i < 8 && e.text[i]; ++i) {
        RawInput unit = in;
        unit.event.text[0] = e.text[i];
        unit.event.text[1] = 0;
        q->input.push_back(unit);
      }
      return;
    default: break;
  }
  if (Window* w = toplevel_of(e.surface)) window_event(w, e);
}

bool input_pending(Queue* q, HWND, UINT, UINT) { return !q->input.empty(); }

bool input_take(Queue* q, HWND filter, UINT min, UINT max, bool remove, MSG* msg) {
  for (size_t i = 0; i < q->input.size();) {
    RawInput in = q->input[i];
    Translated t;
    bool ok = is_mouse(in.event.kind)                            ? translate_mouse(q, in, &t)
              : in.event.kind == display::InputEvent::Kind::Text ? translate_text(q, in, &t)
                                                                 : translate_key(q, in, &t);
    if (!ok) {  // nowhere to go: it is dropped
      q->input.erase(q->input.begin() + static_cast<std::ptrdiff_t>(i));
      if (remove) sync_keys(q, in);
      continue;
    }
    bool matches = (!filter || t.msg.hwnd == filter || IsChild(filter, t.msg.hwnd)) &&
                   ((min == 0 && max == 0) || (t.msg.message >= min && t.msg.message <= max));
    if (!matches) {
      ++i;
      continue;
    }
    if (!remove) {
      *msg = t.msg;
      return true;
    }
    q->input.erase(q->input.begin() + static_cast<std::ptrdiff_t>(i));
    sync_keys(q, in);
    if (is_mouse(in.event.kind)) {
      if (!mouse_side_effects(q, in, &t)) continue;
    } else {
      const display::InputEvent& e = in.event;
      if (e.kind == display::InputEvent::Kind::KeyDown) {
        KeyText k{t.msg.message, t.msg.wParam, t.msg.lParam, t.msg.time, e.text, e.text[0] != 0 || e.text_final};
        q->key_texts.push_back(k);
        if (q->key_texts.size() > 32) q->key_texts.pop_front();
      }
    }
    *msg = t.msg;
    return true;
  }
  return false;
}

}  // namespace user

using namespace user;

SHORT GetKeyState(int vk) {
  BYTE s = current_queue()->key_state[vk & 0xFF];
  return static_cast<SHORT>(((s & 0x80) ? 0xFF80 : 0) | (s & 0x01));
}

SHORT GetAsyncKeyState(int vk) { return static_cast<SHORT>((async_keys[vk & 0xFF] & 0x80) ? 0x8000 : 0); }

BOOL GetKeyboardState(PBYTE state) {
  if (!state) return FALSE;
  for (int i = 0; i < 256; ++i) state[i] = current_queue()->key_state[i];
  return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = cursor_pos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  cursor_pos = POINT{x, y};
  return TRUE;
}

UINT GetDoubleClickTime() { return display::current().double_click_time(); }

BOOL MessageBeep(UINT) { return TRUE; }
