// Text on device contexts: DrawTextW, TextOutW, ExtTextOutW and
// GetTextExtentPoint32W. Pango shapes and breaks the lines (text_layout.cpp);
// the lines are placed with the font's Win32 metrics (one line is tmHeight
// high, the baseline tmAscent below its top).
#include <algorithm>

#include "platform/win32/gdi/text_layout.h"
#include "platform/win32/gdi/text_line.h"

namespace gdi {

namespace {

// A squeezed font's line: drawn in the face's own width, then the picture squeezed sideways
// onto the surface, so that its glyphs keep even gaps (glyphs land on whole pixels, and
// squeezed positions mostly fall between them). origin: where the line's origin goes.
void show_squeezed(cairo_t* cr, PangoLayoutLine* line, double scale, int origin_x, int baseline, COLORREF color) {
  PangoRectangle ink, logical;
  pango_layout_line_get_pixel_extents(line, &ink, &logical);
  const int left = std::min(ink.x, logical.x) - 1, right = std::max(ink.x + ink.width, logical.x + logical.width) + 1;
  const int above = std::max(-ink.y, -logical.y) + 1,
            below = std::max(ink.y + ink.height, logical.y + logical.height) + 1;
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, above + below);
  cairo_t* own = cairo_create(picture);
  set_cairo_color(own, color);
  cairo_move_to(own, -left, above);
  pango_cairo_show_layout_line(own, line);
  cairo_destroy(own);
  cairo_save(cr);
  cairo_translate(cr, origin_x, baseline);
  cairo_scale(cr, scale, 1.0);
  cairo_set_source_surface(cr, picture, left, -above);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(picture);
}

// Draws line i of the entry with its logical box's left edge at x and its top at top (surface
// pixels); the background of an opaque context is filled within clip.
void draw_line(Dc* dc, const TextLayout& e, size_t i, int x, int top, const FontMetrics& m, const RECT& clip) {
  const LayoutLine& line = e.lines[i];
  if (dc->s.bk_mode == OPAQUE)
    fill_pixels(dc->target, RECT{x, top, x + line.width, top + m.height}, clip, dc->s.bk_color);
  note_drawn(e);
  cairo_t* cr = cairo_for(dc);
  set_cairo_color(cr, dc->s.text_color);
  PangoLayoutLine* pango_line = pango_layout_get_line_readonly(e.layout, static_cast<int>(i));
  if (e.x_scale != 1.0) {
    show_squeezed(cr, pango_line, e.x_scale, x - line.x, top + m.ascent, dc->s.text_color);
    return;
  }
  cairo_move_to(cr, x - line.x, top + m.ascent);
  pango_cairo_show_layout_line(cr, pango_line);
}

void clip_to(Dc* dc, const RECT& r) {
  cairo_t* cr = cairo_for(dc);
  cairo_save(cr);
  cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
  cairo_clip(cr);
}

int text_length(const WCHAR* text) {
  int n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

}  // namespace gdi

using namespace gdi;

BOOL GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, LPSIZE size) {
  Dc* dc = find_dc(handle);
  if (!dc || !size || count < 0 || (!text && count > 0)) {
    if (dc) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Font* f = font_of(dc);
  size->cy = f->metrics.height;
  size->cx = 0;
  if (count == 0) return TRUE;
  std::lock_guard<std::mutex> hold(layout_lock());
  size->cx = layout_for(f, text, count, SINGLE_PARAGRAPH, 0, 0).width;
  return TRUE;
}

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT*) {
  Dc* dc = find_dc(handle);
  if (!dc || (!text && count > 0) || count > 0x7FFFFFFF) return FALSE;
  RECT box{};
  if (rect) box = to_surface(dc, *rect);
  if ((options & ETO_OPAQUE) && rect) fill_pixels(dc->target, box, clip_box(dc), dc->s.bk_color);
  if (count == 0) return TRUE;

  Font* f = font_of(dc);
  const FontMetrics& m = f->metrics;
  std::lock_guard<std::mutex> hold(layout_lock());
  TextLayout& e = layout_for(f, text, static_cast<int>(count), SINGLE_PARAGRAPH, 0, 0);
  UINT align = dc->s.text_align;
  if (align & TA_UPDATECP) x = dc->s.position.x, y = dc->s.position.y;
  POINT p = to_surface(dc, x, y);
  int left = p.x;
  switch (align & TA_CENTER) {
    case TA_RIGHT: left -= e.width; break;
    case TA_CENTER: left -= e.width / 2; break;
    default: break;
  }
  int top = p.y;
  switch (align & TA_BASELINE) {
    case TA_BOTTOM: top -= m.height; break;
    case TA_BASELINE: top -= m.ascent; break;
    default: break;
  }
  bool clipped = (options & ETO_CLIPPED) && rect;
  if (clipped) clip_to(dc, box);
  draw_line(dc, e, 0, left, top, m, clipped ? intersect(clip_box(dc), box) : clip_box(dc));
  if (clipped) cairo_restore(cairo_for(dc));
  if ((align & TA_UPDATECP) && (align & TA_CENTER) == TA_LEFT) dc->s.position.x += e.width;
  if ((align & TA_UPDATECP) && (align & TA_CENTER) == TA_RIGHT) dc->s.position.x -= e.width;
  return TRUE;
}

BOOL TextOutW(HDC handle, int x, int y, LPCWSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutW(handle, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect || !text) return 0;
  if (count < 0) count = text_length(text);
  Font* f = font_of(dc);
  const FontMetrics& m = f->metrics;
  int line_height = m.height;
  bool single = format & DT_SINGLELINE;
  if (count == 0) {
    if (format & DT_CALCRECT) {
      rect->right = rect->left;
      rect->bottom = rect->top + (single ? line_height : 0);
    }
    return line_height;
  }

  int width = rect->right - rect->left;
  uint32_t mode = 0;
  if (single) mode |= SINGLE_PARAGRAPH | SEPARATORS_AS_SPACES;
  if ((format & DT_WORDBREAK) && !single) mode |= WRAP;
  if (!(mode & WRAP) && (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))) mode |= ELLIPSIS_END;
  if (!(mode & WRAP) && (format & DT_PATH_ELLIPSIS)) mode |= ELLIPSIS_MIDDLE;
  if (format & DT_EXPANDTABS) mode |= EXPAND_TABS;
  if (!(format & DT_NOPREFIX)) mode |= PREFIX;
  if (format & DT_HIDEPREFIX) mode |= PREFIX_HIDDEN;
  int layout_width = (mode & (WRAP | ELLIPSIS_END | ELLIPSIS_MIDDLE)) ? (width > 1 ? width : 1) : 0;
  int tab_chars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
  if (tab_chars <= 0) tab_chars = 8;

  std::lock_guard<std::mutex> hold(layout_lock());
  TextLayout& e = layout_for(f, text, count, mode, layout_width, tab_chars);
  int lines = static_cast<int>(e.lines.size());
  int block_height = lines * line_height;
  if (format & DT_CALCRECT) {
    rect->right = rect->left + e.width;
    rect->bottom = rect->top + block_height;
    return block_height;
  }
  if (format & DT_PREFIXONLY) return block_height;

  RECT box = to_surface(dc, *rect);
  int top = box.top;
  // Halves rounded each on its own, as Win32 centres.
  if (single && (format & DT_VCENTER)) top = box.top + (box.bottom - box.top) / 2 - line_height / 2;
  if (single && (format & DT_BOTTOM)) top = box.bottom - line_height;
  bool clipped = !(format & DT_NOCLIP);
  if (clipped) clip_to(dc, box);
  RECT fill_clip = clipped ? intersect(clip_box(dc), box) : clip_box(dc);
  for (int i = 0; i < lines; ++i) {
    const LayoutLine& line = e.lines[static_cast<size_t>(i)];
    int x = box.left;
    if (format & DT_CENTER) x = box.left + (box.right - box.left - line.width) / 2;
    else if (format & DT_RIGHT) x = box.right - line.width;
    draw_line(dc, e, static_cast<size_t>(i), x, top + i * line_height, m, fill_clip);
  }
  if (clipped) cairo_restore(cairo_for(dc));
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top - box.top + line_height;
  return block_height;
}
