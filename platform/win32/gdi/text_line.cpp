// The places of characters on a drawn line, from the pango layout TextOutW
// draws: carets, hits and selection spans in pango's bidirectional order, and
// the cursor stops of its character analysis.
#include "platform/win32/gdi/text_line.h"

#include <cmath>

#include "platform/win32/gdi/text_layout.h"

namespace gdi {

namespace {

// The line of text as TextOutW lays it out, with the layout's lock held for the
// object's life; null layout when there is no context or no text.
class DrawnLine {
 public:
  DrawnLine(HDC handle, const WCHAR* text, int count) : hold_(layout_lock()) {
    Dc* dc = find_dc(handle);
    if (!dc || !text || count <= 0) return;
    layout_ = &layout_for(font_of(dc), text, count, SINGLE_PARAGRAPH, 0, 0);
    line_ = pango_layout_get_line_readonly(layout_->layout, 0);
    utf8_ = pango_layout_get_text(layout_->layout);
  }
  bool empty() const { return !line_; }
  const std::u16string& text() const { return layout_->key.text; }
  const char* utf8() const { return utf8_; }
  PangoLayout* layout() const { return layout_->layout; }
  PangoLayoutLine* line() const { return line_; }
  // Pango units of the line to pixels of the drawn line, and back.
  int pixels(int units) const {
    return static_cast<int>(std::lround(pango_units_to_double(units) * layout_->x_scale)) - layout_->lines[0].x;
  }
  int units(int pixels) const { return pango_units_from_double((pixels + layout_->lines[0].x) / layout_->x_scale); }

 private:
  std::lock_guard<std::mutex> hold_;
  TextLayout* layout_ = nullptr;
  PangoLayoutLine* line_ = nullptr;
  const char* utf8_ = nullptr;
};

// Guarded by the layout lock, which every drawing of text holds already.
struct Recording {
  bool on = false;
  std::vector<DrawnText> texts;
};

Recording& recording() {
  static Recording* r = new Recording;  // drawing may go on in static destructors
  return *r;
}

}  // namespace

int line_caret_x(HDC dc, const WCHAR* text, int count, int index) {
  DrawnLine l(dc, text, count);
  if (l.empty()) return 0;
  int byte = byte_of_unit(l.text(), index);
  int x = 0;
  if (byte == 0) {
    pango_layout_line_index_to_x(l.line(), 0, FALSE, &x);
  } else {
    const char* before = g_utf8_find_prev_char(l.utf8(), l.utf8() + byte);
    pango_layout_line_index_to_x(l.line(), static_cast<int>(before - l.utf8()), TRUE, &x);
  }
  return l.pixels(x);
}

int line_index_at(HDC dc, const WCHAR* text, int count, int x) {
  DrawnLine l(dc, text, count);
  if (l.empty()) return 0;
  int byte = 0, trailing = 0;
  pango_layout_line_x_to_index(l.line(), l.units(x), &byte, &trailing);
  const char* p = l.utf8() + byte;
  for (; trailing > 0 && *p; --trailing) p = g_utf8_next_char(p);
  return unit_of_byte(l.text(), static_cast<int>(p - l.utf8()));
}

std::vector<std::pair<int, int>> line_spans(HDC dc, const WCHAR* text, int count, int start, int end) {
  std::vector<std::pair<int, int>> spans;
  DrawnLine l(dc, text, count);
  if (l.empty() || start >= end) return spans;
  int* ranges = nullptr;
  int n = 0;
  pango_layout_line_get_x_ranges(l.line(), byte_of_unit(l.text(), start), byte_of_unit(l.text(), end), &ranges, &n);
  for (int i = 0; i < n; ++i) {
    int left = l.pixels(ranges[2 * i]), right = l.pixels(ranges[2 * i + 1]);
    if (!spans.empty() && spans.back().second >= left) spans.back().second = right;  // runs that touch are one span
    else if (left < right) spans.emplace_back(left, right);
  }
  g_free(ranges);
  return spans;
}

int line_next_stop(HDC dc, const WCHAR* text, int count, int index, bool forward) {
  DrawnLine l(dc, text, count);
  if (l.empty()) return 0;
  int n_attrs = 0;
  const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(l.layout(), &n_attrs);
  const char* utf8 = l.utf8();
  auto at = static_cast<int>(g_utf8_pointer_to_offset(utf8, utf8 + byte_of_unit(l.text(), index)));
  const int last = n_attrs - 1;  // the position after the last character
  do at += forward ? 1 : -1;
  while (at > 0 && at < last && !attrs[at].is_cursor_position);
  at = at < 0 ? 0 : at > last ? last : at;
  return unit_of_byte(l.text(), static_cast<int>(g_utf8_offset_to_pointer(utf8, at) - utf8));
}

void record_drawn_texts(bool on) {
  std::lock_guard<std::mutex> hold(layout_lock());
  recording().on = on;
  recording().texts.clear();
}

std::vector<DrawnText> take_drawn_texts() {
  std::lock_guard<std::mutex> hold(layout_lock());
  std::vector<DrawnText> texts;
  texts.swap(recording().texts);
  return texts;
}

void note_drawn(const TextLayout& layout) {
  Recording& r = recording();
  if (r.on) r.texts.push_back(DrawnText{layout.key.text, pango_layout_get_unknown_glyphs_count(layout.layout)});
}

}  // namespace gdi
