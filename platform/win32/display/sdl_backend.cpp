// The SDL2 display: every top-level window is a native window on X11 or
// Wayland. The native window is the Win32 window's client area, and the
// desktop's window manager draws the frame, the caption and its buttons; the
// Win32 frame stays in the program's arithmetic only. A native window is made
// when its window is first shown, when its kind is known. Windows are drawn
// at the desktop's scale and presented through SDL's window framebuffer, only
// the changed part. Waiting blocks in SDL until an event or the next timer;
// another thread's message wakes it with an SDL user event.
#include "platform/win32/display/sdl_backend.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/win32/kernel/paths.h"

namespace display {

namespace sdl {

// How long a wait may miss a lost wake from another thread.
constexpr DWORD kWakeCheckMs = 250;

namespace {

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

}  // namespace

Sdl::Sdl(const DesktopSettings& settings)
    : settings_(settings), thread_(std::this_thread::get_id()), wake_type_(SDL_RegisterEvents(1)) {
  // What a plain window program does not take: files and text dropped on it.
  for (Uint32 type : {SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE}) SDL_EventState(type, SDL_DISABLE);
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

Sdl::~Sdl() {
  for (Native* s : surfaces_) {
    if (s->window) SDL_DestroyWindow(s->window);
    delete s;
  }
  for (SDL_Cursor* c : cursors_)
    if (c) SDL_FreeCursor(c);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (wake_fd_ >= 0) close(wake_fd_);
}

Surface* Sdl::create_surface(int x, int y, int width, int height, bool topmost) {
  auto* s = new Native;
  s->bounds = RECT{x, y, x + width, y + height};
  s->topmost = topmost;
  surfaces_.push_back(s);
  return s;
}

void Sdl::destroy_surface(Surface* surface) {
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

void Sdl::set_bounds(Surface* surface, int x, int y, int width, int height) {
  Native* s = own(surface);
  s->bounds = RECT{x, y, x + width, y + height};
  place(s);
}

void Sdl::set_title(Surface* surface, const WCHAR* title) {
  Native* s = own(surface);
  s->title = utf8_of(title);
  if (s->window) SDL_SetWindowTitle(s->window, s->title.c_str());
}

void Sdl::set_style(Surface* surface, const SurfaceStyle& style) {
  Native* s = own(surface);
  SurfaceStyle old = s->style;
  s->style = style;
  if (!s->window) return;
  // The kind itself is fixed once the native window exists; what SDL can change, changes.
  if (old.resizable != style.resizable) SDL_SetWindowResizable(s->window, style.resizable ? SDL_TRUE : SDL_FALSE);
  apply_motif_hints(s->window, motif_hints(style));
  if (style.owner != old.owner && style.owner && own(style.owner)->window)
    SDL_SetWindowModalFor(s->window, own(style.owner)->window);
  place(s);
}

void Sdl::set_icon(Surface* surface, const uint32_t* pixels, int width, int height, int stride) {
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

void Sdl::set_show_state(Surface* surface, ShowState state, bool activate) {
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

void Sdl::set_topmost(Surface* surface, bool topmost) {
  Native* s = own(surface);
  if (s->topmost == topmost) return;
  s->topmost = topmost;
  if (s->window) SDL_SetWindowAlwaysOnTop(s->window, topmost ? SDL_TRUE : SDL_FALSE);
}

void Sdl::raise(Surface* surface) {
  Native* s = own(surface);
  // Raising asks the window manager for the focus too: windows that never take it are left as they are.
  if (s->window && s->style.activates && (SDL_GetWindowFlags(s->window) & SDL_WINDOW_SHOWN)) SDL_RaiseWindow(s->window);
}

SDL_Rect Sdl::screen() {
  SDL_Rect r{0, 0, 1024, 768};
  SDL_GetDisplayBounds(0, &r);
  return r;
}

RECT Sdl::content(const Native* s) const {
  const RECT& f = s->style.frame;
  RECT c{s->bounds.left + f.left, s->bounds.top + f.top, s->bounds.right - f.right, s->bounds.bottom - f.bottom};
  if (c.right <= c.left) c.right = c.left + 1;
  if (c.bottom <= c.top) c.bottom = c.top + 1;
  return c;
}

Native* Sdl::by_id(Uint32 id) {
  for (Native* s : surfaces_)
    if (s->window && SDL_GetWindowID(s->window) == id) return s;
  return nullptr;
}

void Sdl::set_cursor(CursorShape shape) {
  auto index = static_cast<size_t>(shape);
  if (index >= std::size(cursors_) || !on_display_thread()) return;
  if (!cursors_[index]) cursors_[index] = SDL_CreateSystemCursor(system_cursor(shape));
  if (cursors_[index] && SDL_GetCursor() != cursors_[index]) SDL_SetCursor(cursors_[index]);
}

void Sdl::set_text_input_rect(Surface* surface, const RECT& r) {
  Native* s = own(surface);
  if (!s->window || !on_display_thread()) return;
  int k = settings_.scale;
  RECT c = content(s);
  SDL_Rect at{(r.left - c.left) * k, (r.top - c.top) * k, (r.right - r.left) * k, (r.bottom - r.top) * k};
  SDL_SetTextInputRect(&at);
}

bool Sdl::shared_clipboard_text(std::string* utf8) {
  if (!on_display_thread()) return false;  // SDL's clipboard belongs to the thread that opened the display
  char* text = SDL_GetClipboardText();
  *utf8 = text ? text : "";
  SDL_free(text);
  return true;
}

void Sdl::set_shared_clipboard_text(const std::string& utf8) {
  if (on_display_thread()) SDL_SetClipboardText(utf8.c_str());
}

uint64_t Sdl::now() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

bool Sdl::make_window(Native* s) {
  int k = settings_.scale;
  RECT c = content(s);
  Uint32 flags = window_flags(s->style, s->topmost);
  // The window manager puts its frame where a new window asks to be: the outer corner, as in Win32.
  // Windows it does not decorate go where their client area is.
  POINT at = s->style.kind == SurfaceStyle::Kind::Normal ? POINT{s->bounds.left, s->bounds.top} : POINT{c.left, c.top};
  s->window = SDL_CreateWindow(s->title.c_str(), at.x * k, at.y * k, (c.right - c.left) * k, (c.bottom - c.top) * k,
                               flags);
  if (!s->window) return false;
  s->native = c;  // until the desktop says where the client area went
  ++windows_;
  if (x11_fd_ < 0 && wake_fd_ >= 0) x11_fd_ = x11_connection(s->window);
  apply_motif_hints(s->window, motif_hints(s->style));
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

// SDL's own wait on X11 wakes itself, for every event it queues while waiting, by sending an
// event through a second connection to its newest window; this program may destroy that window
// through the first connection at once, and the server, taking either first, may find the window
// gone (a BadWindow in X_SendEvent). Waiting here instead, SDL never sends itself anything.
bool Sdl::wait_on_x11(DWORD timeout) {
  SDL_PumpEvents();  // takes in whatever the connection holds, and sends what is waiting
  if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return true;
  pollfd watched[2] = {{x11_fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
  const int ready = poll(watched, 2, timeout == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeout, INT32_MAX)));
  uint64_t count = 0;
  if (watched[1].revents & POLLIN) {
    if (read(wake_fd_, &count, sizeof count) < 0) {
      // Taken by an earlier read: the flag below still tells.
    }
  }
  {
    std::lock_guard<std::mutex> hold(wake_lock_);
    if (wake_flag_) {
      wake_flag_ = false;
      return true;
    }
  }
  if (ready < 0 && errno != EINTR) return false;
  SDL_PumpEvents();
  return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0 || ready != 0;
}

bool Sdl::wait(DWORD timeout) {
  if (!pending_.empty()) return true;
  if (windows_ > 0 && x11_fd_ >= 0) return wait_on_x11(timeout);
  if (windows_ > 0) {
    // SDL wakes its wait by sending an X event to one of our windows; when that
    // window was destroyed from outside, the wake is lost (a BadWindow). So the
    // wait looks at the wake flag now and then as well.
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      DWORD left = timeout;
      if (timeout != INFINITE) {
        const auto spent = std::chrono::steady_clock::now() - start;
        const auto spent_ms = std::chrono::duration_cast<std::chrono::milliseconds>(spent).count();
        if (spent_ms >= timeout) return false;
        left = timeout - static_cast<DWORD>(spent_ms);
      }
      if (SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<DWORD>(left, kWakeCheckMs))) == 1) return true;
      std::lock_guard<std::mutex> hold(wake_lock_);
      if (wake_flag_) {
        wake_flag_ = false;
        return true;
      }
    }
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
  if (x11_fd_ >= 0) {
    const uint64_t one = 1;
    if (write(wake_fd_, &one, sizeof one) < 0) {
      // Full (it never is, at one count a wake) or gone at the end: the flag is set either way.
    }
    return;
  }
  // One wake event in SDL's queue at a time is enough, however many messages come.
  if (!wake_pending_.exchange(true)) {
    SDL_Event ev{};
    ev.type = wake_type_;
    SDL_PushEvent(&ev);
  }
}

}  // namespace sdl

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
  bool chosen = x11 && *x11 && !std::getenv("SDL_VIDEODRIVER");
  if (chosen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    // An X server named but not there: SDL may still find another display (Wayland's).
    if (!chosen) return nullptr;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  }
  auto* backend = new sdl::Sdl(sdl::read_desktop_settings());
  // After SDL's own start, whose handlers would end the process.
  sdl::watch_x_errors();
  return backend;
}

}  // namespace display
