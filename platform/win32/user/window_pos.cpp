// Window position, size, z-order and show state: SetWindowPos with its
// WM_WINDOWPOSCHANGING / WM_NCCALCSIZE / WM_WINDOWPOSCHANGED messages, and
// ShowWindow with minimising, maximising and restoring.
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

int width(const RECT& r) { return r.right - r.left; }
int height(const RECT& r) { return r.bottom - r.top; }

bool is_min_command(int c) {
  return c == SW_MINIMIZE || c == SW_SHOWMINIMIZED || c == SW_SHOWMINNOACTIVE || c == SW_FORCEMINIMIZE;
}

// The state change of a show command: the style bits and the new rectangle;
// answers the SetWindowPos flags it calls for.
UINT min_maximize(Window* w, int command, RECT* rect) {
  HWND handle = w->handle;
  UINT flags = 0;
  *rect = w->window_rect;
  if (w->style & WS_MINIMIZE) {
    if (is_min_command(command)) return SWP_NOSIZE | SWP_NOMOVE;
    if (!send(w, WM_QUERYOPEN, 0, 0)) return SWP_NOSIZE | SWP_NOMOVE;
    if (!(w = find(handle))) return SWP_NOSIZE | SWP_NOMOVE;
    flags |= SWP_NOCOPYBITS;
  }
  if (is_min_command(command)) {
    if (w->style & WS_MAXIMIZE) w->restore_maximized = true;
    else w->normal_rect = w->window_rect, w->restore_maximized = false;
    w->style = (w->style | WS_MINIMIZE) & ~static_cast<DWORD>(WS_MAXIMIZE);
    int cx = GetSystemMetrics(SM_CXMINIMIZED), cy = GetSystemMetrics(SM_CYMINIMIZED);
    *rect = RECT{-32000, -32000, -32000 + cx, -32000 + cy};
    return flags | SWP_NOCOPYBITS | SWP_STATECHANGED;
  }
  if (command == SW_MAXIMIZE) {
    if ((w->style & WS_MAXIMIZE) && !(w->style & WS_MINIMIZE)) return SWP_NOSIZE | SWP_NOMOVE;
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normal_rect = w->window_rect;
    MINMAXINFO mmi = min_max_info(w);
    if (!(w = find(handle))) return SWP_NOSIZE | SWP_NOMOVE;
    w->style = (w->style | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE);
    *rect = RECT{mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
                 mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
    return flags | SWP_STATECHANGED;
  }
  // Restoring.
  DWORD old = w->style;
  w->style &= ~static_cast<DWORD>(WS_MINIMIZE);
  if (old & WS_MINIMIZE) {
    if (w->restore_maximized) {
      MINMAXINFO mmi = min_max_info(w);
      if (!(w = find(handle))) return SWP_NOSIZE | SWP_NOMOVE;
      w->style |= WS_MAXIMIZE;
      *rect = RECT{mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
                   mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
      return flags | SWP_STATECHANGED;
    }
  } else if (!(old & WS_MAXIMIZE)) {
    return flags;
  }
  w->style &= ~static_cast<DWORD>(WS_MAXIMIZE);
  *rect = w->normal_rect;
  return flags | SWP_STATECHANGED;
}

void update_surface(Window* w, UINT flags, bool moved, bool sized, bool zorder) {
  if (!w->surface) return;
  display::Backend& screen = display::current();
  const RECT& r = w->window_rect;
  if (moved || sized) screen.set_bounds(w->surface, r.left, r.top, width(r), height(r));
  if (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_STATECHANGED)) {
    display::ShowState state = !(w->style & WS_VISIBLE)   ? display::ShowState::Hidden
                               : (w->style & WS_MINIMIZE) ? display::ShowState::Minimized
                               : (w->style & WS_MAXIMIZE) ? display::ShowState::Maximized
                                                          : display::ShowState::Normal;
    screen.set_show_state(w->surface, state, !(flags & SWP_NOACTIVATE));
  }
  if (zorder) {
    screen.set_topmost(w->surface, (w->ex_style & WS_EX_TOPMOST) != 0);
    if (!toplevels.empty() && toplevels.front() == w) screen.raise(w->surface);
  }
}

// Fixes up redundant flags as Win32 does before WM_WINDOWPOSCHANGING.
void fixup_flags(Window* w, WINDOWPOS* wp) {
  const RECT& old = w->window_rect;
  if (wp->flags & SWP_NOSIZE) wp->cx = width(old), wp->cy = height(old);
  if (wp->flags & SWP_NOMOVE) wp->x = old.left, wp->y = old.top;
  if (wp->cx < 0) wp->cx = 0;
  if (wp->cy < 0) wp->cy = 0;
  if (wp->cx == width(old) && wp->cy == height(old)) wp->flags |= SWP_NOSIZE;
  if (wp->x == old.left && wp->y == old.top) wp->flags |= SWP_NOMOVE;
  if (w->style & WS_VISIBLE) {
    wp->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
  } else {
    wp->flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
    if (!(wp->flags & SWP_SHOWWINDOW)) wp->flags |= SWP_NOREDRAW;
  }
  if (!is_child(w) && w->queue->active == w->handle) wp->flags |= SWP_NOACTIVATE;
  if (wp->flags & SWP_NOZORDER) return;
  auto& list = siblings(w);
  HWND after = wp->hwndInsertAfter;
  bool toplevel = !w->parent;
  if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    if (!toplevel) after = wp->hwndInsertAfter = HWND_TOP;
    else if (after == HWND_NOTOPMOST && !(w->ex_style & WS_EX_TOPMOST)) wp->flags |= SWP_NOZORDER;
    else if (after == HWND_TOPMOST && (w->ex_style & WS_EX_TOPMOST) && list.front() == w) wp->flags |= SWP_NOZORDER;
    return;
  }
  if (after == HWND_TOP) {
    size_t first = 0;
    if (toplevel && !(w->ex_style & WS_EX_TOPMOST))
      while (first < list.size() && (list[first]->ex_style & WS_EX_TOPMOST)) first++;
    if (first < list.size() && list[first] == w) wp->flags |= SWP_NOZORDER;
  } else if (after == HWND_BOTTOM) {
    if (list.back() == w) wp->flags |= SWP_NOZORDER;
  } else if (after == w->handle) {
    wp->flags |= SWP_NOZORDER;
  } else {
    Window* a = find(after);
    if (!a || a->parent != w->parent) wp->flags |= SWP_NOZORDER;
  }
}

// Repaint bookkeeping after the rectangles changed.
void after_move(Window* w, const RECT& old_window, const RECT& old_client, bool was_visible, UINT flags) {
  bool visible = (w->style & WS_VISIBLE) != 0;
  bool sized = width(old_window) != width(w->window_rect) || height(old_window) != height(w->window_rect);
  if (sized || (flags & SWP_FRAMECHANGED)) w->frame_dirty = true;
  if (visible && !was_visible) {
    invalidate(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  } else if (visible && !(flags & SWP_NOREDRAW)) {
    RECT client{0, 0, width(w->client_rect), height(w->client_rect)};
    int old_cx = width(old_client), old_cy = height(old_client);
    UINT style = w->cls->style;
    bool whole = (flags & SWP_NOCOPYBITS) || ((style & CS_HREDRAW) && old_cx != client.right) ||
                 ((style & CS_VREDRAW) && old_cy != client.bottom);
    if (whole) {
      invalidate(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    } else {
      // Only what was not there before needs painting.
      if (client.right > old_cx) {
        RECT r{old_cx, 0, client.right, client.bottom};
        invalidate(w, &r, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
      }
      if (client.bottom > old_cy) {
        RECT r{0, old_cy, client.right, client.bottom};
        invalidate(w, &r, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
      }
    }
  }
  if (w->parent) {
    // The parent's area that the child left shows again.
    bool moved_or_hidden = (was_visible && !visible) || !EqualRect(&old_window, &w->window_rect);
    if (was_visible && moved_or_hidden && is_visible(w->parent)) {
      RECT exposed = old_window;
      if (visible) {
        RECT r;
        if (SubtractRect(&r, &old_window, &w->window_rect)) exposed = r;
      }
      invalidate(w->parent, &exposed, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    }
    if (was_visible || visible) {
      mark_dirty(w->parent, old_window, true);
      mark_dirty(w->parent, w->window_rect, true);
    }
  } else {
    Window* r = root(w);
    mark_dirty(r, RECT{0, 0, width(r->window_rect), height(r->window_rect)}, false);
  }
}

}  // namespace

void frame_sizes(DWORD style, DWORD ex_style, RECT* insets) {
  int frame = 0;
  bool child = (style & WS_CHILD) != 0;
  if (style & WS_THICKFRAME) frame = child ? 4 : kFrame;
  else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME)) frame = child ? 3 : kFrame;
  else if (style & WS_BORDER) frame = 1;
  if (ex_style & WS_EX_CLIENTEDGE) frame += 2;
  if (ex_style & WS_EX_STATICEDGE) frame += 1;
  *insets = RECT{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) insets->top += (ex_style & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
}

RECT client_from_window(const Window* w, const RECT& window) {
  if ((w->style & WS_MINIMIZE) && !w->parent) return RECT{window.left, window.top, window.left, window.top};
  RECT in;
  frame_sizes(w->style, w->ex_style, &in);
  RECT c{window.left + in.left, window.top + in.top, window.right - in.right, window.bottom - in.bottom};
  if (w->style & WS_VSCROLL) c.right -= kScrollBar;
  if (w->style & WS_HSCROLL) c.bottom -= kScrollBar;
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

MINMAXINFO min_max_info(Window* w) {
  RECT in;
  frame_sizes(w->style, w->ex_style, &in);
  int bx = in.left, by = in.bottom;
  MINMAXINFO mmi{};
  mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXSCREEN) + 2 * bx, GetSystemMetrics(SM_CYSCREEN) + 2 * by};
  mmi.ptMaxPosition = POINT{-bx, -by};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  send(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

bool set_window_pos(Window* w, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  HWND handle = w->handle;
  if (handle == GetDesktopWindow()) return false;
  WINDOWPOS wp{handle, insert_after, x, y, cx, cy, flags};
  fixup_flags(w, &wp);
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = find(handle))) return false;
  }
  RECT old_window = w->window_rect, old_client = w->client_rect;
  RECT new_window = old_window;
  if (!(wp.flags & SWP_NOMOVE)) OffsetRect(&new_window, wp.x - old_window.left, wp.y - old_window.top);
  if (!(wp.flags & SWP_NOSIZE)) {
    new_window.right = new_window.left + (wp.cx < 0 ? 0 : wp.cx);
    new_window.bottom = new_window.top + (wp.cy < 0 ? 0 : wp.cy);
  }
  RECT new_client = old_client;
  OffsetRect(&new_client, new_window.left - old_window.left, new_window.top - old_window.top);
  if (!(wp.flags & SWP_NOSIZE) || (wp.flags & (SWP_FRAMECHANGED | SWP_STATECHANGED))) {
    NCCALCSIZE_PARAMS params{{new_window, old_window, old_client}, &wp};
    send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (!(w = find(handle))) return false;
    new_client = params.rgrc[0];
  }
  if (width(new_client) == width(old_client) && height(new_client) == height(old_client)) wp.flags |= SWP_NOCLIENTSIZE;
  if (new_client.left == old_client.left && new_client.top == old_client.top) wp.flags |= SWP_NOCLIENTMOVE;

  bool was_visible = is_visible(w);
  w->window_rect = new_window;
  w->client_rect = new_client;
  bool zorder = !(wp.flags & SWP_NOZORDER);
  if (zorder) {
    unlink(w);
    link(w, wp.hwndInsertAfter);
  }
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  after_move(w, old_window, old_client, was_visible, wp.flags);
  update_surface(w, wp.flags, !(wp.flags & SWP_NOMOVE), !(wp.flags & SWP_NOSIZE), zorder);

  if ((wp.flags & SWP_HIDEWINDOW) && !is_child(w) && w->queue->active == handle) activate_other(w);
  if (!(wp.flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW))) {
    if (is_child(w)) send(w, WM_CHILDACTIVATE, 0, 0);
    else if (w->style & WS_VISIBLE) activate(w, false);
    if (!(w = find(handle))) return true;
  }
  const UINT status = SWP_NOSIZE | SWP_NOMOVE | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE | SWP_NOZORDER;
  if ((wp.flags & (status | SWP_FRAMECHANGED | SWP_HIDEWINDOW | SWP_SHOWWINDOW)) != status) {
    wp.x = w->window_rect.left;
    wp.y = w->window_rect.top;
    wp.cx = width(w->window_rect);
    wp.cy = height(w->window_rect);
    send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  }
  return true;
}

namespace {

// What a ShowWindow command asks of SetWindowPos: its flags and the
// rectangle. A command with nothing left to do, or whose window went away
// while changing state, ends there and answers `answer`.
struct ShowStep {
  UINT swp = 0;
  RECT r{};
  bool end = false;
  BOOL answer = FALSE;
};

void end_with(ShowStep* step, BOOL answer) {
  step->end = true;
  step->answer = answer;
}

void plan_hide(bool was_visible, bool child, ShowStep* step) {
  if (!was_visible) return end_with(step, FALSE);
  step->swp |= SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE;
  if (child) step->swp |= SWP_NOACTIVATE | SWP_NOZORDER;
}

void plan_minimize(Window* w, int command, bool was_visible, ShowStep* step) {
  HWND handle = w->handle;
  if (command != SW_SHOWMINIMIZED) step->swp |= SWP_NOACTIVATE | SWP_NOZORDER;
  step->swp |= SWP_SHOWWINDOW | SWP_FRAMECHANGED;
  step->swp |= min_maximize(w, command, &step->r);
  if (!(w = find(handle))) return end_with(step, was_visible);
  if ((w->style & WS_MINIMIZE) && was_visible && !(step->swp & SWP_STATECHANGED)) end_with(step, TRUE);
}

void plan_maximize(Window* w, bool was_visible, ShowStep* step) {
  HWND handle = w->handle;
  if (!was_visible) step->swp |= SWP_SHOWWINDOW;
  step->swp |= SWP_FRAMECHANGED;
  step->swp |= min_maximize(w, SW_MAXIMIZE, &step->r);
  if (!find(handle)) return end_with(step, was_visible);
  if (was_visible && !(step->swp & SWP_STATECHANGED)) end_with(step, TRUE);
}

void plan_show(bool was_visible, bool child, bool activate, ShowStep* step) {
  if (activate && was_visible) return end_with(step, TRUE);  // SW_SHOW: already shown
  step->swp |= SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
  if (!activate) step->swp |= SWP_NOACTIVATE;  // SW_SHOWNA
  if (child) step->swp |= SWP_NOACTIVATE | SWP_NOZORDER;
}

void plan_restore(Window* w, int command, bool was_visible, bool child, ShowStep* step) {
  if (command == SW_SHOWNOACTIVATE) step->swp |= SWP_NOACTIVATE | SWP_NOZORDER;
  step->swp |= SWP_SHOWWINDOW;
  if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
    HWND handle = w->handle;
    step->swp |= SWP_FRAMECHANGED;
    step->swp |= min_maximize(w, command, &step->r);
    if (!find(handle)) return end_with(step, was_visible);
  } else {
    if (was_visible) return end_with(step, TRUE);
    step->swp |= SWP_NOSIZE | SWP_NOMOVE;
  }
  if (child && !(step->swp & SWP_STATECHANGED)) step->swp |= SWP_NOACTIVATE | SWP_NOZORDER;
}

ShowStep plan(Window* w, int command, bool was_visible) {
  ShowStep step;
  step.r = w->window_rect;
  bool child = (w->style & WS_CHILD) != 0;
  switch (command) {
    case SW_HIDE: plan_hide(was_visible, child, &step); break;
    case SW_SHOWMINNOACTIVE:
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE:
    case SW_SHOWMINIMIZED: plan_minimize(w, command, was_visible, &step); break;
    case SW_SHOWMAXIMIZED: plan_maximize(w, was_visible, &step); break;
    case SW_SHOWNA: plan_show(was_visible, child, false, &step); break;
    case SW_SHOW: plan_show(was_visible, child, true, &step); break;
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT: plan_restore(w, command, was_visible, child, &step); break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      end_with(&step, was_visible);
      break;
  }
  return step;
}

// The size and place a top-level window tells at its first showing (WM_SIZE, WM_MOVE).
void send_first_size(Window* w) {
  HWND handle = w->handle;
  w->need_size = false;
  RECT c = w->client_rect;
  WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
  send(w, WM_SIZE, kind, kind == SIZE_MINIMIZED ? 0 : MAKELPARAM(c.right - c.left, c.bottom - c.top));
  if ((w = find(handle))) send(w, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
}

}  // namespace

BOOL show_window(Window* w, int command) {
  HWND handle = w->handle;
  bool was_visible = (w->style & WS_VISIBLE) != 0;
  bool show = command != SW_HIDE;
  bool child = (w->style & WS_CHILD) != 0;
  ShowStep step = plan(w, command, was_visible);
  if (step.end) return step.answer;
  w = find(handle);  // the same record: a plan that lost its window ends
  UINT swp = step.swp;
  if ((show != was_visible || command == SW_SHOWNA) && command != SW_SHOWMAXIMIZED && !(swp & SWP_STATECHANGED)) {
    send(w, WM_SHOWWINDOW, show, 0);
    if (!(w = find(handle))) return was_visible;
  }
  if (w->parent && !is_visible(w->parent) && !(swp & SWP_STATECHANGED)) {
    // Under a hidden parent only the style changes.
    if (show) w->style |= WS_VISIBLE;
    else w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  } else {
    set_window_pos(w, HWND_TOP, step.r.left, step.r.top, width(step.r), height(step.r), swp);
    if (!(w = find(handle))) return was_visible;
  }
  if (command == SW_HIDE) {
    if (!child && w->queue->active == handle) activate_other(w);
    Window* focus = find(w->queue->focus);
    if (focus && (focus == w || is_descendant(w, focus))) focus_leaving(w);
    return was_visible;
  }
  if (w->need_size) send_first_size(w);
  return was_visible;
}

}  // namespace user

using namespace user;

BOOL ShowWindow(HWND window, int command) {
  Window* w = find_or_fail(window);
  return w ? show_window(w, command) : FALSE;
}

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  if (!(flags & SWP_NOZORDER) && insert_after != HWND_TOP && insert_after != HWND_BOTTOM &&
      insert_after != HWND_TOPMOST && insert_after != HWND_NOTOPMOST && !find(insert_after)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return set_window_pos(w, insert_after, x, y, cx, cy,
                        flags & ~static_cast<UINT>(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE | SWP_STATECHANGED))
             ? TRUE
             : FALSE;
}

BOOL MoveWindow(HWND window, int x, int y, int cx, int cy, BOOL repaint) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (!repaint) flags |= SWP_NOREDRAW;
  return SetWindowPos(window, nullptr, x, y, cx, cy, flags);
}

BOOL BringWindowToTop(HWND window) { return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL IsWindowVisible(HWND window) {
  Window* w = find(window);
  return w && is_visible(w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
  Window* w = find(window);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window) {
  Window* w = find(window);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
  Window* w = find_or_fail(window);
  if (!w || !placement) return FALSE;
  placement->flags = w->restore_maximized ? 2 : 0;  // WPF_RESTORETOMAXIMIZED
  placement->showCmd = !(w->style & WS_VISIBLE)   ? SW_HIDE
                       : (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                       : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normal_rect : w->window_rect;
  return TRUE;
}
