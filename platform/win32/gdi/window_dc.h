// What the window manager needs from GDI: device contexts that draw into a
// top-level window's composed image, offset to a window's client origin and
// clipped to what of it is visible.
#pragma once

#include <cairo.h>

#include "platform/win32/gdi/types_gdi.h"

struct HWND__;

namespace gdi {

// A device context over target, with its logical origin at origin (surface
// pixels) and drawing clipped to clip (surface pixels). window is what
// WindowFromDC answers (may be null).
HDC dc_for_surface(cairo_surface_t* target, POINT origin, const RECT& clip, HWND__* window);
// Ends a context made by dc_for_surface; its drawing is flushed into the target.
void dc_release(HDC dc);
HWND__* dc_window(HDC dc);

// Fills a surface rectangle with a brush as FillRect would (for background erasing).
void fill_surface(cairo_surface_t* target, const RECT& rect, HBRUSH brush);

// The colour of an ARGB32 pixel (premultiplied when has_alpha; RGB24 otherwise), as GetPixel answers it.
COLORREF color_of_pixel(uint32_t pixel, bool has_alpha);

}  // namespace gdi
