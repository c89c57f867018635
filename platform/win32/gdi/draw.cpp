// Drawing on device contexts: rectangles, edges, focus frames, lines, block
// transfers and single pixels. Axis-aligned fills write the image's pixels
// directly (the common case of every repaint); the rest goes through cairo.
#include <algorithm>

#include "platform/win32/gdi/window_dc.h"
#include "platform/win32/gdi/objects.h"

namespace gdi {

namespace {

uint32_t pixel_of(COLORREF c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         GetBValue(c);
}

// Applies op to every pixel of rect within clip.
template <typename Op>
void each_pixel(cairo_surface_t* surface, const RECT& rect, const RECT& clip, Op op) {
  RECT r = scaled(intersect(intersect(rect, clip), surface_rect(surface)), surface_scale(surface));
  if (rect_empty(r)) return;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (LONG y = r.top; y < r.bottom; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (LONG x = r.left; x < r.right; ++x) op(row[x], x, y);
  }
  cairo_surface_mark_dirty_rectangle(surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The pen's colour, or false when it draws nothing.
bool pen_color(const Dc* dc, COLORREF* color, UINT* style) {
  Pen* p = find<Pen>(dc->s.pen, Kind::Pen);
  if (!p || p->style == PS_NULL) return false;
  *color = p->dc_pen ? dc->s.dc_pen_color : p->color;
  *style = p->style;
  return true;
}

// FillRect on a surface rectangle; 0 for a brush that is no brush.
int paint(Dc* dc, const RECT& r, HBRUSH brush) {
  COLORREF color;
  if (brush_color(brush, dc, &color)) {
    fill_pixels(dc->target, r, clip_box(dc), color);
    return 1;
  }
  if (find<Brush>(brush, Kind::Brush)) return 1;  // the null brush paints nothing, successfully
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

void frame(Dc* dc, const RECT& r, COLORREF color) {
  RECT clip = clip_box(dc);
  fill_pixels(dc->target, RECT{r.left, r.top, r.right, r.top + 1}, clip, color);
  fill_pixels(dc->target, RECT{r.left, r.bottom - 1, r.right, r.bottom}, clip, color);
  fill_pixels(dc->target, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, clip, color);
  fill_pixels(dc->target, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, clip, color);
}

// One ring of a 3D edge: the top and left sides in one colour, then the bottom
// and right sides over them in the other, so those own the far corners.
void edge_ring(Dc* dc, RECT& r, UINT sides, COLORREF top_left, COLORREF bottom_right) {
  RECT clip = clip_box(dc);
  if (sides & BF_TOP) fill_pixels(dc->target, RECT{r.left, r.top, r.right, r.top + 1}, clip, top_left);
  if (sides & BF_LEFT) fill_pixels(dc->target, RECT{r.left, r.top, r.left + 1, r.bottom}, clip, top_left);
  if (sides & BF_BOTTOM) fill_pixels(dc->target, RECT{r.left, r.bottom - 1, r.right, r.bottom}, clip, bottom_right);
  if (sides & BF_RIGHT) fill_pixels(dc->target, RECT{r.right - 1, r.top, r.right, r.bottom}, clip, bottom_right);
  if (sides & BF_TOP) ++r.top;
  if (sides & BF_LEFT) ++r.left;
  if (sides & BF_BOTTOM) --r.bottom;
  if (sides & BF_RIGHT) --r.right;
}

bool paint_rop(Dc* dc, const RECT& r, DWORD rop) {
  RECT clip = clip_box(dc);
  switch (rop) {
    case BLACKNESS: fill_pixels(dc->target, r, clip, RGB(0, 0, 0)); return true;
    case WHITENESS: fill_pixels(dc->target, r, clip, RGB(255, 255, 255)); return true;
    case DSTINVERT: each_pixel(dc->target, r, clip, [](uint32_t& p, LONG, LONG) { p ^= 0x00FFFFFFu; }); return true;
    case PATCOPY: return paint(dc, r, dc->s.brush) != 0;
    case PATINVERT: {
      COLORREF color;
      if (!brush_color(dc->s.brush, dc, &color)) return true;
      uint32_t mask = pixel_of(color) & 0x00FFFFFFu;
      each_pixel(dc->target, r, clip, [mask](uint32_t& p, LONG, LONG) { p ^= mask; });
      return true;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return false;
  }
}

RECT normalized(int x, int y, int width, int height) {
  if (width < 0) x += width, width = -width;
  if (height < 0) y += height, height = -height;
  return RECT{x, y, x + width, y + height};
}

}  // namespace

void fill_pixels(cairo_surface_t* surface, const RECT& rect, const RECT& clip, COLORREF color) {
  RECT r = scaled(intersect(intersect(rect, clip), surface_rect(surface)), surface_scale(surface));
  if (rect_empty(r)) return;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  uint32_t value = pixel_of(color);
  for (LONG y = r.top; y < r.bottom; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    std::fill(row + r.left, row + r.right, value);
  }
  cairo_surface_mark_dirty_rectangle(surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

COLORREF color_of_pixel(uint32_t p, bool has_alpha) {
  uint32_t a = has_alpha ? p >> 24 : 255;
  if (a == 0) return RGB(0, 0, 0);
  auto channel = [a](uint32_t v) { return static_cast<BYTE>(a == 255 ? v : (v * 255 + a / 2) / a); };
  return RGB(channel((p >> 16) & 0xFF), channel((p >> 8) & 0xFF), channel(p & 0xFF));
}

void set_cairo_color(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void fill_surface(cairo_surface_t* target, const RECT& rect, HBRUSH brush) {
  COLORREF color;
  if (brush_color(brush, nullptr, &color)) fill_pixels(target, rect, surface_rect(target), color);
}

}  // namespace gdi

using namespace gdi;

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect) return 0;
  return paint(dc, to_surface(dc, *rect), brush);
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect) return 0;
  COLORREF color;
  if (!brush_color(brush, dc, &color)) return find<Brush>(brush, Kind::Brush) ? 1 : 0;
  RECT r = to_surface(dc, *rect);
  if (!rect_empty(r)) frame(dc, r, color);
  return 1;
}

BOOL DrawEdge(HDC handle, LPRECT rect, UINT edge, UINT flags) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect || (flags & BF_DIAGONAL)) return FALSE;
  RECT r = to_surface(dc, *rect);
  UINT sides = flags & BF_RECT;
  bool soft = flags & BF_SOFT;
  RECT before = r;
  if (edge & BDR_OUTER) {
    COLORREF tl, br;
    if (flags & BF_MONO) {
      tl = br = GetSysColor(COLOR_WINDOWFRAME);
    } else if (flags & BF_FLAT) {
      tl = br = GetSysColor(COLOR_BTNSHADOW);
    } else if (edge & BDR_RAISEDOUTER) {
      tl = GetSysColor(soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT);
      br = GetSysColor(COLOR_3DDKSHADOW);
    } else {
      tl = GetSysColor(soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW);
      br = GetSysColor(COLOR_3DHILIGHT);
    }
    edge_ring(dc, r, sides, tl, br);
  }
  if (edge & BDR_INNER) {
    COLORREF tl, br;
    if (flags & BF_MONO) {
      tl = br = GetSysColor(COLOR_WINDOW);
    } else if (flags & BF_FLAT) {
      tl = br = GetSysColor(COLOR_BTNFACE);
    } else if (edge & BDR_RAISEDINNER) {
      tl = GetSysColor(soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT);
      br = GetSysColor(COLOR_3DSHADOW);
    } else {
      tl = GetSysColor(soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW);
      br = GetSysColor(COLOR_3DLIGHT);
    }
    edge_ring(dc, r, sides, tl, br);
  }
  if ((flags & BF_MIDDLE) && !rect_empty(r))
    fill_pixels(dc->target, r, clip_box(dc), GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) {
    rect->left += r.left - before.left;
    rect->top += r.top - before.top;
    rect->right += r.right - before.right;
    rect->bottom += r.bottom - before.bottom;
  }
  return TRUE;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect) return FALSE;
  RECT r = to_surface(dc, *rect);
  if (rect_empty(r)) return TRUE;
  RECT clip = clip_box(dc);
  // Every other pixel by screen position, as a checkered pattern brush would; each pixel of the frame once.
  auto invert = [](uint32_t& p, LONG x, LONG y) {
    if (((x + y) & 1) == 0) p ^= 0x00FFFFFFu;
  };
  each_pixel(dc->target, RECT{r.left, r.top, r.right, r.top + 1}, clip, invert);
  if (r.bottom - 1 > r.top) each_pixel(dc->target, RECT{r.left, r.bottom - 1, r.right, r.bottom}, clip, invert);
  each_pixel(dc->target, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, clip, invert);
  if (r.right - 1 > r.left) each_pixel(dc->target, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, clip, invert);
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  RECT r = to_surface(dc,
                      RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
  COLORREF pen, fill;
  UINT style;
  bool outlined = pen_color(dc, &pen, &style);
  if (brush_color(dc->s.brush, dc, &fill))
    fill_pixels(dc->target, outlined ? RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1} : r, clip_box(dc), fill);
  if (outlined && !rect_empty(r)) frame(dc, r, pen);
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  POINT from = to_surface(dc, dc->s.position.x, dc->s.position.y);
  POINT to = to_surface(dc, x, y);
  dc->s.position = POINT{x, y};
  COLORREF color;
  UINT style;
  if (!pen_color(dc, &color, &style)) return TRUE;
  // The end point is not drawn.
  if (style == PS_SOLID && (from.x == to.x || from.y == to.y)) {
    RECT r = from.y == to.y ? (from.x < to.x ? RECT{from.x, from.y, to.x, from.y + 1}
                                             : RECT{to.x + 1, from.y, from.x + 1, from.y + 1})
                            : (from.y < to.y ? RECT{from.x, from.y, from.x + 1, to.y}
                                             : RECT{from.x, to.y + 1, from.x + 1, from.y + 1});
    fill_pixels(dc->target, r, clip_box(dc), color);
    return TRUE;
  }
  cairo_t* cr = cairo_for(dc);
  cairo_save(cr);
  set_cairo_color(cr, color);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1);
  static const double dot[] = {1, 1}, dash[] = {6, 2}, dashdot[] = {6, 2, 1, 2}, dashdotdot[] = {6, 2, 1, 2, 1, 2};
  switch (style) {
    case PS_DOT: cairo_set_dash(cr, dot, 2, 0); break;
    case PS_DASH: cairo_set_dash(cr, dash, 2, 0); break;
    case PS_DASHDOT: cairo_set_dash(cr, dashdot, 4, 0); break;
    case PS_DASHDOTDOT: cairo_set_dash(cr, dashdotdot, 6, 0); break;
    default: break;
  }
  cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
  cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
  cairo_stroke(cr);
  cairo_restore(cr);
  return TRUE;
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  return paint_rop(dc, to_surface(dc, normalized(x, y, width, height)), rop);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  Dc* to = find_dc(dest);
  if (!to) return FALSE;
  if (rop != SRCCOPY) return paint_rop(to, to_surface(to, normalized(x, y, width, height)), rop);
  Dc* from = find_dc(source);
  if (!from || width < 0 || height < 0) return FALSE;
  POINT d = to_surface(to, x, y);
  POINT s = to_surface(from, sourceX, sourceY);
  cairo_surface_flush(from->target);
  cairo_t* cr = cairo_for(to);
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, from->target, d.x - s.x, d.y - s.y);
  cairo_rectangle(cr, d.x, d.y, width, height);
  cairo_fill(cr);
  cairo_restore(cr);
  return TRUE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
  Dc* dc = find_dc(handle);
  if (!dc) return CLR_INVALID;
  POINT p = to_surface(dc, x, y);
  RECT c = clip_box(dc);
  if (p.x < c.left || p.x >= c.right || p.y < c.top || p.y >= c.bottom) return CLR_INVALID;
  cairo_surface_flush(dc->target);
  const unsigned char* data = cairo_image_surface_get_data(dc->target);
  int stride = cairo_image_surface_get_stride(dc->target);
  int k = surface_scale(dc->target);  // the first of the device pixels the logical one covers
  uint32_t value = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(p.y * k) * stride)[p.x * k];
  return color_of_pixel(value, cairo_image_surface_get_format(dc->target) == CAIRO_FORMAT_ARGB32);
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  Dc* dc = find_dc(handle);
  if (!dc) return static_cast<COLORREF>(-1);
  POINT p = to_surface(dc, x, y);
  RECT c = clip_box(dc);
  if (p.x < c.left || p.x >= c.right || p.y < c.top || p.y >= c.bottom) return static_cast<COLORREF>(-1);
  fill_pixels(dc->target, RECT{p.x, p.y, p.x + 1, p.y + 1}, c, color);
  return color & 0xFFFFFF;
}
