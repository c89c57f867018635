// Inside the SDL2 display backend: the record of a native window and the
// backend itself, whose work is split between sdl_backend.cpp (native windows,
// pictures, waiting) and sdl_events.cpp (SDL's events as the stand-in's).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/display/sdl_mapping.h"

namespace display::sdl {

// A top-level window's native window.
struct Native final : Surface {
  SDL_Window* window = nullptr;  // made when first shown
  RECT bounds{};                 // the outer rectangle as asked, or as the desktop moved or sized it
  RECT native{};                 // the client area as last asked of the native window or reported by it
  SurfaceStyle style;
  bool topmost = false;
  ShowState asked = ShowState::Hidden;  // what the program asked for
  ShowState state = ShowState::Hidden;  // what the desktop last said
  std::string title;                    // UTF-8
  std::vector<uint32_t> icon;           // ARGB, not premultiplied
  int icon_width = 0, icon_height = 0;
  bool presented = false;  // the framebuffer holds a whole picture
};

inline Native* own(Surface* s) { return static_cast<Native*>(s); }

// a / b rounded down: device pixels left of a window map to the Win32 pixel they are in.
inline int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

class Sdl final : public Backend {
 public:
  explicit Sdl(const DesktopSettings& settings);
  ~Sdl() override;

  Surface* create_surface(int x, int y, int width, int height, bool topmost) override;
  void destroy_surface(Surface* surface) override;
  void set_bounds(Surface* surface, int x, int y, int width, int height) override;
  void set_title(Surface* surface, const WCHAR* title) override;
  void set_style(Surface* surface, const SurfaceStyle& style) override;
  void set_icon(Surface* surface, const uint32_t* pixels, int width, int height, int stride) override;
  void set_show_state(Surface* surface, ShowState state, bool activate) override;
  void set_topmost(Surface* surface, bool topmost) override;
  void raise(Surface* surface) override;
  void present(Surface* surface, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty) override;

  int screen_width() override { return screen().w / settings_.scale; }
  int screen_height() override { return screen().h / settings_.scale; }
  int dots_per_inch() override { return settings_.dpi; }
  int scale() override { return settings_.scale; }
  UINT double_click_time() override { return settings_.double_click_time; }

  void set_cursor(CursorShape shape) override;
  void set_text_input_rect(Surface* surface, const RECT& r) override;
  bool shared_clipboard_text(std::string* utf8) override;
  void set_shared_clipboard_text(const std::string& utf8) override;

  bool next_event(InputEvent* event) override;  // sdl_events.cpp
  bool wait(DWORD timeout) override;
  void wake() override;
  uint64_t now() override;

 private:
  bool on_display_thread() const { return std::this_thread::get_id() == thread_; }
  SDL_Rect screen();
  // The client area: the outer rectangle less the frame the desktop draws instead.
  RECT content(const Native* s) const;
  Native* by_id(Uint32 id);

  bool make_window(Native* s);
  bool wait_on_x11(DWORD timeout);
  void show(Native* s, bool activate);
  void apply_icon(Native* s);
  void place(Native* s);

  // Events (sdl_events.cpp).
  void emit(InputEvent e) { pending_.push_back(e); }
  void emit_text(Native* s, const std::u16string& text, size_t from);
  void key_event(const SDL_KeyboardEvent& key, bool down);
  void mouse_event(const SDL_Event& ev);
  void window_event(const SDL_WindowEvent& w);
  void translate(const SDL_Event& ev);

  DesktopSettings settings_;
  std::thread::id thread_;
  Uint32 wake_type_;
  std::vector<Native*> surfaces_;
  int windows_ = 0;  // native windows made; SDL can wait on its connection only when there is one
  std::deque<InputEvent> pending_;
  Native* focus_lost_ = nullptr;
  bool altgr_control_ = false;  // a Ctrl down was sent for AltGr and its Up is owed
  SDL_Cursor* cursors_[14] = {};
  std::atomic<bool> wake_pending_{false};
  std::mutex wake_lock_;
  std::condition_variable woken_;
  bool wake_flag_ = false;
  // On X11 the wait is ours: on the connection and on wake_fd_, which another thread's wake writes.
  std::atomic<int> x11_fd_{-1};
  int wake_fd_ = -1;
};

}  // namespace display::sdl
