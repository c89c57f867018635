// Text on device contexts: DrawTextW, TextOutW, ExtTextOutW and
// GetTextExtentPoint32W. Pango shapes and breaks the lines; the lines are
// placed with the font's Win32 metrics (one line is tmHeight high, the
// baseline tmAscent below its top). Laid-out text is kept in a cache keyed by
// font, text and layout mode, so the same label measured and painted again
// and again is shaped once.
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32/gdi/font.h"

namespace gdi {

namespace {

enum Mode : uint32_t {
  SINGLE_PARAGRAPH = 1,  // line separators are not line breaks
  WRAP = 2,              // break into lines no wider than width
  ELLIPSIS_END = 4,
  ELLIPSIS_MIDDLE = 8,
  EXPAND_TABS = 16,
  PREFIX = 32,  // "&x" draws x (underlined unless PREFIX_HIDDEN), "&&" draws "&"
  PREFIX_HIDDEN = 64,
  SEPARATORS_AS_SPACES = 128,  // a single line shows CR and LF as blanks
};

struct Key {
  uint64_t serial;
  uint32_t mode;
  int width;  // pixels, for WRAP and the ellipses
  int tab_chars;
  std::u16string text;
  bool operator==(const Key& o) const = default;
};

struct KeyHash {
  size_t operator()(const Key& k) const {
    size_t h = std::hash<std::u16string>()(k.text);
    h ^= std::hash<uint64_t>()(k.serial) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    h ^= (static_cast<size_t>(k.mode) << 32) ^ static_cast<size_t>(k.width) ^ (static_cast<size_t>(k.tab_chars) << 20);
    return h;
  }
};

struct Line {
  int x = 0;      // where the line's logical box starts, relative to the layout
  int width = 0;  // pixels
};

struct Entry {
  Key key;
  PangoLayout* layout = nullptr;
  std::vector<Line> lines;
  int width = 0;  // the widest line
};

constexpr size_t kCacheEntries = 512;
constexpr size_t kLongestCached = 2048;  // longer texts are laid out for one call only

struct Cache {
  std::mutex lock;
  std::list<Entry> entries;  // most recently used first
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index;
};

Cache& cache() {
  static Cache* c = new Cache;  // never destroyed: fonts may be freed by static destructors
  return *c;
}

void append_utf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The text pango gets: UTF-8, lone surrogates and NULs as U+FFFD, prefixes taken
// out. underline_start/end get the bytes of the prefixed character, if any.
std::string prepare(const std::u16string& text, uint32_t mode, int* underline_start, int* underline_end) {
  std::string out;
  out.reserve(text.size() + 8);
  *underline_start = *underline_end = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    bool underline = false;
    if ((mode & PREFIX) && c == u'&') {
      if (++i == text.size()) break;  // a closing lone "&" draws nothing
      c = text[i];
      underline = c != u'&' && !(mode & PREFIX_HIDDEN);
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if ((c >= 0xD800 && c < 0xE000) || c == 0) {
      c = 0xFFFD;
    }
    if ((mode & SEPARATORS_AS_SPACES) && (c == u'\r' || c == u'\n')) c = u' ';
    if (!(mode & EXPAND_TABS) && (mode & SEPARATORS_AS_SPACES) && c == u'\t') c = u' ';
    if (underline) *underline_start = static_cast<int>(out.size());
    append_utf8(out, c);
    if (underline) *underline_end = static_cast<int>(out.size());
  }
  return out;
}

void lay_out(Entry& e, Font* f) {
  const Key& k = e.key;
  int underline_start, underline_end;
  std::string utf8 = prepare(k.text, k.mode, &underline_start, &underline_end);
  PangoLayout* layout = pango_layout_new(pango_context());
  pango_layout_set_font_description(layout, f->desc);
  if (f->attrs || underline_start >= 0) {
    PangoAttrList* attrs = f->attrs ? pango_attr_list_copy(f->attrs) : pango_attr_list_new();
    if (underline_start >= 0) {
      PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
      a->start_index = static_cast<guint>(underline_start);
      a->end_index = static_cast<guint>(underline_end);
      pango_attr_list_insert(attrs, a);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  if (k.mode & SINGLE_PARAGRAPH) pango_layout_set_single_paragraph_mode(layout, TRUE);
  if (k.mode & (WRAP | ELLIPSIS_END | ELLIPSIS_MIDDLE)) pango_layout_set_width(layout, k.width * PANGO_SCALE);
  if (k.mode & WRAP) pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  if (k.mode & ELLIPSIS_END) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  if (k.mode & ELLIPSIS_MIDDLE) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_MIDDLE);
  if (k.mode & EXPAND_TABS) {
    PangoTabArray* tabs = pango_tab_array_new(1, TRUE);
    pango_tab_array_set_tab(tabs, 0, PANGO_TAB_LEFT, k.tab_chars * f->metrics.ave_width);
    pango_layout_set_tabs(layout, tabs);
    pango_tab_array_free(tabs);
  }
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  e.layout = layout;
  int count = pango_layout_get_line_count(layout);
  e.lines.resize(static_cast<size_t>(count));
  e.width = 0;
  for (int i = 0; i < count; ++i) {
    PangoRectangle logical;
    pango_layout_line_get_pixel_extents(pango_layout_get_line_readonly(layout, i), nullptr, &logical);
    e.lines[static_cast<size_t>(i)] = Line{logical.x, logical.width};
    if (logical.width > e.width) e.width = logical.width;
  }
}

// The laid-out text, from the cache or made now. Call with the cache's lock held; the
// entry stays valid until the next call. A long text's entry is the cache's scratch entry.
Entry& layout_for(Font* f, const WCHAR* text, int count, uint32_t mode, int width, int tab_chars) {
  Cache& c = cache();
  Key key{f->serial, mode, width, tab_chars, std::u16string(text, static_cast<size_t>(count))};
  auto found = c.index.find(key);
  if (found != c.index.end()) {
    c.entries.splice(c.entries.begin(), c.entries, found->second);
    return *found->second;
  }
  static Entry scratch;
  if (key.text.size() > kLongestCached) {
    if (scratch.layout) g_object_unref(scratch.layout);
    scratch = Entry{};
    scratch.key = std::move(key);
    lay_out(scratch, f);
    return scratch;
  }
  if (c.entries.size() >= kCacheEntries) {
    Entry& old = c.entries.back();
    c.index.erase(old.key);
    g_object_unref(old.layout);
    c.entries.pop_back();
  }
  c.entries.emplace_front();
  Entry& e = c.entries.front();
  e.key = std::move(key);
  lay_out(e, f);
  c.index.emplace(e.key, c.entries.begin());
  return e;
}

// Draws line i of the entry with its logical box's left edge at x and its top at top (surface
// pixels); the background of an opaque context is filled within clip.
void draw_line(Dc* dc, const Entry& e, size_t i, int x, int top, const FontMetrics& m, const RECT& clip) {
  const Line& line = e.lines[i];
  if (dc->s.bk_mode == OPAQUE)
    fill_pixels(dc->target, RECT{x, top, x + line.width, top + m.height}, clip, dc->s.bk_color);
  cairo_t* cr = cairo_for(dc);
  set_cairo_color(cr, dc->s.text_color);
  cairo_move_to(cr, x - line.x, top + m.ascent);
  pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(e.layout, static_cast<int>(i)));
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

void forget_layouts(uint64_t serial) {
  Cache& c = cache();
  std::lock_guard<std::mutex> hold(c.lock);
  for (auto it = c.entries.begin(); it != c.entries.end();) {
    if (it->key.serial == serial) {
      c.index.erase(it->key);
      g_object_unref(it->layout);
      it = c.entries.erase(it);
    } else {
      ++it;
    }
  }
}

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
  std::lock_guard<std::mutex> hold(cache().lock);
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
  std::lock_guard<std::mutex> hold(cache().lock);
  Entry& e = layout_for(f, text, static_cast<int>(count), SINGLE_PARAGRAPH, 0, 0);
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

  std::lock_guard<std::mutex> hold(cache().lock);
  Entry& e = layout_for(f, text, count, mode, layout_width, tab_chars);
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
    const Line& line = e.lines[static_cast<size_t>(i)];
    int x = box.left;
    if (format & DT_CENTER) x = box.left + (box.right - box.left - line.width) / 2;
    else if (format & DT_RIGHT) x = box.right - line.width;
    draw_line(dc, e, static_cast<size_t>(i), x, top + i * line_height, m, fill_clip);
  }
  if (clipped) cairo_restore(cairo_for(dc));
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top - box.top + line_height;
  return block_height;
}
