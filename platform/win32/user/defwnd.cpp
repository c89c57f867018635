// DefWindowProcW: what a window does with the messages its own procedure
// leaves alone.
#include <cstring>

#include "platform/win32/user/window_internal.h"

namespace user {
namespace {

LRESULT hit_test(Window* w, POINT p) {
  POINT o = window_origin_on_screen(w);
  RECT wr{o.x, o.y, o.x + (w->window_rect.right - w->window_rect.left),
          o.y + (w->window_rect.bottom - w->window_rect.top)};
  if (!PtInRect(&wr, p)) return HTNOWHERE;
  POINT c = client_origin_on_screen(w);
  RECT cr{c.x, c.y, c.x + (w->client_rect.right - w->client_rect.left),
          c.y + (w->client_rect.bottom - w->client_rect.top)};
  if (PtInRect(&cr, p)) return HTCLIENT;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  LRESULT sb = scrollbar_hit(w, p);
  if (sb != HTNOWHERE) return sb;
  RECT in;
  frame_sizes(w->style, w->ex_style, &in);
  int frame = in.left;
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    int caption = (w->ex_style & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
    RECT cap{wr.left + frame, wr.top + frame, wr.right - frame, wr.top + frame + caption};
    if (PtInRect(&cap, p)) {
      if ((w->style & WS_SYSMENU) && p.x >= cap.right - caption) return HTCLOSE;
      return HTCAPTION;
    }
  }
  if (w->style & WS_THICKFRAME) {
    bool left = p.x < wr.left + frame, right = p.x >= wr.right - frame;
    bool top = p.y < wr.top + frame, bottom = p.y >= wr.bottom - frame;
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  return HTBORDER;
}

LRESULT erase_background(Window* w, HDC dc) {
  HBRUSH brush = w->cls->background;
  if (!brush || !dc) return 0;
  ULONG_PTR value = reinterpret_cast<ULONG_PTR>(brush);
  if (value <= COLOR_MENUBAR + 1) brush = GetSysColorBrush(static_cast<int>(value) - 1);
  RECT r;
  if (w->cls->style & CS_PARENTDC) GetClientRect(w->handle, &r);
  else GetClipBox(dc, &r);
  FillRect(dc, &r, brush);
  return 1;
}

LRESULT control_color(UINT message, HDC dc) {
  int back = (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW
             : message == WM_CTLCOLORSCROLLBAR                             ? COLOR_SCROLLBAR
                                                                           : COLOR_3DFACE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(back));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
}

void update_ui_state(Window* w, WPARAM wParam) {
  WORD action = LOWORD(wParam), bits = HIWORD(wParam) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
  if (action == UIS_SET) w->ui_state |= bits;
  else if (action == UIS_CLEAR) w->ui_state &= ~static_cast<DWORD>(bits);
  else if (action == UIS_INITIALIZE) w->ui_state = bits;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = find(k)) send(c, WM_UPDATEUISTATE, wParam, 0);
}

LRESULT on_nccreate(Window* w, LPARAM lParam) {
  auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
  if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
  return TRUE;
}

LRESULT on_nccalcsize(Window* w, LPARAM lParam) {
  RECT* r = reinterpret_cast<RECT*>(lParam);
  if (r) *r = client_from_window(w, *r);
  return 0;
}

LRESULT on_settext(Window* w, LPARAM lParam) {
  auto* text = reinterpret_cast<LPCWSTR>(lParam);
  w->text = text ? text : u"";
  if ((w->style & WS_CAPTION) == WS_CAPTION) w->frame_dirty = true;
  if (w->surface) display::current().set_title(w->surface, w->text.c_str());
  return TRUE;
}

LRESULT on_gettext(const Window* w, WPARAM wParam, LPARAM lParam) {
  auto* buffer = reinterpret_cast<LPWSTR>(lParam);
  if (!buffer || wParam == 0) return 0;
  size_t n = w->text.size();
  if (n > wParam - 1) n = wParam - 1;
  std::memcpy(buffer, w->text.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

LRESULT on_paint(HWND window) {
  PAINTSTRUCT ps;
  if (BeginPaint(window, &ps)) EndPaint(window, &ps);
  return 0;
}

// A sizable or top-level window keeps within the tracking sizes WM_GETMINMAXINFO answers.
LRESULT on_window_pos_changing(Window* w, LPARAM lParam) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
  if (wp && !(wp->flags & SWP_NOSIZE) && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE)) &&
      ((w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)))) {
    MINMAXINFO mmi = min_max_info(w);
    if (wp->cx > mmi.ptMaxTrackSize.x) wp->cx = mmi.ptMaxTrackSize.x;
    if (wp->cy > mmi.ptMaxTrackSize.y) wp->cy = mmi.ptMaxTrackSize.y;
    if (wp->cx < mmi.ptMinTrackSize.x) wp->cx = mmi.ptMinTrackSize.x;
    if (wp->cy < mmi.ptMinTrackSize.y) wp->cy = mmi.ptMinTrackSize.y;
  }
  return 0;
}

LRESULT on_window_pos_changed(HWND window, Window* w, LPARAM lParam) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
  if (!wp) return 0;
  RECT c = w->client_rect;
  if (!(wp->flags & SWP_NOCLIENTMOVE)) send(w, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
  if (!(w = find(window))) return 0;
  if (!(wp->flags & SWP_NOCLIENTSIZE) || (wp->flags & SWP_STATECHANGED)) {
    c = w->client_rect;
    if (w->style & WS_MINIMIZE) send(w, WM_SIZE, SIZE_MINIMIZED, 0);
    else
      send(w, WM_SIZE, (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
           MAKELPARAM(c.right - c.left, c.bottom - c.top));
  }
  return 0;
}

LRESULT on_mouse_activate(Window* w, WPARAM wParam, LPARAM lParam) {
  if (is_child(w)) {
    LRESULT r = send(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
    if (r) return r;
  }
  return MA_ACTIVATE;
}

LRESULT on_set_cursor(HWND window, Window* w, WPARAM wParam, LPARAM lParam) {
  if (is_child(w) && send(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
  // The cursor is that of the window under the pointer (wParam), even when its parent sets it.
  Window* under = find(reinterpret_cast<HWND>(wParam));
  if (!(w = find(window))) return TRUE;
  if (!under) under = w;
  if (LOWORD(lParam) == HTCLIENT && under->cls->cursor) {
    SetCursor(under->cls->cursor);
    return TRUE;
  }
  return FALSE;
}

LRESULT on_sys_command(HWND window, Window* w, WPARAM wParam) {
  switch (wParam & 0xFFF0) {
    case SC_CLOSE: return send(w, WM_CLOSE, 0, 0);
    case SC_MINIMIZE: ShowWindow(window, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(window, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(window, SW_RESTORE); return 0;
    default: return 0;
  }
}

LRESULT on_sys_key_down(Window* w, WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_F4 && (lParam & (1 << 29))) {
    Window* top = root(w);
    if (!(top->cls->style & CS_NOCLOSE)) PostMessageW(top->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  return 0;
}

// Presses on the frame: the caption brings the window forward, its close box closes,
// a double click on it maximizes or restores.
LRESULT on_nonclient_button(HWND window, Window* w, UINT message, WPARAM wParam) {
  if (message == WM_NCLBUTTONDOWN) {
    if (wParam == HTCAPTION || wParam == HTCLOSE) SetForegroundWindow(root(w)->handle);
  } else if (message == WM_NCLBUTTONUP) {
    if (wParam == HTCLOSE) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (wParam == HTCAPTION && (w->style & WS_MAXIMIZEBOX)) {
    ShowWindow(window, (w->style & WS_MAXIMIZE) ? SW_RESTORE : SW_MAXIMIZE);
  }
  return 0;
}

LRESULT on_set_redraw(HWND window, Window* w, WPARAM wParam) {
  if (wParam) {
    w->style |= WS_VISIBLE;
  } else {
    RedrawWindow(window, nullptr, nullptr, RDW_ALLCHILDREN | RDW_VALIDATE);
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  }
  return 0;
}

LRESULT on_set_icon(Window* w, WPARAM wParam, LPARAM lParam) {
  HICON old = wParam == ICON_SMALL ? w->icon_small : w->icon_big;
  if (wParam == ICON_SMALL) w->icon_small = reinterpret_cast<HICON>(lParam);
  else w->icon_big = reinterpret_cast<HICON>(lParam);
  surface_icon_changed(w);
  return reinterpret_cast<LRESULT>(old);
}

LRESULT on_change_ui_state(Window* w, WPARAM wParam, LPARAM lParam) {
  // A child hands the change up; the top-level window makes it, for itself and all below.
  if (is_child(w)) return send(w->parent, WM_CHANGEUISTATE, wParam, lParam);
  send(w, WM_UPDATEUISTATE, wParam, lParam);
  return 0;
}

// What a child leaves alone goes up to its parent.
LRESULT pass_to_parent(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (is_child(w)) return send(w->parent, message, wParam, lParam);
  return 0;
}

}  // namespace
}  // namespace user

using namespace user;

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = find(window);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: return on_nccreate(w, lParam);
    case WM_NCCALCSIZE: return on_nccalcsize(w, lParam);
    case WM_NCHITTEST:
      return hit_test(w, POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))});
    case WM_NCACTIVATE: w->frame_dirty = true; return TRUE;
    case WM_NCPAINT:
    case WM_SYNCPAINT: return 0;
    case WM_SETTEXT: return on_settext(w, lParam);
    case WM_GETTEXT: return on_gettext(w, wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_ERASEBKGND: return erase_background(w, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: return on_paint(window);
    case WM_WINDOWPOSCHANGING: return on_window_pos_changing(w, lParam);
    case WM_WINDOWPOSCHANGED: return on_window_pos_changed(window, w, lParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(window);
      return 0;
    case WM_MOUSEACTIVATE: return on_mouse_activate(w, wParam, lParam);
    case WM_SETCURSOR: return on_set_cursor(window, w, wParam, lParam);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU: return pass_to_parent(w, message, wParam, lParam);
    case WM_CANCELMODE:
      if (w->queue->capture == window) ReleaseCapture();
      return 0;
    case WM_SYSCOMMAND: return on_sys_command(window, w, wParam);
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP: return context_menu_from_mouse(window, message, lParam);
    case WM_KEYUP:
    case WM_SYSKEYUP: context_menu_from_key(window, message, wParam, lParam); return 0;
    case WM_SYSKEYDOWN:
      if (context_menu_from_key(window, message, wParam, lParam)) return 0;
      return on_sys_key_down(w, wParam, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK: return on_nonclient_button(window, w, message, wParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return control_color(message, reinterpret_cast<HDC>(wParam));
    case WM_QUERYOPEN:
    case WM_QUERYENDSESSION: return TRUE;
    case WM_SETREDRAW: return on_set_redraw(window, w, wParam);
    case WM_SETICON: return on_set_icon(w, wParam, lParam);
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam == ICON_SMALL ? w->icon_small : w->icon_big);
    case WM_QUERYUISTATE: return static_cast<LRESULT>(w->ui_state);
    case WM_UPDATEUISTATE: update_ui_state(w, wParam); return 0;
    case WM_CHANGEUISTATE: return on_change_ui_state(w, wParam, lParam);
    default: return 0;
  }
}
