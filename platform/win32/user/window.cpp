// Window objects: the handle table, creation with its messages in Win32
// order, and destruction (WM_DESTROY parent first, WM_NCDESTROY children
// first, owned windows before their owner).
#include <atomic>
#include <mutex>

#include "platform/win32/user/window_internal.h"

namespace user {

HandleSlot handle_slots[kHandleSlots];

namespace {

using Slot = HandleSlot;
constexpr uint32_t kSlots = kHandleSlots;
Slot* const kSlotTable = handle_slots;
uint16_t generations[kSlots];
std::mutex slot_lock;
std::vector<uint32_t> free_slots;
uint32_t next_slot = 0;

HWND alloc_handle(Window* w) {
  std::lock_guard<std::mutex> guard(slot_lock);
  uint32_t index;
  if (!free_slots.empty()) {
    index = free_slots.back();
    free_slots.pop_back();
  } else if (next_slot < kSlots) {
    index = next_slot++;
  } else {
    return nullptr;
  }
  uint16_t gen = static_cast<uint16_t>(generations[index] + 1);
  if (gen == 0) gen = 1;
  generations[index] = gen;
  uint32_t value = (static_cast<uint32_t>(gen) << 16) | (index + 1);
  kSlotTable[index].window.store(w);
  kSlotTable[index].queue.store(w->queue);
  kSlotTable[index].handle.store(value, std::memory_order_release);
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

void free_handle(HWND handle) {
  Slot* s = slot_of(handle);
  if (!s) return;
  std::lock_guard<std::mutex> guard(slot_lock);
  s->handle.store(0, std::memory_order_release);
  s->window.store(nullptr);
  s->queue.store(nullptr);
  free_slots.push_back(static_cast<uint32_t>(s - kSlotTable));
}

int cascade = 0;

void send_parent_notify(Window* w, UINT event) {
  // Every ancestor hears of it, as long as the chain is made of children that did not opt out.
  for (Window* c = w; c && is_child(c) && !(c->ex_style & WS_EX_NOPARENTNOTIFY);) {
    Window* p = c->parent;
    HWND ph = p->handle;
    send(p, WM_PARENTNOTIFY, MAKEWPARAM(event, LOWORD(w->id)), reinterpret_cast<LPARAM>(w->handle));
    c = find(ph);
  }
}

void send_destroy(HWND handle) {
  Window* w = find(handle);
  if (!w) return;
  Queue* q = w->queue;
  Window* focus = find(q->focus);
  if (focus && (focus == w || is_descendant(w, focus))) focus_leaving(w);
  if (q->capture == handle) ReleaseCapture();
  send(w, WM_DESTROY, 0, 0);
  if (!(w = find(handle))) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) send_destroy(k);
}

void free_tree(HWND handle) {
  Window* w = find(handle);
  if (!w || w->dead) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) free_tree(k);
  if (!(w = find(handle)) || w->dead) return;
  send(w, WM_NCDESTROY, 0, 0);
  if (!(w = find(handle)) || w->dead) return;
  w->dead = true;
  Queue* q = w->queue;
  if (q->focus == handle) q->focus = nullptr;
  if (q->active == handle) q->active = nullptr;
  if (q->capture == handle) q->capture = nullptr;
  if (foreground == handle) foreground = nullptr;
  kill_timers_of(q, handle);
  remove_messages_of(w);
  for (Window* t : toplevels)
    if (t->owner == w) t->owner = nullptr;
  unlink(w);
  if (w->surface) {
    display::current().destroy_surface(w->surface);
    w->surface = nullptr;
  }
  release_images(w);
  w->cls->windows--;
  free_handle(handle);
  release_record(w);
}

void default_rect(bool overlapped, int* x, int* y, int* cx, int* cy) {
  display::Backend& screen = display::current();
  if (overlapped) {
    if (*x == CW_USEDEFAULT) {
      *x = *y = 26 * (cascade % 8) + 26;
      cascade++;
    }
    if (*cx == CW_USEDEFAULT) {
      *cx = screen.screen_width() * 3 / 4;
      *cy = screen.screen_height() * 3 / 4;
    }
  } else {
    if (*x == CW_USEDEFAULT) *x = *y = 0;
    if (*cx == CW_USEDEFAULT) *cx = *cy = 0;
  }
}

// The styles as Win32 keeps them: overlapped windows always have a caption,
// and WS_EX_WINDOWEDGE follows the frame.
void correct_styles(Window* w) {
  if ((w->style & (WS_CHILD | WS_POPUP)) != WS_CHILD) {
    w->style |= WS_CLIPSIBLINGS;
    if (!(w->style & WS_POPUP)) w->style |= WS_CAPTION;
  }
  if (w->ex_style & WS_EX_DLGMODALFRAME) {
    w->ex_style |= WS_EX_WINDOWEDGE;
  } else if (w->style & (WS_DLGFRAME | WS_THICKFRAME)) {
    if (!((w->ex_style & WS_EX_STATICEDGE) && (w->style & (WS_CHILD | WS_POPUP)))) w->ex_style |= WS_EX_WINDOWEDGE;
  } else {
    w->ex_style &= ~static_cast<DWORD>(WS_EX_WINDOWEDGE);
  }
}

// Where a new window goes: under its parent (a child), after its owner (a
// top-level window given a parent), or among the message-only windows.
struct Placement {
  Window* parent = nullptr;
  Window* owner = nullptr;
  bool child = false;
  bool message_only = false;
};

// False, with the last error, when the parent handle does not suit the style.
bool place(DWORD style, HWND parent_handle, Placement* at) {
  at->child = (style & (WS_CHILD | WS_POPUP)) == WS_CHILD;
  at->message_only = parent_handle == HWND_MESSAGE;
  if (parent_handle && !at->message_only) {
    Window* p = find_or_fail(parent_handle);
    if (!p) return false;
    if (at->child) at->parent = p;
    else at->owner = root(p);
  } else if (at->child) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return false;
  }
  if (at->message_only) at->child = false;
  return true;
}

// A window record with its handle and the values its class and creator give
// it; null, with the last error, when the handle table is full.
Window* new_window(WindowClass* cls, const Placement& at, DWORD ex_style, DWORD style, HMENU menu, HINSTANCE instance) {
  Window* w = new Window;
  w->queue = current_queue();
  w->thread = w->queue->thread;
  w->handle = alloc_handle(w);
  if (!w->handle) {
    delete w;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  w->cls = cls;
  cls->windows++;
  w->parent = at.parent;
  w->owner = at.owner;
  w->message_only = at.message_only;
  w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
  w->ex_style = ex_style;
  correct_styles(w);
  w->id = reinterpret_cast<LONG_PTR>(menu);
  w->proc = cls->proc;
  w->instance = instance;
  w->extra.assign(static_cast<size_t>(cls->window_extra), 0);
  return w;
}

// The first rectangle: a sizable or overlapped window keeps within the
// tracking sizes WM_GETMINMAXINFO answers, and the size the creation
// messages tell follows. False when the window is gone.
bool first_rect(Window* w, bool overlapped, CREATESTRUCTW* cs) {
  HWND handle = w->handle;
  int x = cs->x, y = cs->y, cx = cs->cx, cy = cs->cy;
  if ((static_cast<DWORD>(cs->style) & WS_THICKFRAME) || overlapped) {
    w->window_rect = RECT{x, y, x + cx, y + cy};
    MINMAXINFO mmi = min_max_info(w);
    if (!find(handle)) return false;
    if (cx > mmi.ptMaxTrackSize.x) cx = mmi.ptMaxTrackSize.x;
    if (cy > mmi.ptMaxTrackSize.y) cy = mmi.ptMaxTrackSize.y;
    if (cx < mmi.ptMinTrackSize.x) cx = mmi.ptMinTrackSize.x;
    if (cy < mmi.ptMinTrackSize.y) cy = mmi.ptMinTrackSize.y;
  }
  if (cx < 0) cx = 0;
  if (cy < 0) cy = 0;
  cs->cx = cx;
  cs->cy = cy;
  w->window_rect = w->client_rect = w->normal_rect = RECT{x, y, x + cx, y + cy};
  return true;
}

// WM_NCCREATE and WM_NCCALCSIZE; then the window takes its place among its
// siblings. False when the window refused or is gone.
bool create_frame(Window* w, const Placement& at, CREATESTRUCTW* cs) {
  HWND handle = w->handle;
  if (!send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(cs))) {
    if (find(handle)) {
      w->created = true;
      free_tree(handle);
    }
    return false;
  }
  if (!(w = find(handle))) return false;
  // The client rectangle; WM_NCCALCSIZE without wParam speaks screen coordinates.
  POINT origin = at.parent ? client_origin_on_screen(at.parent) : POINT{0, 0};
  RECT r = w->window_rect;
  OffsetRect(&r, origin.x, origin.y);
  send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
  if (!(w = find(handle))) return false;
  OffsetRect(&r, -origin.x, -origin.y);
  w->client_rect = r;
  link(w, at.child ? HWND_BOTTOM : (w->ex_style & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP);
  w->created = true;
  return true;
}

// A top-level window gets its native surface, titled and styled.
void create_surface(Window* w, LPCWSTR name) {
  const RECT& wr = w->window_rect;
  w->surface = display::current().create_surface(wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top,
                                                 (w->ex_style & WS_EX_TOPMOST) != 0);
  if (w->surface) {
    display::current().set_title(w->surface, name && !IS_INTRESOURCE(name) ? name : TEXT(""));
    surface_style_changed(w);
    surface_icon_changed(w);
  }
}

// WM_SIZE and WM_MOVE right after WM_CREATE, except for an overlapped
// window, which gets them from its first ShowWindow as in Win32. Null when
// the window is gone.
Window* first_size_and_move(Window* w, bool overlapped) {
  HWND handle = w->handle;
  if (overlapped && !w->message_only) {
    w->need_size = true;
    return w;
  }
  RECT cr = w->client_rect;
  send(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cr.right - cr.left, cr.bottom - cr.top));
  if (!(w = find(handle))) return nullptr;
  send(w, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
  return find(handle);
}

// A window created minimized or maximized takes that state, shown only when
// WS_VISIBLE asked for it. Null when the window is gone.
Window* first_min_max_state(Window* w, DWORD style) {
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return w;
  HWND handle = w->handle;
  int command = (w->style & WS_MINIMIZE) ? SW_MINIMIZE : SW_MAXIMIZE;
  w->style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
  show_window(w, command == SW_MINIMIZE ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED);
  if (!(w = find(handle))) return nullptr;
  if (!(style & WS_VISIBLE)) {
    // The state without showing: show_window made it visible, take that back.
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (w->surface) display::current().set_show_state(w->surface, display::ShowState::Hidden, false);
  }
  return w;
}

}  // namespace

std::vector<Window*> message_windows;

Window* find_or_fail(HWND handle) {
  Window* w = find(handle);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

Queue* queue_of_handle(HWND handle) {
  Slot* s = slot_of(handle);
  return s ? s->queue.load() : nullptr;
}

void release_record(Window* w) {
  if (w->calls == 0) delete w;
}

}  // namespace user

using namespace user;

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR name, DWORD style, int x, int y, int cx, int cy,
                     HWND parent_handle, HMENU menu, HINSTANCE instance, LPVOID param) {
  WindowClass* cls = find_class(class_name);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Placement at;
  if (!place(style, parent_handle, &at)) return nullptr;
  bool overlapped = !(style & (WS_CHILD | WS_POPUP));
  default_rect(overlapped, &x, &y, &cx, &cy);
  Window* w = new_window(cls, at, ex_style, style, menu, instance);
  if (!w) return nullptr;
  HWND handle = w->handle;
  CREATESTRUCTW cs{param, instance,   menu,    parent_handle, cy, cx, y, x, static_cast<LONG>(style),
                   name,  class_name, ex_style};
  if (!first_rect(w, overlapped, &cs) || !create_frame(w, at, &cs)) return nullptr;
  w = find(handle);
  if (!at.child && !at.message_only) create_surface(w, name);

  if (send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (find(handle)) DestroyWindow(handle);
    return nullptr;
  }
  if (!(w = find(handle)) || !(w = first_size_and_move(w, overlapped)) || !(w = first_min_max_state(w, style)))
    return nullptr;
  send_parent_notify(w, WM_CREATE);
  if (!(w = find(handle))) return nullptr;
  if (style & WS_VISIBLE) show_window(w, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
  return find(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
  Window* w = find_or_fail(handle);
  if (!w) return FALSE;
  if (w->thread != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  bool child = is_child(w);
  if (child) send_parent_notify(w, WM_DESTROY);
  if (!(w = find(handle))) return TRUE;
  if (w->style & WS_VISIBLE) {
    if (child) show_window(w, SW_HIDE);
    else
      set_window_pos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  if (!(w = find(handle))) return TRUE;
  if (!child) {
    std::vector<HWND> owned;
    for (Window* t : toplevels)
      if (t->owner == w) owned.push_back(t->handle);
    for (HWND o : owned) {
      Window* ow = find(o);
      if (!ow) continue;
      if (ow->thread == w->thread) DestroyWindow(o);
      else ow->owner = nullptr;
    }
  }
  if (!find(handle)) return TRUE;
  Queue* q = w->queue;
  if (q->active == handle) activate_other(w);
  send_destroy(handle);
  free_tree(handle);
  return TRUE;
}

BOOL IsWindow(HWND handle) { return find(handle) ? TRUE : FALSE; }

HWND GetDesktopWindow() {
  // The root of every top-level window: the screen, never shown or destroyed.
  static HWND desktop = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = TEXT("#32769");
    register_system_class(wc);
    Window* w = new Window;
    w->queue = current_queue();
    w->thread = w->queue->thread;
    w->cls = find_class(TEXT("#32769"));
    w->cls->windows++;
    w->proc = DefWindowProcW;
    w->style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    display::Backend& screen = display::current();
    w->window_rect = w->client_rect = RECT{0, 0, screen.screen_width(), screen.screen_height()};
    w->handle = alloc_handle(w);
    return w->handle;
  }();
  return desktop;
}
