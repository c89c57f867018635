// The SDL2 display: every top-level window is a native window on X11 or
// Wayland. The native window is the Win32 window's client area, and the
// desktop's window manager draws the frame, the caption and its buttons; the
// Win32 frame stays in the program's arithmetic only. A native window is made
// when its window is first shown, when its kind is known. Windows are drawn
// at the desktop's scale and presented through SDL's window framebuffer, only
// the changed part. Waiting blocks in SDL until an event or the next timer;
// another thread's message wakes it with an SDL user event.
#include "platform/win32/display_sdl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/paths.h"

namespace display {

namespace {

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

Native* own(Surface* s) { return static_cast<Native*>(s); }

int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

std::string utf8_of(const WCHAR* text) {
  std::string out;
  if (text) utf16_to_utf8(text, std::char_traits<char16_t>::length(text), &out);
  return out;
}

// The straight (not premultiplied) colours an icon property wants.
uint32_t unpremultiplied(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 0 || a == 255) return a ? p : 0;
  auto channel = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
  return (a << 24) | (channel((p >> 16) & 0xFF) << 16) | (channel((p >> 8) & 0xFF) << 8) | channel(p & 0xFF);
}

class Sdl final : public Backend {
 public:
  explicit Sdl(const sdl::DesktopSettings& settings)
      : settings_(settings), thread_(std::this_thread::get_id()), wake_type_(SDL_RegisterEvents(1)) {
    // What a plain window program does not take: files and text dropped on it.
    for (Uint32 type : {SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE}) SDL_EventState(type, SDL_DISABLE);
  }

  ~Sdl() override {
    for (Native* s : surfaces_) {
      if (s->window) SDL_DestroyWindow(s->window);
      delete s;
    }
    for (SDL_Cursor* c : cursors_)
      if (c) SDL_FreeCursor(c);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  Surface* create_surface(int x, int y, int width, int height, bool topmost) override {
    auto* s = new Native;
    s->bounds = RECT{x, y, x + width, y + height};
    s->topmost = topmost;
    surfaces_.push_back(s);
    return s;
  }

  void destroy_surface(Surface* surface) override {
    Native* s = own(surface);
    if (s->window) {
      SDL_DestroyWindow(s->window);
      --windows_;
    }
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), s), surfaces_.end());
    for (Native* o : surfaces_)
      if (o->style.owner == s) o->style.owner = nullptr;
    if (focus_lost_ == s) focus_lost_ = nullptr;
    delete s;
  }

  void set_bounds(Surface* surface, int x, int y, int width, int height) override {
    Native* s = own(surface);
    s->bounds = RECT{x, y, x + width, y + height};
    place(s);
  }

  void set_title(Surface* surface, const WCHAR* title) override {
    Native* s = own(surface);
    s->title = utf8_of(title);
    if (s->window) SDL_SetWindowTitle(s->window, s->title.c_str());
  }

  void set_style(Surface* surface, const SurfaceStyle& style) override {
    Native* s = own(surface);
    SurfaceStyle old = s->style;
    s->style = style;
    if (!s->window) return;
    // The kind itself is fixed once the native window exists; what SDL can change, changes.
    if (old.resizable != style.resizable) SDL_SetWindowResizable(s->window, style.resizable ? SDL_TRUE : SDL_FALSE);
    sdl::apply_motif_hints(s->window, sdl::motif_hints(style));
    if (style.owner != old.owner && style.owner && own(style.owner)->window)
      SDL_SetWindowModalFor(s->window, own(style.owner)->window);
    place(s);
  }

  void set_icon(Surface* surface, const uint32_t* pixels, int width, int height, int stride) override {
    Native* s = own(surface);
    s->icon.clear();
    s->icon_width = s->icon_height = 0;
    if (pixels && width > 0 && height > 0) {
      s->icon.resize(static_cast<size_t>(width) * height);
      for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const unsigned char*>(pixels) +
                                                             static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) s->icon[static_cast<size_t>(y) * width + x] = unpremultiplied(row[x]);
      }
      s->icon_width = width;
      s->icon_height = height;
    }
    if (s->window) apply_icon(s);
  }

  void set_show_state(Surface* surface, ShowState state, bool activate) override {
    Native* s = own(surface);
    s->asked = state;
    if (state == ShowState::Hidden) {
      if (s->window) SDL_HideWindow(s->window);
      return;
    }
    if (!s->window && !make_window(s)) return;
    if (!(SDL_GetWindowFlags(s->window) & SDL_WINDOW_SHOWN)) show(s, activate);
    switch (state) {
      case ShowState::Minimized: SDL_MinimizeWindow(s->window); break;
      case ShowState::Maximized: SDL_MaximizeWindow(s->window); break;
      default:
        if (s->state == ShowState::Minimized || s->state == ShowState::Maximized) SDL_RestoreWindow(s->window);
        place(s);
        break;
    }
    if (activate && state != ShowState::Minimized) raise(s);
  }

  void set_topmost(Surface* surface, bool topmost) override {
    Native* s = own(surface);
    if (s->topmost == topmost) return;
    s->topmost = topmost;
    if (s->window) SDL_SetWindowAlwaysOnTop(s->window, topmost ? SDL_TRUE : SDL_FALSE);
  }

  void raise(Surface* surface) override {
    Native* s = own(surface);
    // Raising asks the window manager for the focus too: windows that never take it are left as they are.
    if (s->window && s->style.activates && (SDL_GetWindowFlags(s->window) & SDL_WINDOW_SHOWN))
      SDL_RaiseWindow(s->window);
  }

  void present(Surface* s, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty) override;

  int screen_width() override { return screen().w / settings_.scale; }
  int screen_height() override { return screen().h / settings_.scale; }
  int dots_per_inch() override { return settings_.dpi; }
  int scale() override { return settings_.scale; }
  UINT double_click_time() override { return settings_.double_click_time; }

  void set_cursor(CursorShape shape) override {
    auto index = static_cast<size_t>(shape);
    if (index >= std::size(cursors_) || !on_display_thread()) return;
    if (!cursors_[index]) cursors_[index] = SDL_CreateSystemCursor(sdl::system_cursor(shape));
    if (cursors_[index] && SDL_GetCursor() != cursors_[index]) SDL_SetCursor(cursors_[index]);
  }

  void set_text_input_rect(Surface* surface, const RECT& r) override {
    Native* s = own(surface);
    if (!s->window || !on_display_thread()) return;
    int k = settings_.scale;
    RECT c = content(s);
    SDL_Rect at{(r.left - c.left) * k, (r.top - c.top) * k, (r.right - r.left) * k, (r.bottom - r.top) * k};
    SDL_SetTextInputRect(&at);
  }

  bool shared_clipboard_text(std::string* utf8) override {
    if (!on_display_thread()) return false;  // SDL's clipboard belongs to the thread that opened the display
    char* text = SDL_GetClipboardText();
    *utf8 = text ? text : "";
    SDL_free(text);
    return true;
  }

  void set_shared_clipboard_text(const std::string& utf8) override {
    if (on_display_thread()) SDL_SetClipboardText(utf8.c_str());
  }

  bool next_event(InputEvent* event) override;
  bool wait(DWORD timeout) override;
  void wake() override;

  uint64_t now() override {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  }

 private:
  bool on_display_thread() const { return std::this_thread::get_id() == thread_; }

  SDL_Rect screen() {
    SDL_Rect r{0, 0, 1024, 768};
    SDL_GetDisplayBounds(0, &r);
    return r;
  }

  // The client area: the outer rectangle less the frame the desktop draws instead.
  RECT content(const Native* s) const {
    const RECT& f = s->style.frame;
    RECT c{s->bounds.left + f.left, s->bounds.top + f.top, s->bounds.right - f.right, s->bounds.bottom - f.bottom};
    if (c.right <= c.left) c.right = c.left + 1;
    if (c.bottom <= c.top) c.bottom = c.top + 1;
    return c;
  }

  Native* by_id(Uint32 id) {
    for (Native* s : surfaces_)
      if (s->window && SDL_GetWindowID(s->window) == id) return s;
    return nullptr;
  }

  bool make_window(Native* s);
  void show(Native* s, bool activate);
  void apply_icon(Native* s);
  void place(Native* s);
  void emit(InputEvent e) { pending_.push_back(e); }
  void emit_text(Native* s, const std::u16string& text, size_t from);
  void key_event(const SDL_KeyboardEvent& key, bool down);
  void mouse_event(const SDL_Event& ev);
  void window_event(const SDL_WindowEvent& w);
  void translate(const SDL_Event& ev);

  sdl::DesktopSettings settings_;
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
};

bool Sdl::make_window(Native* s) {
  int k = settings_.scale;
  RECT c = content(s);
  Uint32 flags = sdl::window_flags(s->style, s->topmost);
  // The window manager puts its frame where a new window asks to be: the outer corner, as in Win32.
  s->window = SDL_CreateWindow(s->title.c_str(), s->bounds.left * k, s->bounds.top * k, (c.right - c.left) * k,
                               (c.bottom - c.top) * k, flags);
  if (!s->window) return false;
  s->native = c;  // until the desktop says where the client area went
  ++windows_;
  sdl::apply_motif_hints(s->window, sdl::motif_hints(s->style));
  if (!s->icon.empty()) apply_icon(s);
  // Owned windows stay above their owner, and owners made later take their owned windows along.
  if (s->style.owner && own(s->style.owner)->window) SDL_SetWindowModalFor(s->window, own(s->style.owner)->window);
  for (Native* o : surfaces_)
    if (o->style.owner == s && o->window) SDL_SetWindowModalFor(o->window, s->window);
  s->state = ShowState::Normal;
  return true;
}

void Sdl::show(Native* s, bool activate) {
  SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, activate && s->style.activates ? "0" : "1");
  SDL_ShowWindow(s->window);
  s->presented = false;
}

void Sdl::apply_icon(Native* s) {
  if (s->icon.empty()) return;  // SDL cannot take an icon back; a cleared one stays until the window goes
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(s->icon.data(), s->icon_width, s->icon_height, 32,
                                                          s->icon_width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!image) return;
  SDL_SetWindowIcon(s->window, image);
  SDL_FreeSurface(image);
}

// Moves and sizes the native window to the client area asked for, unless it is
// there already (so that what the desktop reports does not come back to it as a
// request) or the desktop owns its geometry (minimised, maximised).
void Sdl::place(Native* s) {
  if (!s->window || s->asked != ShowState::Normal || s->state != ShowState::Normal) return;
  int k = settings_.scale;
  RECT c = content(s);
  RECT was = s->native;
  s->native = c;
  if (c.right - c.left != was.right - was.left || c.bottom - c.top != was.bottom - was.top)
    SDL_SetWindowSize(s->window, (c.right - c.left) * k, (c.bottom - c.top) * k);
  if (c.left != was.left || c.top != was.top) SDL_SetWindowPosition(s->window, c.left * k, c.top * k);
}

void Sdl::present(Surface* surface, const uint32_t* pixels, int width, int height, int stride, const RECT& dirty) {
  Native* s = own(surface);
  if (!s->window || !pixels || !(SDL_GetWindowFlags(s->window) & SDL_WINDOW_SHOWN)) return;
  SDL_Surface* frame = SDL_GetWindowSurface(s->window);
  if (!frame) return;
  int k = settings_.scale;
  const RECT& f = s->style.frame;
  // The client part of the picture, in its pixels, lands at the framebuffer's origin.
  RECT area{f.left * k, f.top * k, std::min(width - f.right * k, f.left * k + frame->w),
            std::min(height - f.bottom * k, f.top * k + frame->h)};
  if (!s->presented) {
    area = RECT{f.left * k, f.top * k, area.right, area.bottom};  // a new framebuffer takes it all
  } else {
    area.left = std::max(area.left, dirty.left);
    area.top = std::max(area.top, dirty.top);
    area.right = std::min(area.right, dirty.right);
    area.bottom = std::min(area.bottom, dirty.bottom);
  }
  if (area.right <= area.left || area.bottom <= area.top) return;
  SDL_Rect to{area.left - f.left * k, area.top - f.top * k, area.right - area.left, area.bottom - area.top};
  const auto* from = reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(area.top) * stride +
                     area.left * 4;
  auto* into = static_cast<unsigned char*>(frame->pixels) + static_cast<ptrdiff_t>(to.y) * frame->pitch +
               to.x * frame->format->BytesPerPixel;
  if (SDL_ConvertPixels(to.w, to.h, SDL_PIXELFORMAT_ARGB8888, from, stride, frame->format->format, into,
                        frame->pitch) != 0)
    return;
  SDL_UpdateWindowSurfaceRects(s->window, &to, 1);
  s->presented = s->presented || (to.x == 0 && to.y == 0 && to.w == frame->w && to.h == frame->h);
}

bool Sdl::next_event(InputEvent* event) {
  SDL_Event ev;
  while (pending_.empty() && SDL_PollEvent(&ev)) translate(ev);
  if (pending_.empty() && focus_lost_) {
    // The keyboard left one of our windows; if none of ours has it now, it went to another program.
    if (!SDL_GetKeyboardFocus()) {
      InputEvent e;
      e.kind = InputEvent::Kind::Deactivated;
      e.surface = focus_lost_;
      emit(e);
    }
    focus_lost_ = nullptr;
  }
  if (pending_.empty()) return false;
  *event = pending_.front();
  pending_.pop_front();
  return true;
}

bool Sdl::wait(DWORD timeout) {
  if (!pending_.empty()) return true;
  if (windows_ > 0) {
    int ms = timeout == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeout, 0x7FFFFFFF));
    return SDL_WaitEventTimeout(nullptr, ms) == 1;
  }
  // Without a native window SDL could only poll: nothing but another thread can wake us then.
  std::unique_lock<std::mutex> hold(wake_lock_);
  auto woken = [this] { return wake_flag_; };
  bool got = timeout == INFINITE ? (woken_.wait(hold, woken), true)
                                 : woken_.wait_for(hold, std::chrono::milliseconds(timeout), woken);
  wake_flag_ = false;
  return got;
}

void Sdl::wake() {
  {
    std::lock_guard<std::mutex> hold(wake_lock_);
    wake_flag_ = true;
  }
  woken_.notify_all();
  // One wake event in SDL's queue at a time is enough, however many messages come.
  if (!wake_pending_.exchange(true)) {
    SDL_Event ev{};
    ev.type = wake_type_;
    SDL_PushEvent(&ev);
  }
}

void Sdl::emit_text(Native* s, const std::u16string& text, size_t from) {
  for (size_t at = from; at < text.size(); at += 7) {
    InputEvent e;
    e.kind = InputEvent::Kind::Text;
    e.surface = s;
    text.copy(e.text, 7, at);
    emit(e);
  }
}

void Sdl::key_event(const SDL_KeyboardEvent& key, bool down) {
  UINT vk = sdl::virtual_key(key.keysym.sym, key.keysym.scancode, key.keysym.mod);
  if (!vk) return;
  Native* s = by_id(key.windowID);
  InputEvent e;
  e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
  e.surface = s;
  e.key = vk;
  e.repeat = key.repeat != 0;
  if (!down) {
    emit(e);
    if (key.keysym.scancode == SDL_SCANCODE_RALT && altgr_control_) {
      altgr_control_ = false;
      InputEvent up = e;
      up.key = VK_CONTROL;
      emit(up);
    }
    return;
  }
  // The text a key types comes right after it, as its own event.
  SDL_Event next;
  std::string text;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT) {
    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
    text = next.text.text;
  }
  if (!altgr_control_ && sdl::altgr_text(key.keysym.sym, text.c_str(), key.keysym.mod)) {
    altgr_control_ = true;
    InputEvent control = e;
    control.key = VK_CONTROL;
    emit(control);
  }
  std::u16string wide;
  if (!text.empty() && utf8_to_utf16(text.data(), text.size(), &wide)) {
    wide.copy(e.text, 7);
    e.text_final = true;
    emit(e);
    emit_text(s, wide, 7);  // what a key event cannot carry follows as text
    return;
  }
  e.text_final = sdl::types_characters(vk, key.keysym.mod);  // a dead key, or an input method composing
  emit(e);
}

void Sdl::mouse_event(const SDL_Event& ev) {
  int k = settings_.scale;
  InputEvent e;
  Uint32 id;
  int x, y;
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      e.kind = InputEvent::Kind::MouseMove, id = ev.motion.windowID, x = ev.motion.x, y = ev.motion.y;
      break;
    case SDL_MOUSEWHEEL:
      e.kind = InputEvent::Kind::MouseWheel, id = ev.wheel.windowID, x = ev.wheel.mouseX, y = ev.wheel.mouseY;
      e.wheel = sdl::wheel_delta(ev.wheel);
      if (!e.wheel) return;
      break;
    default:
      e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
      id = ev.button.windowID, x = ev.button.x, y = ev.button.y;
      e.button = sdl::mouse_button(ev.button.button);
      if (!e.button) return;
      break;
  }
  Native* s = by_id(id);
  if (!s) return;
  RECT c = content(s);
  e.surface = s;
  e.x = c.left + floor_div(x, k);
  e.y = c.top + floor_div(y, k);
  emit(e);
}

void Sdl::window_event(const SDL_WindowEvent& w) {
  Native* s = by_id(w.windowID);
  if (!s) return;
  int k = settings_.scale;
  const RECT& f = s->style.frame;
  InputEvent e;
  e.surface = s;
  switch (w.event) {
    case SDL_WINDOWEVENT_MOVED: {
      OffsetRect(&s->native, floor_div(w.data1, k) - s->native.left, floor_div(w.data2, k) - s->native.top);
      int x = s->native.left - f.left, y = s->native.top - f.top;
      if (s->state != ShowState::Normal || (x == s->bounds.left && y == s->bounds.top)) return;
      OffsetRect(&s->bounds, x - s->bounds.left, y - s->bounds.top);
      e.kind = InputEvent::Kind::Moved, e.x = x, e.y = y;
      break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      s->presented = false;  // a new framebuffer
      s->native.right = s->native.left + (w.data1 + k - 1) / k;
      s->native.bottom = s->native.top + (w.data2 + k - 1) / k;
      int cx = s->native.right - s->native.left + f.left + f.right, cy = s->native.bottom - s->native.top + f.top + f.bottom;
      if (cx != s->bounds.right - s->bounds.left || cy != s->bounds.bottom - s->bounds.top) {
        s->bounds.right = s->bounds.left + cx;
        s->bounds.bottom = s->bounds.top + cy;
        InputEvent sized = e;
        sized.kind = InputEvent::Kind::Resized, sized.width = cx, sized.height = cy;
        emit(sized);
      }
      e.kind = InputEvent::Kind::Exposed;
      break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
      // The framebuffer still holds the last picture: shown again without the program.
      if (s->presented && SDL_UpdateWindowSurface(s->window) == 0) return;
      e.kind = InputEvent::Kind::Exposed;
      break;
    case SDL_WINDOWEVENT_MINIMIZED: s->state = ShowState::Minimized, e.kind = InputEvent::Kind::Minimized; break;
    case SDL_WINDOWEVENT_MAXIMIZED: s->state = ShowState::Maximized, e.kind = InputEvent::Kind::Maximized; break;
    case SDL_WINDOWEVENT_RESTORED: s->state = ShowState::Normal, e.kind = InputEvent::Kind::Restored; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = InputEvent::Kind::Activated; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: focus_lost_ = s; return;
    case SDL_WINDOWEVENT_CLOSE: e.kind = InputEvent::Kind::Close; break;
    case SDL_WINDOWEVENT_LEAVE:
      // The pointer went to no window of ours: a move far away ends mouse tracking.
      e.kind = InputEvent::Kind::MouseMove, e.x = e.y = -32000;
      break;
    default: return;
  }
  // A state the program asked for itself is no news to it.
  if ((e.kind == InputEvent::Kind::Minimized && s->asked == ShowState::Minimized) ||
      (e.kind == InputEvent::Kind::Maximized && s->asked == ShowState::Maximized) ||
      (e.kind == InputEvent::Kind::Restored && s->asked == ShowState::Normal))
    return;
  emit(e);
}

void Sdl::translate(const SDL_Event& ev) {
  if (ev.type == wake_type_) {
    wake_pending_ = false;
    return;
  }
  switch (ev.type) {
    case SDL_KEYDOWN: key_event(ev.key, true); break;
    case SDL_KEYUP: key_event(ev.key, false); break;
    case SDL_TEXTINPUT: {
      std::u16string text;
      if (utf8_to_utf16(ev.text.text, std::strlen(ev.text.text), &text)) emit_text(by_id(ev.text.windowID), text, 0);
      break;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: mouse_event(ev); break;
    case SDL_WINDOWEVENT: window_event(ev.window); break;
    default: break;  // SDL_QUIT among them: closing is each window's own business
  }
}

}  // namespace

Backend* make_sdl() {
  // A desktop program: no signal handlers of SDL's, the screen saver allowed,
  // the compositor kept, a click into another window taken as a click.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
  // Pictures are drawn by cairo: the native framebuffer (shared memory on X11) shows them as they
  // are. An accelerated one would remake each window as an OpenGL window on its first picture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // With an X server at hand, X11 (through XWayland on a Wayland desktop) gives the window manager's frame.
  const char* x11 = std::getenv("DISPLAY");
  if (x11 && *x11 && !std::getenv("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return new Sdl(sdl::read_desktop_settings());
}

}  // namespace display
