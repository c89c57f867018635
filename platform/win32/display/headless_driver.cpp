// The headless test controls: input goes to the headless display and is read
// back at once, so it is stamped with the virtual time of its injection.
#include "platform/win32/display/headless_driver.h"

#include "platform/win32/display/headless_backend.h"
#include "platform/win32/user/window_internal.h"

namespace headless {

namespace {

using Kind = display::InputEvent::Kind;

void deliver(display::InputEvent e) {
  display::headless::inject(e);
  display::Backend& screen = display::current();
  display::InputEvent taken;
  while (screen.next_event(&taken)) user::input_event(taken);
}

void mouse(Kind kind, int x, int y, int button, int wheel) {
  display::InputEvent e;
  e.kind = kind;
  e.x = x;
  e.y = y;
  e.button = button;
  e.wheel = wheel;
  deliver(e);
}

void keyboard(Kind kind, UINT vk, const WCHAR* text) {
  display::InputEvent e;
  e.kind = kind;
  e.key = vk;
  e.scan = vk & 0xFF;
  for (int i = 0; text && text[i] && i < 7; ++i) e.text[i] = text[i];
  deliver(e);
}

user::Window* top_of(HWND window) {
  user::Window* w = user::find(window);
  return w ? user::root(w) : nullptr;
}

}  // namespace

void mouse_move(int x, int y) { mouse(Kind::MouseMove, x, y, 0, 0); }
void mouse_down(int x, int y, int button) { mouse(Kind::MouseDown, x, y, button, 0); }
void mouse_up(int x, int y, int button) { mouse(Kind::MouseUp, x, y, button, 0); }

void click(int x, int y, int button) {
  mouse_down(x, y, button);
  mouse_up(x, y, button);
}

void wheel(int x, int y, int delta) { mouse(Kind::MouseWheel, x, y, 0, delta); }

POINT on_screen(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return p;
}

void key_down(UINT vk, const WCHAR* text) { keyboard(Kind::KeyDown, vk, text); }
void key_up(UINT vk) { keyboard(Kind::KeyUp, vk, nullptr); }

void key(UINT vk, const WCHAR* text) {
  key_down(vk, text);
  key_up(vk);
}

void leave_foreground() { SetActiveWindow(nullptr); }

void advance(DWORD milliseconds) { display::headless::advance(milliseconds); }

int pump() {
  int count = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // left for the program's own loop
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++count;
  }
  return count;
}

COLORREF pixel(HWND window, int x, int y) {
  user::Window* w = user::find(window);
  user::Window* top = top_of(window);
  if (!w || !top || !top->surface) return CLR_INVALID;
  user::compose(top);
  POINT p = user::client_offset_in_root(w);
  int k = display::current().scale();  // the first device pixel of the logical one
  return display::headless::color_at(top->surface, (p.x + x) * k, (p.y + y) * k);
}

bool save_png(HWND window, const char* path) {
  user::Window* top = top_of(window);
  if (!top || !top->surface) return false;
  user::compose(top);
  return display::headless::save_png(top->surface, path);
}

void set_stall_handler(void (*handler)(const char* message)) { user::headless_hooks::set_stall_handler(handler); }

}  // namespace headless
