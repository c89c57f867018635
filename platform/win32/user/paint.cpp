// Invalid regions and painting: InvalidateRect, ValidateRect, RedrawWindow,
// UpdateWindow, WM_PAINT and WM_ERASEBKGND through BeginPaint, and device
// contexts of windows (GetDC, GetWindowDC, ReleaseDC, WindowFromDC). Each
// window draws into its own image; compose.cpp turns the images into what the
// display shows.
#include <mutex>
#include <unordered_set>

#include "platform/win32/gdi/window_dc.h"
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

bool rect_empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

RECT client_box(const Window* w) {
  return RECT{0, 0, w->client_rect.right - w->client_rect.left, w->client_rect.bottom - w->client_rect.top};
}

POINT client_in_image(const Window* w) {
  return POINT{w->client_rect.left - w->window_rect.left, w->client_rect.top - w->window_rect.top};
}

bool recurse(const Window* w, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  return !(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN);
}

// Contexts of the screen (GetDC(NULL)): they draw on nothing that is shown.
std::mutex screen_lock;
std::unordered_set<HDC> screen_dcs;

cairo_surface_t* scratch() {
  static cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  return s;
}

HDC open_dc(Window* w, POINT origin, const RECT& clip) {
  HDC dc = gdi::dc_for_surface(ensure_image(w), origin, clip, w->handle);
  if (dc) w->open_dcs++;
  return dc;
}

void close_dc(Window* w, HDC dc) {
  gdi::dc_release(dc);
  if (--w->open_dcs == 0) {
    for (cairo_surface_t* s : w->retired) cairo_surface_destroy(s);
    w->retired.clear();
  }
}

void erase_now(Window* w) {
  if (!w->erase || !is_visible(w)) return;
  w->erase = false;
  RECT area = w->update.bounds();
  POINT off = client_in_image(w);
  RECT clip = area;
  OffsetRect(&clip, off.x, off.y);
  HDC dc = open_dc(w, off, clip);
  if (!dc) return;
  HWND h = w->handle;
  send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  if ((w = find(h))) {
    close_dc(w, dc);
    mark_dirty(w, area, true);
  }
}

}  // namespace

void Region::add(const RECT& r) {
  if (rect_empty(r)) return;
  for (const RECT& e : rects)
    if (e.left <= r.left && e.top <= r.top && e.right >= r.right && e.bottom >= r.bottom) return;
  for (size_t i = 0; i < rects.size();) {
    const RECT& e = rects[i];
    if (r.left <= e.left && r.top <= e.top && r.right >= e.right && r.bottom >= e.bottom)
      rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(i));
    else ++i;
  }
  rects.push_back(r);
  if (rects.size() > 16) {
    // Many small pieces: one rectangle around them all paints the same pixels and more.
    RECT b = bounds();
    rects.assign(1, b);
  }
}

void Region::subtract(const RECT& r) {
  std::vector<RECT> out;
  for (const RECT& e : rects) {
    RECT cut;
    if (!IntersectRect(&cut, &e, &r)) {
      out.push_back(e);
      continue;
    }
    if (e.top < cut.top) out.push_back(RECT{e.left, e.top, e.right, cut.top});
    if (cut.bottom < e.bottom) out.push_back(RECT{e.left, cut.bottom, e.right, e.bottom});
    if (e.left < cut.left) out.push_back(RECT{e.left, cut.top, cut.left, cut.bottom});
    if (cut.right < e.right) out.push_back(RECT{cut.right, cut.top, e.right, cut.bottom});
  }
  rects.swap(out);
}

void Region::clip(const RECT& r) {
  std::vector<RECT> out;
  for (const RECT& e : rects) {
    RECT c;
    if (IntersectRect(&c, &e, &r)) out.push_back(c);
  }
  rects.swap(out);
}

RECT Region::bounds() const {
  RECT b{0, 0, 0, 0};
  for (const RECT& e : rects) UnionRect(&b, &b, &e);
  return b;
}

void invalidate(Window* w, const RECT* rect, UINT flags) {
  RECT client = client_box(w);
  RECT area = client;
  if (rect) IntersectRect(&area, rect, &client);
  if (flags & RDW_INVALIDATE) {
    if (!is_visible(w)) return;
    if (!rect_empty(area)) {
      w->update.add(area);
      if (flags & RDW_ERASE) w->erase = true;
    }
    if (flags & RDW_FRAME) w->frame_dirty = true;
    if (flags & RDW_INTERNALPAINT) w->internal_paint = true;
  } else if (flags & RDW_VALIDATE) {
    if (rect) w->update.subtract(area);
    else w->update.clear();
    if ((flags & RDW_NOERASE) || w->update.empty()) w->erase = false;
    if (flags & RDW_NOINTERNALPAINT) w->internal_paint = false;
  } else {
    if (flags & RDW_INTERNALPAINT) w->internal_paint = true;
    if (flags & RDW_NOINTERNALPAINT) w->internal_paint = false;
  }
  if (!recurse(w, flags)) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) {
    Window* c = find(k);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    RECT in_child;
    RECT base = rect ? area : client;
    if (!IntersectRect(&in_child, &base, &c->window_rect)) continue;
    if ((flags & RDW_FRAME) && (flags & RDW_INVALIDATE)) c->frame_dirty = true;
    OffsetRect(&in_child, -c->client_rect.left, -c->client_rect.top);
    invalidate(c, &in_child, flags);
  }
}

bool needs_paint(const Window* w) { return is_visible(w) && (!w->update.empty() || w->internal_paint); }

namespace {

Window* first_to_paint(Window* w, Queue* q, HWND filter) {
  if (!(w->style & WS_VISIBLE)) return nullptr;
  bool matches = !filter || w->handle == filter || IsChild(filter, w->handle);
  if (w->queue == q && matches && needs_paint(w)) return w;
  if (w->style & WS_MINIMIZE) return nullptr;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
    if (Window* found = first_to_paint(*it, q, filter)) return found;
  return nullptr;
}

}  // namespace

Window* paint_candidate(Queue* q, HWND filter) {
  if (filter == reinterpret_cast<HWND>(-1)) return nullptr;
  for (Window* t : toplevels)
    if (Window* w = first_to_paint(t, q, filter)) return w;
  return nullptr;
}

void update_now(Window* w, UINT flags) {
  HWND h = w->handle;
  if (!is_visible(w)) return;
  if (flags & RDW_UPDATENOW) {
    if (needs_paint(w)) send(w, WM_PAINT, 0, 0);
  } else if (flags & RDW_ERASENOW) {
    erase_now(w);
  }
  if (!(w = find(h)) || !recurse(w, flags)) return;
  std::vector<HWND> kids;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) kids.push_back((*it)->handle);
  for (HWND k : kids)
    if (Window* c = find(k)) update_now(c, flags);
}

cairo_surface_t* ensure_image(Window* w) {
  int cx = w->window_rect.right - w->window_rect.left, cy = w->window_rect.bottom - w->window_rect.top;
  if (cx < 1) cx = 1;
  if (cy < 1) cy = 1;
  // Drawn at the display's scale: the program's pixels stay logical, the image holds the device's.
  int k = display::current().scale();
  if (w->image && cairo_image_surface_get_width(w->image) == cx * k &&
      cairo_image_surface_get_height(w->image) == cy * k)
    return w->image;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cx * k, cy * k);
  cairo_surface_set_device_scale(image, k, k);
  if (w->image) {
    // What was drawn stays where it was; only newly exposed parts get painted.
    cairo_t* cr = cairo_create(image);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, w->image, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    if (w->open_dcs > 0) w->retired.push_back(w->image);
    else cairo_surface_destroy(w->image);
  }
  w->image = image;
  w->frame_dirty = true;
  return image;
}

void release_images(Window* w) {
  if (w->open_dcs == 0) {
    if (w->image) cairo_surface_destroy(w->image);
    for (cairo_surface_t* s : w->retired) cairo_surface_destroy(s);
    w->retired.clear();
  }  // else contexts still draw on them: they are left to those contexts
  w->image = nullptr;
  if (w->picture) cairo_surface_destroy(w->picture);
  w->picture = nullptr;
}

}  // namespace user

using namespace user;

BOOL RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags) {
  (void)region;  // a region counts as the whole window
  if (!window) {
    std::vector<HWND> list;
    for (Window* t : toplevels) list.push_back(t->handle);
    for (HWND h : list) RedrawWindow(h, update, region, flags);
    return TRUE;
  }
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  const RECT* area = update;
  if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT)) invalidate(w, area, flags);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (Window* again = find(window)) update_now(again, flags);
  }
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  return RedrawWindow(window, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND window) { return RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  RECT b = w->update.bounds();
  if (rect) *rect = b;
  if (erase) erase_now(w);
  return rect_empty(b) ? FALSE : TRUE;
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  Window* w = find_or_fail(window);
  if (!w || !paint) return nullptr;
  RECT client = client_box(w);
  RECT area;
  RECT bounds = w->update.bounds();
  if (!IntersectRect(&area, &bounds, &client)) area = RECT{0, 0, 0, 0};
  bool erase = w->erase;
  w->update.clear();
  w->erase = false;
  w->internal_paint = false;
  POINT off = client_in_image(w);
  RECT clip = area;
  OffsetRect(&clip, off.x, off.y);
  HDC dc = open_dc(w, off, clip);
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->rcPaint = area;
  if (!dc) return nullptr;
  w->painting = true;
  if (erase) {
    LRESULT erased = send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    paint->fErase = erased ? FALSE : TRUE;
    if (!(w = find(window))) return dc;
  }
  mark_dirty(w, area, true);
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  Window* w = find_or_fail(window);
  if (!w || !paint || !paint->hdc) return FALSE;
  w->painting = false;
  close_dc(w, paint->hdc);
  return TRUE;
}

HDC GetDC(HWND window) {
  if (!window) {
    HDC dc = gdi::dc_for_surface(scratch(), POINT{0, 0}, RECT{0, 0, 0, 0}, nullptr);
    std::lock_guard<std::mutex> guard(screen_lock);
    screen_dcs.insert(dc);
    return dc;
  }
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  POINT off = client_in_image(w);
  RECT clip = client_box(w);
  OffsetRect(&clip, off.x, off.y);
  return open_dc(w, off, clip);
}

HDC GetWindowDC(HWND window) {
  if (!window) return GetDC(nullptr);
  Window* w = find_or_fail(window);
  if (!w) return nullptr;
  RECT whole{0, 0, w->window_rect.right - w->window_rect.left, w->window_rect.bottom - w->window_rect.top};
  return open_dc(w, POINT{0, 0}, whole);
}

int ReleaseDC(HWND window, HDC dc) {
  if (!dc) return 0;
  {
    std::lock_guard<std::mutex> guard(screen_lock);
    if (screen_dcs.erase(dc)) {
      gdi::dc_release(dc);
      return 1;
    }
  }
  Window* w = find(gdi::dc_window(dc));
  if (!w || (window && w->handle != window)) return 0;
  close_dc(w, dc);
  // What was drawn is not known: the whole window may have changed.
  mark_dirty(w, RECT{0, 0, w->window_rect.right - w->window_rect.left, w->window_rect.bottom - w->window_rect.top},
             false);
  return 1;
}

HWND WindowFromDC(HDC dc) { return gdi::dc_window(dc); }

BOOL LockWindowUpdate(HWND) { return TRUE; }
