// Fonts: the character height follows the screen's vertical dots per inch.
#include "gui/font.h"

#include "runtime/obj.h"

namespace {

ObjectTable* font_table = nullptr;

void font_release(int64_t number) {
  auto* font = static_cast<FontObject*>(obj_get(font_table, number));
  if (font) DeleteObject(font->handle);
  obj_release(font_table, number);
}

// A record that got no font gives its number back, so a failed load takes no number.
int64_t fail(int64_t number, FontObject* font) {
  if (number == -1) obj_release(font_table, reinterpret_cast<intptr_t>(font));
  return 0;
}

}  // namespace

void font_init() { font_table = obj_table_new(sizeof(FontObject), 16, font_release); }

void font_end() {
  if (font_table) obj_release_all(font_table);
  font_table = nullptr;
}

int64_t font_load(int64_t number, const WCHAR* face, int points, int64_t flags) {
  if (!font_table) return 0;
  auto* font = static_cast<FontObject*>(obj_new(font_table, number));
  if (!font) return 0;
  const int weight = (flags & FONT_BOLD) ? FW_BOLD : FW_NORMAL;
  const DWORD italic = (flags & FONT_ITALIC) ? 1 : 0;
  const DWORD underline = (flags & FONT_UNDERLINE) ? 1 : 0;
  const DWORD strike_out = (flags & FONT_STRIKE_OUT) ? 1 : 0;
  const DWORD quality = (flags & FONT_HIGH_QUALITY) ? PROOF_QUALITY : DEFAULT_QUALITY;
  HDC screen = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  if (!screen) return fail(number, font);
  // Negative: the platform matches the character height rather than the cell height.
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  HFONT handle = CreateFontW(height, 0, 0, 0, weight, italic, underline, strike_out, DEFAULT_CHARSET, 0, 0, quality, 0,
                             face ? face : TEXT(""));
  DeleteDC(screen);
  if (!handle) return fail(number, font);
  font->handle = handle;
  return number == -1 ? reinterpret_cast<intptr_t>(font) : reinterpret_cast<intptr_t>(handle);
}

HFONT font_handle(int64_t number) {
  if (!font_table) return nullptr;
  auto* font = static_cast<FontObject*>(obj_get(font_table, number));
  return font ? font->handle : nullptr;
}
