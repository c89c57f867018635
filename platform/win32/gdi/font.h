// Fonts of the stand-in's GDI: a LOGFONTW, the pango description it resolves
// to (the face found through fontconfig once, when the font is made), and
// Win32 metrics worked out once per font. Shared by font.cpp and text.cpp.
#pragma once

#include <cstdint>
#include <string>

// Before glib's headers, whose TRUE and FALSE give way to ours.
#include "platform/win32/gdi/objects.h"

#include <pango/pangocairo.h>

namespace gdi {

struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int height = 0;            // ascent + descent: one line
  int internal_leading = 0;  // height - em size
  int ave_width = 0;
  int max_width = 0;
  bool monospace = false;
};

struct Font : GdiObject {
  LOGFONTW log{};
  uint64_t serial = 0;  // new for every font (and every change of a stock font): the layout cache's key
  PangoFontDescription* desc = nullptr;
  PangoAttrList* attrs = nullptr;  // underline and strike-out, or null
  std::u16string face;             // the face actually used
  double x_scale = 1.0;            // lfWidth's squeeze (or stretch) of the face sideways
  FontMetrics metrics;
};

// The one pango context all text is shaped in: antialiased, hinted metrics.
PangoContext* pango_context();

// Drops every cached layout of the font (font.cpp calls it when a font dies or changes).
void forget_layouts(uint64_t serial);

}  // namespace gdi
