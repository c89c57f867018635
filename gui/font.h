// Fonts loaded by face name, point size and style, numbered like every other
// object; gadgets take their platform handles.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Style flags of font_load.
constexpr int64_t FONT_UNDERLINE = 0x4;
constexpr int64_t FONT_STRIKE_OUT = 0x8;
constexpr int64_t FONT_HIGH_QUALITY = 0x10;
constexpr int64_t FONT_BOLD = 0x100;
constexpr int64_t FONT_ITALIC = 0x200;

struct FontObject {
  HFONT handle;  // live while non-null
};

void font_init();
void font_end();  // deletes every loaded font

// The font number for -1, otherwise the font handle; 0 on failure. A font
// already loaded under the number is deleted first. A face the platform lacks
// is replaced by one it has.
int64_t font_load(int64_t number, const WCHAR* face, int points, int64_t flags = 0);
HFONT font_handle(int64_t number);  // null for a number that names no loaded font
