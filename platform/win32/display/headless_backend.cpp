// The headless display: surfaces are images in memory, input is injected,
// the clock is virtual. The default backend, and what tests use.
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/win32/display/headless_backend.h"
#include "platform/win32/gdi/window_dc.h"

namespace display {

namespace {

struct HeadlessSurface final : Surface {
  RECT bounds{};
  bool topmost = false;
  ShowState state = ShowState::Hidden;
  std::u16string title;
  SurfaceStyle style;
  std::vector<uint32_t> icon;
  std::vector<uint32_t> pixels;  // the presented image, width x height
  int width = 0, height = 0;
  int presents = 0;
};

HeadlessSurface* own(Surface* s) { return static_cast<HeadlessSurface*>(s); }

class Headless final : public Backend {
 public:
  ~Headless() override {
    for (Surface* s : order_) delete own(s);
  }

  Surface* create_surface(int x, int y, int width, int height, bool topmost) override {
    auto* s = new HeadlessSurface;
    s->bounds = RECT{x, y, x + width, y + height};
    s->topmost = topmost;
    std::lock_guard<std::mutex> hold(lock_);
    place_on_top(s);
    return s;
  }

  void destroy_surface(Surface* surface) override {
    std::lock_guard<std::mutex> hold(lock_);
    order_.erase(std::remove(order_.begin(), order_.end(), surface), order_.end());
    delete own(surface);
  }

  void set_bounds(Surface* surface, int x, int y, int width, int height) override {
    own(surface)->bounds = RECT{x, y, x + width, y + height};
  }

  void set_title(Surface* surface, const WCHAR* title) override { own(surface)->title = title ? title : u""; }
  void set_style(Surface* surface, const SurfaceStyle& style) override { own(surface)->style = style; }

  void set_icon(Surface* surface, const uint32_t* pixels, int width, int height, int stride) override {
    own(surface)->icon.clear();
    if (!pixels || width <= 0 || height <= 0) return;
    own(surface)->icon.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      std::memcpy(&own(surface)->icon[static_cast<size_t>(y) * width],
                  reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * stride,
                  static_cast<size_t>(width) * 4);
  }

  void set_show_state(Surface* surface, ShowState state, bool activate) override {
    own(surface)->state = state;
    if (activate) raise(surface);
  }

  void set_topmost(Surface* surface, bool topmost) override {
    std::lock_guard<std::mutex> hold(lock_);
    own(surface)->topmost = topmost;
    order_.erase(std::remove(order_.begin(), order_.end(), surface), order_.end());
    place_on_top(surface);
  }

  void raise(Surface* surface) override {
    std::lock_guard<std::mutex> hold(lock_);
    order_.erase(std::remove(order_.begin(), order_.end(), surface), order_.end());
    place_on_top(surface);
  }

  void present(Surface* surface, const uint32_t* pixels, int width, int height, int stride,
               const RECT& dirty) override {
    if (width <= 0 || height <= 0 || !pixels) return;
    RECT r{0, 0, width, height};
    if (own(surface)->width != width || own(surface)->height != height) {
      own(surface)->width = width;
      own(surface)->height = height;
      own(surface)->pixels.assign(static_cast<size_t>(width) * height, 0);
    } else {
      r = RECT{std::max<LONG>(dirty.left, 0), std::max<LONG>(dirty.top, 0), std::min<LONG>(dirty.right, width),
               std::min<LONG>(dirty.bottom, height)};
    }
    for (LONG y = r.top; y < r.bottom && r.left < r.right; ++y)
      std::memcpy(&own(surface)->pixels[static_cast<size_t>(y) * width + r.left],
                  reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * stride + r.left * 4,
                  static_cast<size_t>(r.right - r.left) * 4);
    ++own(surface)->presents;
  }

  int screen_width() override { return screen_width_; }
  int screen_height() override { return screen_height_; }
  int dots_per_inch() override { return dpi_; }
  int scale() override { return scale_; }
  void set_cursor(CursorShape shape) override { cursor_ = shape; }

  bool shared_clipboard_text(std::string* utf8) override {
    std::lock_guard<std::mutex> hold(lock_);
    if (!shared_) return false;
    *utf8 = shared_text_;
    return true;
  }
  void set_shared_clipboard_text(const std::string& utf8) override {
    std::lock_guard<std::mutex> hold(lock_);
    if (shared_) shared_text_ = utf8;
  }

  bool next_event(InputEvent* event) override {
    std::lock_guard<std::mutex> hold(lock_);
    if (events_.empty()) return false;
    *event = events_.front();
    events_.pop_front();
    return true;
  }

  bool wait(DWORD timeout) override {
    std::unique_lock<std::mutex> hold(lock_);
    if (!events_.empty() || woken_) {
      woken_ = false;
      return true;
    }
    if (timeout != INFINITE) {
      clock_ += timeout;  // nothing can happen before the timeout: skip to it
      return false;
    }
    bool woken = wakeup_.wait_for(hold, std::chrono::milliseconds(stall_wait_),
                                  [this] { return woken_ || !events_.empty(); });
    woken_ = false;
    return woken;
  }

  void wake() override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      woken_ = true;
    }
    wakeup_.notify_all();
  }

  uint64_t now() override { return clock_; }

  // Control.
  void inject(const InputEvent& event) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      events_.push_back(event);
    }
    wakeup_.notify_all();
  }
  size_t pending() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_.size();
  }
  void clear_events() {
    std::lock_guard<std::mutex> hold(lock_);
    events_.clear();
  }
  void advance(uint64_t ms) { clock_ += ms; }
  void set_dpi(int dpi) { dpi_ = dpi; }
  void set_screen_size(int width, int height) {
    screen_width_ = width;
    screen_height_ = height;
  }
  void set_stall_wait(DWORD ms) { stall_wait_ = ms; }
  void set_scale(int scale) { scale_ = scale; }
  CursorShape cursor() const { return cursor_; }
  void share_clipboard(const char* utf8) {
    std::lock_guard<std::mutex> hold(lock_);
    shared_ = utf8 != nullptr;
    shared_text_ = utf8 ? utf8 : "";
  }
  std::vector<Surface*> surfaces() {
    std::lock_guard<std::mutex> hold(lock_);
    return order_;
  }

 private:
  // At the top of its band: topmost surfaces stay above all others.
  void place_on_top(Surface* s) {
    auto at = own(s)->topmost ? order_.begin()
                              : std::find_if(order_.begin(), order_.end(), [](Surface* o) { return !own(o)->topmost; });
    order_.insert(at, s);
  }

  std::mutex lock_;
  std::condition_variable wakeup_;
  std::deque<InputEvent> events_;
  std::vector<Surface*> order_;
  bool woken_ = false;
  // A start well away from zero, so "long ago" is representable for double-click timing.
  std::atomic<uint64_t> clock_{1'000'000};
  int screen_width_ = 1920, screen_height_ = 1080, dpi_ = 96, scale_ = 1;
  CursorShape cursor_ = CursorShape::Arrow;
  bool shared_ = false;  // a clipboard shared with other programs, played by the test
  std::string shared_text_;
  DWORD stall_wait_ = 200;
};

Headless& the_backend() {
  auto* h = dynamic_cast<Headless*>(&current());
  assert(h && "the display in use is not the headless one");
  return *h;
}

}  // namespace

Backend* make_headless() { return new Headless; }

namespace headless {

bool active() { return dynamic_cast<Headless*>(&current()) != nullptr; }
void inject(const InputEvent& event) { the_backend().inject(event); }
size_t pending() { return the_backend().pending(); }
void clear_events() { the_backend().clear_events(); }
void advance(uint64_t milliseconds) { the_backend().advance(milliseconds); }
void set_dpi(int dpi) {
  assert(dpi > 0);
  the_backend().set_dpi(dpi);
}
void set_screen_size(int width, int height) {
  assert(width > 0 && height > 0);
  the_backend().set_screen_size(width, height);
}
void set_stall_wait(DWORD milliseconds) { the_backend().set_stall_wait(milliseconds); }
void set_scale(int scale) {
  assert(scale >= 1);
  the_backend().set_scale(scale);
}
CursorShape cursor() { return the_backend().cursor(); }
void share_clipboard(const char* utf8) { the_backend().share_clipboard(utf8); }
std::string shared_clipboard() {
  std::string text;
  the_backend().shared_clipboard_text(&text);
  return text;
}
std::vector<Surface*> surfaces() { return the_backend().surfaces(); }

Surface* surface_at(int x, int y) {
  for (Surface* each : the_backend().surfaces()) {
    HeadlessSurface* s = own(each);
    if (s->state == ShowState::Hidden || s->state == ShowState::Minimized) continue;
    if (x >= s->bounds.left && x < s->bounds.right && y >= s->bounds.top && y < s->bounds.bottom) return s;
  }
  return nullptr;
}

SurfaceInfo info(Surface* shown) {
  HeadlessSurface* s = own(shown);
  SurfaceInfo i;
  i.bounds = s->bounds;
  i.state = s->state;
  i.topmost = s->topmost;
  i.has_icon = !s->icon.empty();
  i.presents = s->presents;
  i.width = s->width;
  i.height = s->height;
  i.title = s->title;
  i.style = s->style;
  return i;
}

uint32_t pixel(Surface* shown, int x, int y) {
  HeadlessSurface* s = own(shown);
  if (x < 0 || y < 0 || x >= s->width || y >= s->height) return 0;
  return s->pixels[static_cast<size_t>(y) * s->width + x];
}

COLORREF color_at(Surface* shown, int x, int y) {
  HeadlessSurface* s = own(shown);
  if (x < 0 || y < 0 || x >= s->width || y >= s->height) return CLR_INVALID;
  return gdi::color_of_pixel(pixel(s, x, y), true);
}

bool save_png(Surface* shown, const char* path) {
  HeadlessSurface* s = own(shown);
  if (!path || s->width <= 0 || s->height <= 0) return false;
  cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(s->pixels.data()),
                                                               CAIRO_FORMAT_ARGB32, s->width, s->height, s->width * 4);
  bool ok = cairo_surface_write_to_png(image, path) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(image);
  return ok;
}

}  // namespace headless

}  // namespace display
