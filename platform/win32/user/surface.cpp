// What the display learns of a top-level window besides its pixels: the
// native kind its styles and owner ask for, and its icon (the big one of
// WM_SETICON, else the small one, else the class's), which the desktop shows
// in the caption and the task switcher.
#include "platform/win32/gdi/icon_internal.h"
#include "platform/win32/user/window_internal.h"

namespace user {

void surface_style_changed(Window* w) {
  if (!w->surface) return;
  display::SurfaceStyle style = display::style_for(w->style, w->ex_style);
  style.owner = w->owner ? w->owner->surface : nullptr;
  display::current().set_style(w->surface, style);
}

void surface_icon_changed(Window* w) {
  if (!w->surface) return;
  HICON candidates[] = {w->icon_big, w->icon_small, w->cls->icon, w->cls->icon_small};
  for (HICON h : candidates)
    if (cairo_surface_t* picture = icon::image(h)) {
      cairo_surface_flush(picture);
      display::current().set_icon(w->surface, reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(picture)),
                                  cairo_image_surface_get_width(picture), cairo_image_surface_get_height(picture),
                                  cairo_image_surface_get_stride(picture));
      return;
    }
  display::current().set_icon(w->surface, nullptr, 0, 0, 0);
}

}  // namespace user
