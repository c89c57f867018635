// What DefWindowProcW does towards context menus: the right button's release
// and the keyboard's menu keys (Shift+F10, and the Menu key pressed and
// released) become WM_CONTEXTMENU to the window itself, which a child that
// leaves it alone hands on to its parent. From the keyboard both coordinates
// are -1: the window opens the menu at its selection.
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

constexpr LPARAM kFromKeyboard = -1;
constexpr LPARAM kAltDown = 1 << 29;  // the context bit of a key message's lParam

LRESULT send_context_menu(HWND window, LPARAM at) {
  if (Window* w = find(window)) send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), at);
  return 0;
}

}  // namespace

// WM_RBUTTONUP (client coordinates) and WM_NCRBUTTONUP (screen coordinates).
LRESULT context_menu_from_mouse(HWND window, UINT message, LPARAM lParam) {
  POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
  if (message == WM_RBUTTONUP) ClientToScreen(window, &p);
  return send_context_menu(window, MAKELPARAM(p.x, p.y));
}

// WM_SYSKEYDOWN with F10 while Shift is down and Alt is not, and WM_KEYUP or
// WM_SYSKEYUP of the Menu key; true when the key asked for the menu.
bool context_menu_from_key(HWND window, UINT message, WPARAM key, LPARAM lParam) {
  if (lParam & kAltDown) return false;
  const bool shift_f10 = message == WM_SYSKEYDOWN && key == VK_F10 && GetKeyState(VK_SHIFT) < 0;
  const bool menu_key = (message == WM_KEYUP || message == WM_SYSKEYUP) && key == VK_APPS;
  if (!shift_f10 && !menu_key) return false;
  send_context_menu(window, kFromKeyboard);
  return true;
}

}  // namespace user
