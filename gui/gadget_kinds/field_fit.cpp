// A field that shows all of its text: when the text is wider than the field,
// the field takes its font narrowed just enough (the same face and height, a
// smaller average character width), and when the text fits again it gets its
// font of before back. The narrowed font belongs to the field, which keeps it
// and the font it was made from in two properties until the next fit or its
// destruction.
#include "gui/gadget_internal.h"
#include "runtime/text.h"

namespace {

const WCHAR kNarrowFont[] = TEXT("KT_NarrowFont");
const WCHAR kNormalFont[] = TEXT("KT_NormalFont");
constexpr WORD kNarrowMargin = 1;

int width_of(HDC dc, HFONT font, const WCHAR* text, int length) {
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  return size.cx;
}

LONG average_width(HDC dc, HFONT font) {
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  return metrics.tmAveCharWidth;
}

LONG font_width(HFONT font) {
  LOGFONTW log{};
  return font && GetObjectW(font, sizeof(log), &log) ? log.lfWidth : 0;
}

// Whether the text fits the field in the font: the field takes the font, not shown yet, and
// its formatting rectangle is measured against the text. Narrowed text gets the room of the
// margins but a pixel on each side, so that it need be narrowed less.
bool fits_with(HWND field, HDC dc, HFONT font, bool narrowed, const WCHAR* text, int length) {
  SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const WORD margin = narrowed ? kNarrowMargin : EC_USEFONTINFO;
  SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
  RECT format{};
  SendMessageW(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  return width_of(dc, font, text, length) <= format.right - format.left;
}

// The font the field shows its text in: the normal one when the text fits, else the widest
// narrowing of it that fits (the one the field has when it is that). The field holds the
// font when this returns; when nothing fits, the normal font and the text stays cut.
HFONT font_to_show(HWND field, HDC dc, HFONT normal, HFONT narrow, const WCHAR* text, int length) {
  if (fits_with(field, dc, normal, false, text, length)) return normal;
  LOGFONTW log{};
  if (!GetObjectW(normal ? normal : GetStockObject(SYSTEM_FONT), sizeof(log), &log)) return normal;
  for (LONG width = average_width(dc, normal) - 1; width >= 1; --width) {
    log.lfWidth = width;
    HFONT font = narrow && font_width(narrow) == width ? narrow : CreateFontIndirectW(&log);
    if (!font) break;
    if (fits_with(field, dc, font, true, text, length)) return font;
    if (font != narrow) DeleteObject(font);
  }
  fits_with(field, dc, normal, false, text, length);
  return normal;
}

}  // namespace

void gadget_fit_text(int64_t gadget) {
  GadgetObject* object = gadget_object(gadget);
  if (!object || object->kind->kind != GADGET_KIND_FIELD) return;
  HWND field = object->handle;
  auto narrow = static_cast<HFONT>(GetPropW(field, kNarrowFont));
  auto current = reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0));
  HFONT normal = current;
  if (narrow && current == narrow) {
    normal = static_cast<HFONT>(GetPropW(field, kNormalFont));
  } else if (narrow) {
    // A font given to the field since the last fit is its normal font now: the narrowing of the
    // old one is of another face or height.
    gadget_fit_release(object);
    narrow = nullptr;
  }
  HDC dc = GetDC(field);
  if (!dc) return;
  const int32_t saved = text_stack_top();
  const WCHAR* text = gadget_get_text(gadget, saved);
  HFONT font = font_to_show(field, dc, normal, narrow, text, static_cast<int>(text_length(text)));
  text_stack_cut(saved);
  ReleaseDC(field, dc);
  if (font != current) RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  if (narrow && narrow != font) gadget_fit_release(object);
  if (font != normal) {
    SetPropW(field, kNarrowFont, font);
    SetPropW(field, kNormalFont, normal);
  }
}

void gadget_fit_release(GadgetObject* gadget) {
  HANDLE narrow = RemovePropW(gadget->handle, kNarrowFont);
  RemovePropW(gadget->handle, kNormalFont);
  if (narrow) DeleteObject(static_cast<HGDIOBJ>(narrow));
}
