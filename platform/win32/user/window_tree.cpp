// The window tree: parents, owners, siblings in z-order, and the functions
// that walk it (GetWindow, EnumWindows, EnumChildWindows, FindWindowW...).
#include <algorithm>

#include "platform/win32/user/window_internal.h"

namespace user {

std::vector<Window*> toplevels;

std::vector<Window*>& siblings(Window* w) {
  if (w->parent) return w->parent->children;
  return w->message_only ? message_windows : toplevels;
}

void unlink(Window* w) {
  if (!w->created) return;
  auto& list = siblings(w);
  auto it = std::find(list.begin(), list.end(), w);
  if (it != list.end()) list.erase(it);
}

void link(Window* w, HWND insert_after) {
  auto& list = siblings(w);
  bool toplevel = !w->parent && !w->message_only;
  if (toplevel && insert_after == HWND_TOPMOST) w->ex_style |= WS_EX_TOPMOST;
  if (toplevel && insert_after == HWND_NOTOPMOST) w->ex_style &= ~static_cast<DWORD>(WS_EX_TOPMOST);
  // Topmost top-level windows stay above all others.
  size_t first = 0, end = list.size();
  if (toplevel) {
    size_t topmost_count = 0;
    while (topmost_count < list.size() && (list[topmost_count]->ex_style & WS_EX_TOPMOST)) topmost_count++;
    if (w->ex_style & WS_EX_TOPMOST) end = topmost_count;
    else first = topmost_count;
  }
  size_t at = first;
  if (insert_after == HWND_BOTTOM) {
    at = end;
  } else if (insert_after == HWND_TOP || insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
    at = first;
  } else {
    for (size_t i = first; i < end; ++i)
      if (list[i]->handle == insert_after) {
        at = i + 1;
        break;
      }
  }
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), w);
}

Window* root(Window* w) {
  while (w->parent) w = w->parent;
  return w;
}

bool is_descendant(const Window* ancestor, const Window* w) {
  for (const Window* p = w ? w->parent : nullptr; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

bool is_visible(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool is_child(const Window* w) { return w->parent && (w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD; }

POINT client_origin_on_screen(const Window* w) {
  POINT p{w->client_rect.left, w->client_rect.top};
  for (const Window* a = w->parent; a; a = a->parent) {
    p.x += a->client_rect.left;
    p.y += a->client_rect.top;
  }
  return p;
}

POINT window_origin_on_screen(const Window* w) {
  POINT p{w->window_rect.left, w->window_rect.top};
  if (w->parent) {
    POINT o = client_origin_on_screen(w->parent);
    p.x += o.x;
    p.y += o.y;
  }
  return p;
}

POINT client_offset_in_root(const Window* w) {
  POINT c = client_origin_on_screen(w);
  POINT r = window_origin_on_screen(root(const_cast<Window*>(w)));
  return POINT{c.x - r.x, c.y - r.y};
}

void collect_descendants(Window* w, std::vector<HWND>* out) {
  for (Window* c : w->children) {
    out->push_back(c->handle);
    collect_descendants(c, out);
  }
}

}  // namespace user

using namespace user;

BOOL IsChild(HWND parent, HWND window) {
  Window* p = find(parent);
  Window* w = find(window);
  if (!p || !w) return FALSE;
  // Only a chain of child windows counts: an owned popup is not a child.
  for (Window* c = w; is_child(c); c = c->parent)
    if (c->parent == p) return TRUE;
  return FALSE;
}

HWND GetParent(HWND window) {
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  if (w->style & WS_POPUP) return w->owner ? w->owner->handle : nullptr;
  if ((w->style & WS_CHILD) && w->parent) return w->parent->handle;
  return nullptr;
}

HWND GetAncestor(HWND window, UINT flags) {
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      if (w->parent) return w->parent->handle;
      return w->handle == GetDesktopWindow() ? nullptr : GetDesktopWindow();
    case GA_ROOT: return w->handle == GetDesktopWindow() ? w->handle : root(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = root(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

HWND GetWindow(HWND window, UINT command) {
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (command == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
  if (command == GW_ENABLEDPOPUP) return nullptr;
  if (!w->created || w->handle == GetDesktopWindow()) return nullptr;
  auto& list = siblings(w);
  auto it = std::find(list.begin(), list.end(), w);
  if (it == list.end()) return nullptr;
  switch (command) {
    case GW_HWNDFIRST: return list.front()->handle;
    case GW_HWNDLAST: return list.back()->handle;
    case GW_HWNDNEXT: return it + 1 == list.end() ? nullptr : (*(it + 1))->handle;
    case GW_HWNDPREV: return it == list.begin() ? nullptr : (*(it - 1))->handle;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

HWND GetTopWindow(HWND window) {
  if (!window) return toplevels.empty() ? nullptr : toplevels.front()->handle;
  return GetWindow(window, GW_CHILD);
}

HWND GetDlgItem(HWND dialog, int id) {
  Window* d = find_or_fail(dialog);
  if (!d) return nullptr;
  for (Window* c : d->children)
    if (static_cast<int>(c->id) == id) return c->handle;
  SetLastError(1421L);  // ERROR_CONTROL_ID_NOT_FOUND
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  Window* w = find_or_fail(window);
  return w ? static_cast<int>(w->id) : 0;
}

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  WindowClass* cls = nullptr;
  if (class_name) {
    cls = find_class(class_name);
    if (!cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
  }
  std::u16string wanted = window_name ? fold(window_name) : std::u16string();
  for (Window* t : toplevels) {
    if (cls && t->cls != cls) continue;
    if (window_name && fold(t->text) != wanted) continue;
    return t->handle;
  }
  return nullptr;
}

namespace {

BOOL enumerate(const std::vector<HWND>& list, WNDENUMPROC callback, LPARAM param) {
  for (HWND h : list)
    if (find(h) && !callback(h, param)) return FALSE;
  return TRUE;
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  if (!callback) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> list;
  for (Window* t : toplevels) list.push_back(t->handle);
  return enumerate(list, callback, param);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param) {
  if (!parent) return EnumWindows(callback, param);
  Window* p = find_or_fail(parent);
  if (!p || !callback) return FALSE;
  std::vector<HWND> list;
  collect_descendants(p, &list);
  return enumerate(list, callback, param);
}

BOOL EnumThreadWindows(DWORD thread, WNDENUMPROC callback, LPARAM param) {
  if (!callback) return FALSE;
  std::vector<HWND> list;
  for (Window* t : toplevels)
    if (t->thread == thread) list.push_back(t->handle);
  return enumerate(list, callback, param);
}

HWND SetParent(HWND child, HWND new_parent) {
  Window* w = find_or_fail(child);
  if (!w) return nullptr;
  Window* p = nullptr;
  if (new_parent && new_parent != GetDesktopWindow()) {
    p = find_or_fail(new_parent);
    if (!p) return nullptr;
    if (p == w || is_descendant(w, p)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  HWND old = w->parent ? w->parent->handle : GetDesktopWindow();
  bool visible = (w->style & WS_VISIBLE) != 0;
  if (visible) show_window(w, SW_HIDE);
  unlink(w);
  w->parent = p;
  w->message_only = false;
  link(w, HWND_TOP);
  display::Backend& screen = display::current();
  if (!p && !w->surface) {
    const RECT& r = w->window_rect;
    w->surface = screen.create_surface(r.left, r.top, r.right - r.left, r.bottom - r.top,
                                       (w->ex_style & WS_EX_TOPMOST) != 0);
    if (w->surface) {
      screen.set_title(w->surface, w->text.c_str());
      surface_style_changed(w);
      surface_icon_changed(w);
    }
  } else if (p && w->surface) {
    screen.destroy_surface(w->surface);
    w->surface = nullptr;
  }
  release_images(w);
  w->frame_dirty = true;
  if (visible) show_window(w, SW_SHOWNA);
  return old;
}
