// The records behind GDI handles, shared by the files of the stand-in's GDI.
// A GDI handle is the address of a record that starts with a GdiObject; only
// registered addresses count, so a stale or made-up handle is refused, never
// dereferenced. Device contexts are registered the same way.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/win32/api.h"

struct HWND__;

namespace gdi {

enum class Kind : uint32_t {
  Pen = OBJ_PEN,
  Brush = OBJ_BRUSH,
  Dc = OBJ_DC,
  Font = OBJ_FONT,
  Bitmap = OBJ_BITMAP,
  Region = OBJ_REGION
};

struct GdiObject {
  uint32_t magic = 0;
  Kind kind = Kind::Brush;
  bool stock = false;           // stock objects and system colour brushes are never freed
  bool delete_pending = false;  // DeleteObject came while selected: freed at the last deselection
  int selections = 0;           // how many device contexts have it selected
};

struct Brush : GdiObject {
  UINT style = BS_SOLID;
  COLORREF color = 0;
  bool dc_brush = false;  // the DC_BRUSH stock object: the context's own colour
};

struct Pen : GdiObject {
  UINT style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
  bool dc_pen = false;
};

struct Bitmap : GdiObject {
  cairo_surface_t* surface = nullptr;  // 32-bit image
  HDC selected_in = nullptr;           // a bitmap lives in one memory context at a time
};

struct Region : GdiObject {
  RECT rect{};
};

struct Font;  // font.cpp

// What SaveDC keeps.
struct DcState {
  HBRUSH brush = nullptr;
  HPEN pen = nullptr;
  HFONT font = nullptr;
  COLORREF text_color = 0;
  COLORREF bk_color = 0xFFFFFF;
  int bk_mode = OPAQUE;
  UINT text_align = 0;
  POINT viewport{};  // logical origin, device units from the context's origin
  POINT position{};  // current position, logical
  bool clipped = false;
  RECT clip{};  // the context's own clip rectangle, surface pixels
  COLORREF dc_brush_color = 0xFFFFFF;
  COLORREF dc_pen_color = 0;
};

enum class DcKind { Window, Display, Memory };

struct Dc {
  uint32_t magic = 0;
  DcKind kind = DcKind::Window;
  cairo_surface_t* target = nullptr;  // never owned: a window's image or a bitmap's
  cairo_t* cr = nullptr;              // made on first use; its clip follows clip_box()
  bool cr_clip_valid = false;
  POINT origin{};  // surface pixel of logical (0, 0) before the viewport
  RECT bounds{};   // what the context may touch at all, surface pixels
  HWND__* window = nullptr;
  HBITMAP bitmap = nullptr;  // memory contexts
  DcState s;
  std::vector<DcState> saved;
};

// Registry of live objects and contexts.
void register_object(GdiObject* object);
GdiObject* find_object(HGDIOBJ handle);  // live and registered, or null
template <typename T>
T* find(HGDIOBJ handle, Kind kind) {
  GdiObject* o = find_object(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
void unregister_object(GdiObject* object);
void register_dc(Dc* dc);
void unregister_dc(Dc* dc);
Dc* find_dc(HDC dc);  // sets ERROR_INVALID_HANDLE when it is not a live context

// Selection bookkeeping: a context holds a selection on each of its objects.
void hold(HGDIOBJ object);
void release(HGDIOBJ object);  // frees an object whose deletion was deferred

// Colour of a brush as FillRect would use it in dc (dc may be null); false when it paints nothing.
bool brush_color(HBRUSH brush, const Dc* dc, COLORREF* color);
HBITMAP default_bitmap();  // the 1x1 stock bitmap of a new memory context

// Contexts (dc.cpp).
Dc* new_dc(DcKind kind, cairo_surface_t* target, POINT origin, const RECT& bounds, HWND__* window);
void retarget(Dc* dc, cairo_surface_t* target);
// The rectangle drawing may touch now, surface pixels (the bounds, the surface and the clip).
RECT clip_box(const Dc* dc);
// The cairo context, with the clip applied.
cairo_t* cairo_for(Dc* dc);
// Logical to surface coordinates.
inline POINT to_surface(const Dc* dc, int x, int y) {
  return POINT{x + dc->origin.x + dc->s.viewport.x, y + dc->origin.y + dc->s.viewport.y};
}
RECT to_surface(const Dc* dc, const RECT& logical);

// Pixels (draw.cpp): fills a surface rectangle, clipped to clip, with an opaque colour.
void fill_pixels(cairo_surface_t* surface, const RECT& rect, const RECT& clip, COLORREF color);
void set_cairo_color(cairo_t* cr, COLORREF color);

// Fonts (font.cpp).
void font_free(Font* font);
HFONT stock_font(int object);                         // the stock fonts by GetStockObject number, null for others
Font* font_of(const Dc* dc);                          // the selected font, or the system font
int font_object(Font* font, int size, void* buffer);  // GetObjectW for a font

// Small helpers.
// Device pixels per logical pixel of a surface: a window's image on a
// double-density display holds 2 x 2 pixels for each of the program's.
inline int surface_scale(cairo_surface_t* s) {
  double x, y;
  cairo_surface_get_device_scale(s, &x, &y);
  return x > 1 ? static_cast<int>(x) : 1;
}
// The whole surface in its logical pixels.
inline RECT surface_rect(cairo_surface_t* s) {
  int k = surface_scale(s);
  return RECT{0, 0, cairo_image_surface_get_width(s) / k, cairo_image_surface_get_height(s) / k};
}
inline RECT scaled(const RECT& r, int k) { return RECT{r.left * k, r.top * k, r.right * k, r.bottom * k}; }
inline bool rect_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline RECT intersect(const RECT& a, const RECT& b) {
  RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
         a.bottom < b.bottom ? a.bottom : b.bottom};
  if (rect_empty(r)) r = RECT{0, 0, 0, 0};
  return r;
}

}  // namespace gdi
