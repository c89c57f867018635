// TrackPopupMenuEx: the menu shown in a "#32768" window of its own (a
// topmost tool window owned by the caller's window, never activated), and a
// modal loop that keeps the keyboard and, through the capture, the mouse
// until an item is chosen or the menu is dismissed. The arrows move the
// highlight over the items that can be chosen, round the ends; Enter chooses
// the highlighted item; Esc and Alt dismiss the menu, as does a press
// outside it (which goes no further), the program losing the foreground, the
// capture going elsewhere or the owner going away. The pointer highlights
// the item under it; a release on an item chooses it. Every other message
// is dispatched as usual, so timers and painting go on.
#include "platform/win32/user/menu_internal.h"

namespace menu {

namespace {

const WCHAR kClassName[] = TEXT("#32768");  // the menu window class's name in Win32

struct Tracking {
  HMENU handle = nullptr;
  UINT flags = 0;
  HWND window = nullptr;
  std::vector<Item> items;  // as they were when the menu opened
  Layout layout;
  int hot = -1;
  bool done = false;
  UINT_PTR chosen = 0;
};

// One menu at a time per thread, as in Win32.
thread_local Tracking* tracking = nullptr;

void finish(Tracking* t, UINT_PTR chosen) {
  if (t->done) return;
  t->done = true;
  t->chosen = chosen;
  // The loop may be waiting for a message: this one ends its wait.
  if (IsWindow(t->window)) PostMessageW(t->window, WM_NULL, 0, 0);
}

void set_hot(Tracking* t, int index) {
  if (index == t->hot) return;
  for (int i : {t->hot, index})
    if (i >= 0) InvalidateRect(t->window, &t->layout.items[static_cast<size_t>(i)], FALSE);
  t->hot = index;
}

// The next item that can be chosen from `from` in the direction `step` (1 or
// -1), round the ends; from -1, the first or the last. -1 when there is none.
int next_selectable(const Tracking* t, int from, int step) {
  const int count = static_cast<int>(t->items.size());
  const int start = from >= 0 ? from : (step > 0 ? -1 : count);
  for (int k = 1; k <= count; ++k) {
    const int i = ((start + step * k) % count + count) % count;
    if (selectable(t->items[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

void on_key(Tracking* t, WPARAM key) {
  switch (key) {
    case VK_DOWN: set_hot(t, next_selectable(t, t->hot, 1)); break;
    case VK_UP: set_hot(t, next_selectable(t, t->hot, -1)); break;
    case VK_HOME: set_hot(t, next_selectable(t, -1, 1)); break;
    case VK_END: set_hot(t, next_selectable(t, -1, -1)); break;
    case VK_RETURN: finish(t, t->hot >= 0 ? t->items[static_cast<size_t>(t->hot)].id : 0); break;
    case VK_ESCAPE:
    case VK_MENU: finish(t, 0); break;
    default: break;
  }
}

bool is_press(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
}

// Mouse messages come to the menu window (it has the capture) in its client coordinates.
void on_mouse(Tracking* t, const MSG& msg) {
  const POINT p{static_cast<SHORT>(LOWORD(msg.lParam)), static_cast<SHORT>(HIWORD(msg.lParam))};
  const RECT client{0, 0, t->layout.size.cx, t->layout.size.cy};
  const bool inside = PtInRect(&client, p) != FALSE;
  int under = -1;
  for (size_t i = 0; inside && i < t->layout.items.size(); ++i)
    if (PtInRect(&t->layout.items[i], p) && selectable(t->items[i])) under = static_cast<int>(i);
  if (msg.message == WM_MOUSEMOVE) {
    if (inside) set_hot(t, under);
  } else if (is_press(msg.message)) {
    if (!inside) finish(t, 0);
  } else if (msg.message == WM_LBUTTONUP || (msg.message == WM_RBUTTONUP && (t->flags & TPM_RIGHTBUTTON))) {
    if (under >= 0) finish(t, t->items[static_cast<size_t>(under)].id);
  }
}

bool is_mouse(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

void run(Tracking* t) {
  MSG msg;
  while (!t->done) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the program's own loop must see it too
      break;
    }
    if (got < 0) break;
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
      if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) on_key(t, msg.wParam);
      continue;  // the keyboard is the menu's while it is up
    }
    if (is_mouse(msg.message)) {
      if (msg.hwnd == t->window) on_mouse(t, msg);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void paint(HWND window, const Tracking* t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (!dc) return;
  HFONT font = menu_font();
  HGDIOBJ old = SelectObject(dc, font);
  draw(dc, t->items, t->layout, t->hot);
  SelectObject(dc, old);
  DeleteObject(font);
  EndPaint(window, &ps);
}

LRESULT CALLBACK menu_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* t = reinterpret_cast<Tracking*>(GetWindowLongPtrW(window, 0));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, 0,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_NCDESTROY: SetWindowLongPtrW(window, 0, 0); break;
    case WM_PAINT:
      if (!t) break;
      paint(window, t);
      return 0;
    case WM_ERASEBKGND: return 1;  // the painting covers everything
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ACTIVATEAPP:
      if (t && !wParam) finish(t, 0);  // another program came to the front
      return 0;
    case WM_CAPTURECHANGED:
      if (t && reinterpret_cast<HWND>(lParam) != window) finish(t, 0);
      return 0;
    case WM_CANCELMODE:
    case WM_DESTROY:
      if (t) finish(t, 0);
      break;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const WCHAR* menu_class() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = menu_procedure;
    wc.cbWndExtra = sizeof(Tracking*);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  return kClassName;
}

// Makes the menu window, measures the items in it and shows it at its place; false when it could not be made.
bool open_window(Tracking* t, POINT at, HWND owner) {
  t->window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, menu_class(), nullptr, WS_POPUP, at.x, at.y, 1, 1,
                              GetAncestor(owner, GA_ROOT), nullptr, nullptr, t);
  if (!t->window) return false;
  HDC dc = GetDC(t->window);
  HFONT font = menu_font();
  HGDIOBJ old = SelectObject(dc, font);
  t->layout = measure(dc, t->items);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(t->window, dc);
  const POINT corner = place(at, t->layout.size, t->flags);
  SetWindowPos(t->window, HWND_TOPMOST, corner.x, corner.y, t->layout.size.cx, t->layout.size.cy,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (!IsWindow(t->window)) return false;
  UpdateWindow(t->window);
  SetCapture(t->window);
  return true;
}

// The item chosen, or 0; false when the menu could not be shown.
bool track(Tracking* t, POINT at, HWND owner) {
  Menu* m = find(t->handle);
  if (!m) return false;
  t->items = m->items;
  if (t->items.empty()) return true;  // nothing to show, nothing chosen
  if (!open_window(t, at, owner)) return false;
  tracking = t;
  run(t);
  tracking = nullptr;
  if (GetCapture() == t->window) ReleaseCapture();
  if (IsWindow(t->window)) DestroyWindow(t->window);
  return true;
}

}  // namespace

int highlighted(HMENU handle) { return tracking && tracking->handle == handle ? tracking->hot : -1; }

}  // namespace menu

using namespace menu;

BOOL TrackPopupMenuEx(HMENU handle, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
  if (!find(handle)) return FALSE;
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (tracking) {
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return FALSE;
  }
  const bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
    // The owner may fill in or change the menu here, as Win32 programs do.
    if (IsWindow(owner)) SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(handle), MAKELPARAM(0, FALSE));
  }
  Tracking t;
  t.handle = handle;
  t.flags = flags;
  const bool shown = IsWindow(owner) && track(&t, POINT{x, y}, owner);
  if (notify && IsWindow(owner)) {
    SendMessageW(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(handle), 0);
    if (IsWindow(owner)) SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
  }
  if (!shown) return FALSE;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(t.chosen);
  // Without TPM_RETURNCMD the choice reaches the owner as a menu command once the menu is gone.
  if (t.chosen && notify && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(t.chosen, 0), 0);
  return TRUE;
}

BOOL GetMenuItemRect(HWND, HMENU handle, UINT item, LPRECT rect) {
  Tracking* t = tracking;
  if (!rect || !t || t->handle != handle || item >= t->layout.items.size()) return FALSE;
  *rect = t->layout.items[item];
  MapWindowPoints(t->window, nullptr, reinterpret_cast<LPPOINT>(rect), 2);
  return TRUE;
}
