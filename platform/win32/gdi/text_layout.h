// Laid-out text of the stand-in's GDI, shared by text.cpp (the Win32 text
// calls) and text_line.cpp (where each character of a line is drawn). Pango
// shapes and breaks the text; a font narrowed by its lfWidth is laid out in
// its face's own width and drawn squeezed sideways, and every pixel figure
// here is already squeezed. Laid-out text is kept in a cache keyed by font,
// text and layout mode, so the same label measured and painted again and
// again is shaped once.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/gdi/font.h"

namespace gdi {

enum LayoutMode : uint32_t {
  SINGLE_PARAGRAPH = 1,  // line separators are not line breaks
  WRAP = 2,              // break into lines no wider than width
  ELLIPSIS_END = 4,
  ELLIPSIS_MIDDLE = 8,
  EXPAND_TABS = 16,
  PREFIX = 32,  // "&x" draws x (underlined unless PREFIX_HIDDEN), "&&" draws "&"
  PREFIX_HIDDEN = 64,
  SEPARATORS_AS_SPACES = 128,  // a single line shows CR and LF as blanks
};

struct LayoutKey {
  uint64_t serial;
  uint32_t mode;
  int width;  // pixels, for WRAP and the ellipses
  int tab_chars;
  std::u16string text;
  bool operator==(const LayoutKey& o) const = default;
};

struct LayoutLine {
  int x = 0;      // where the line's logical box starts, relative to the layout
  int width = 0;  // pixels
};

struct TextLayout {
  LayoutKey key;
  PangoLayout* layout = nullptr;
  std::vector<LayoutLine> lines;
  int width = 0;         // the widest line
  double x_scale = 1.0;  // pango's pixels times this are the drawn ones
};

// Held while a layout is in use: the cache is shared by every thread.
std::mutex& layout_lock();

// The text laid out with the font, from the cache or made now. Call with
// layout_lock() held; the layout stays valid until the next call.
TextLayout& layout_for(Font* f, const WCHAR* text, int count, uint32_t mode, int width, int tab_chars);

// Offsets in the UTF-8 text pango gets for a text laid out without PREFIX:
// the byte where UTF-16 unit `index` begins, and the unit where byte `byte` begins.
int byte_of_unit(const std::u16string& text, int index);
int unit_of_byte(const std::u16string& text, int byte);

}  // namespace gdi
