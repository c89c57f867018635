// The standard icons (IDI_*), drawn by the stand-in itself at any size: a
// window for the application icon, a red disc with a cross for errors, a
// yellow triangle for warnings, blue discs for information and questions.
#include <cairo.h>

#include <cmath>

#include "platform/win32/gdi/icon_internal.h"

namespace icon {
namespace {

void disc(cairo_t* cr, double r, double g, double b) {
  cairo_arc(cr, 16, 16, 14.5, 0, 2 * M_PI);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void application(cairo_t* cr) {
  cairo_rectangle(cr, 2.5, 4.5, 27, 23);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_rectangle(cr, 3, 5, 26, 5);
  cairo_set_source_rgb(cr, 0.0, 0.33, 0.73);
  cairo_fill(cr);
}

void error(cairo_t* cr) {
  disc(cr, 0.85, 0.1, 0.1);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 3.5);
  cairo_move_to(cr, 10, 10);
  cairo_line_to(cr, 22, 22);
  cairo_move_to(cr, 22, 10);
  cairo_line_to(cr, 10, 22);
  cairo_stroke(cr);
}

void warning(cairo_t* cr) {
  cairo_move_to(cr, 16, 2);
  cairo_line_to(cr, 30.5, 29);
  cairo_line_to(cr, 1.5, 29);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.98, 0.8, 0.1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_rectangle(cr, 14.5, 10, 3, 11);
  cairo_fill(cr);
  cairo_rectangle(cr, 14.5, 23, 3, 3);
  cairo_fill(cr);
}

void information(cairo_t* cr) {
  disc(cr, 0.1, 0.4, 0.85);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, 14.25, 13, 3.5, 11);
  cairo_fill(cr);
  cairo_arc(cr, 16, 9, 2, 0, 2 * M_PI);
  cairo_fill(cr);
}

void question(cairo_t* cr) {
  disc(cr, 0.1, 0.4, 0.85);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 3);
  cairo_arc(cr, 16, 12.5, 4.5, M_PI, 2.25 * M_PI);  // the hook, ending in the stem
  cairo_line_to(cr, 16, 18.5);
  cairo_line_to(cr, 16, 20);
  cairo_stroke(cr);
  cairo_rectangle(cr, 14.5, 22.5, 3, 3);
  cairo_fill(cr);
}

}  // namespace

cairo_surface_t* builtin_picture(WORD id, int width, int height) {
  void (*draw)(cairo_t*) = nullptr;
  switch (id) {
    case 32512:
    case 32517:
    case 32518: draw = application; break;  // IDI_APPLICATION, IDI_WINLOGO, IDI_SHIELD
    case 32513: draw = error; break;        // IDI_HAND
    case 32514: draw = question; break;     // IDI_QUESTION
    case 32515: draw = warning; break;      // IDI_EXCLAMATION
    case 32516: draw = information; break;  // IDI_ASTERISK
    default: return nullptr;
  }
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, width / 32.0, height / 32.0);  // drawn on a 32-unit grid
  draw(cr);
  cairo_destroy(cr);
  return s;
}

}  // namespace icon
