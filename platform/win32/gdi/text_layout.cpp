// The layout cache of the stand-in's text: pango layouts kept by font, text
// and mode, the most recently used first, and the UTF-16 to UTF-8 conversion
// that feeds them.
#include "platform/win32/gdi/text_layout.h"

#include <cmath>
#include <list>
#include <unordered_map>

namespace gdi {

namespace {

struct KeyHash {
  size_t operator()(const LayoutKey& k) const {
    size_t h = std::hash<std::u16string>()(k.text);
    h ^= std::hash<uint64_t>()(k.serial) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    h ^= (static_cast<size_t>(k.mode) << 32) ^ static_cast<size_t>(k.width) ^ (static_cast<size_t>(k.tab_chars) << 20);
    return h;
  }
};

constexpr size_t kCacheEntries = 512;
constexpr size_t kLongestCached = 2048;  // longer texts are laid out for one call only

struct Cache {
  std::mutex lock;
  std::list<TextLayout> entries;  // most recently used first
  std::unordered_map<LayoutKey, std::list<TextLayout>::iterator, KeyHash> index;
  TextLayout scratch;  // the one long text laid out last
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

bool high_surrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool low_surrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// How many UTF-16 units the character at i takes (a whole surrogate pair is 2)
// and how many UTF-8 bytes it becomes (a lone surrogate or NUL becomes U+FFFD).
void unit_sizes(const std::u16string& text, size_t i, int* units, int* bytes) {
  char16_t c = text[i];
  *units = 1;
  if (high_surrogate(c) && i + 1 < text.size() && low_surrogate(text[i + 1])) {
    *units = 2;
    *bytes = 4;
  } else {
    *bytes = c == 0 || c >= 0x800 ? 3 : c >= 0x80 ? 2 : 1;
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
    if (high_surrogate(static_cast<char16_t>(c)) && i + 1 < text.size() && low_surrogate(text[i + 1])) {
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

void set_attributes(PangoLayout* layout, const Font* f, int underline_start, int underline_end) {
  if (!f->attrs && underline_start < 0) return;
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

int scaled(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

void lay_out(TextLayout& e, Font* f) {
  const LayoutKey& k = e.key;
  const double scale = f->x_scale;
  int underline_start, underline_end;
  std::string utf8 = prepare(k.text, k.mode, &underline_start, &underline_end);
  PangoLayout* layout = pango_layout_new(pango_context());
  pango_layout_set_font_description(layout, f->desc);
  set_attributes(layout, f, underline_start, underline_end);
  // Widths and tab stops asked for in drawn pixels are the face's own pixels over the scale.
  if (k.mode & SINGLE_PARAGRAPH) pango_layout_set_single_paragraph_mode(layout, TRUE);
  if (k.mode & (WRAP | ELLIPSIS_END | ELLIPSIS_MIDDLE))
    pango_layout_set_width(layout, static_cast<int>(k.width / scale * PANGO_SCALE));
  if (k.mode & WRAP) pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  if (k.mode & ELLIPSIS_END) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  if (k.mode & ELLIPSIS_MIDDLE) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_MIDDLE);
  if (k.mode & EXPAND_TABS) {
    PangoTabArray* tabs = pango_tab_array_new(1, TRUE);
    pango_tab_array_set_tab(tabs, 0, PANGO_TAB_LEFT, static_cast<int>(k.tab_chars * f->metrics.ave_width / scale));
    pango_layout_set_tabs(layout, tabs);
    pango_tab_array_free(tabs);
  }
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  e.layout = layout;
  e.x_scale = scale;
  int count = pango_layout_get_line_count(layout);
  e.lines.resize(static_cast<size_t>(count));
  e.width = 0;
  for (int i = 0; i < count; ++i) {
    PangoRectangle logical;
    pango_layout_line_get_pixel_extents(pango_layout_get_line_readonly(layout, i), nullptr, &logical);
    e.lines[static_cast<size_t>(i)] = LayoutLine{scaled(logical.x, scale), scaled(logical.width, scale)};
    if (e.lines[static_cast<size_t>(i)].width > e.width) e.width = e.lines[static_cast<size_t>(i)].width;
  }
}

}  // namespace

std::mutex& layout_lock() { return cache().lock; }

TextLayout& layout_for(Font* f, const WCHAR* text, int count, uint32_t mode, int width, int tab_chars) {
  Cache& c = cache();
  LayoutKey key{f->serial, mode, width, tab_chars, std::u16string(text, static_cast<size_t>(count))};
  auto found = c.index.find(key);
  if (found != c.index.end()) {
    c.entries.splice(c.entries.begin(), c.entries, found->second);
    return *found->second;
  }
  if (key.text.size() > kLongestCached) {
    // A long field measured again and again (its caret, its selection) is laid out once.
    if (c.scratch.layout && c.scratch.key == key) return c.scratch;
    if (c.scratch.layout) g_object_unref(c.scratch.layout);
    c.scratch = TextLayout{};
    c.scratch.key = std::move(key);
    lay_out(c.scratch, f);
    return c.scratch;
  }
  if (c.entries.size() >= kCacheEntries) {
    TextLayout& old = c.entries.back();
    c.index.erase(old.key);
    g_object_unref(old.layout);
    c.entries.pop_back();
  }
  c.entries.emplace_front();
  TextLayout& e = c.entries.front();
  e.key = std::move(key);
  lay_out(e, f);
  c.index.emplace(e.key, c.entries.begin());
  return e;
}

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
  if (c.scratch.layout && c.scratch.key.serial == serial) {
    g_object_unref(c.scratch.layout);
    c.scratch = TextLayout{};
  }
}

int byte_of_unit(const std::u16string& text, int index) {
  int byte = 0;
  for (size_t i = 0; i < text.size() && static_cast<int>(i) < index;) {
    int units, bytes;
    unit_sizes(text, i, &units, &bytes);
    byte += bytes;
    i += static_cast<size_t>(units);
  }
  return byte;
}

int unit_of_byte(const std::u16string& text, int byte) {
  int at = 0;
  size_t i = 0;
  while (i < text.size() && at < byte) {
    int units, bytes;
    unit_sizes(text, i, &units, &bytes);
    at += bytes;
    i += static_cast<size_t>(units);
  }
  return static_cast<int>(i);
}

}  // namespace gdi
