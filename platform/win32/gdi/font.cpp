// Fonts: CreateFontW and CreateFontIndirectW, the stock fonts, face names
// resolved through fontconfig (a face the system lacks gets the nearest
// installed one), and GetTextMetricsW and GetTextFaceW.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/win32/display/backend.h"
#include "platform/win32/gdi/font.h"
#include "platform/win32/kernel/paths.h"

namespace gdi {

namespace {

// Rendering a face above this many pixels per em gains nothing and costs a lot of memory.
constexpr int kMaxEm = 2048;
// The size CreateFontW picks for a height of 0.
constexpr int kDefaultEm = 12;

std::atomic<uint64_t> next_serial{1};

struct Resolved {
  std::string family;  // UTF-8, for pango
  std::u16string face;
  bool monospace = false;
};

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Win32's logical names, which no font file carries, stand for the generic families.
const char* generic_for(const std::string& face_lower, BYTE pitch_and_family) {
  static const char* const sans[] = {"", "ms shell dlg", "ms shell dlg 2", "system", "ms sans serif"};
  static const char* const mono[] = {"fixedsys", "terminal", "courier"};
  for (const char* name : mono)
    if (face_lower == name) return "monospace";
  for (const char* name : sans) {
    if (face_lower != name) continue;
    if ((pitch_and_family & 0x03) == FIXED_PITCH || (pitch_and_family & 0xF0) == FF_MODERN) return "monospace";
    if ((pitch_and_family & 0xF0) == FF_ROMAN) return "serif";
    return "sans-serif";
  }
  return nullptr;
}

// The installed family that fontconfig matches for a face, asked once per face.
Resolved resolve(const LOGFONTW& log) {
  static std::mutex lock;
  static std::map<std::string, Resolved> cache;
  std::string face;
  size_t n = 0;
  while (n < LF_FACESIZE && log.lfFaceName[n]) ++n;
  if (!utf16_to_utf8(log.lfFaceName, n, &face)) face.clear();
  std::string key = lower(face);
  if (const char* generic = generic_for(key, log.lfPitchAndFamily)) key = face = generic;

  std::lock_guard<std::mutex> hold(lock);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  Resolved r;
  r.family = "sans-serif";
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
      r.family = reinterpret_cast<const char*>(family);
    int spacing = 0;
    r.monospace = FcPatternGetInteger(match, FC_SPACING, 0, &spacing) == FcResultMatch && spacing >= FC_MONO;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  if (!utf8_to_utf16(r.family.data(), r.family.size(), &r.face)) r.face = u"sans-serif";
  cache.emplace(key, r);
  return r;
}

PangoFontMap* font_map() {
  static PangoFontMap* map = pango_cairo_font_map_new();  // lives as long as the process, with its caches
  return map;
}

// Ascent and descent in pixels of the description at an em size (pixels, fractional allowed).
void vertical_metrics(PangoFontDescription* desc, double em, int* ascent, int* descent, double* ave) {
  pango_font_description_set_absolute_size(desc, em * PANGO_SCALE);
  PangoFont* font = pango_font_map_load_font(font_map(), pango_context(), desc);
  *ascent = *descent = *ave = 0;
  if (!font) return;
  PangoFontMetrics* m = pango_font_get_metrics(font, pango_language_from_string("en-us"));
  *ascent = PANGO_PIXELS(pango_font_metrics_get_ascent(m));
  *descent = PANGO_PIXELS(pango_font_metrics_get_descent(m));
  *ave = pango_units_to_double(pango_font_metrics_get_approximate_char_width(m));
  pango_font_metrics_unref(m);
  g_object_unref(font);
}

int widest_of(PangoFontDescription* desc, const char* chars) {
  PangoLayout* layout = pango_layout_new(pango_context());
  pango_layout_set_font_description(layout, desc);
  int widest = 0;
  for (const char* c = chars; *c; ++c) {
    pango_layout_set_text(layout, c, 1);
    int w, h;
    pango_layout_get_pixel_size(layout, &w, &h);
    if (w > widest) widest = w;
  }
  g_object_unref(layout);
  return widest;
}

// Builds the description and the metrics from the LOGFONTW: a negative height is the
// em size (character height), a positive one the cell height (ascent + descent).
void realize(Font* f) {
  const LOGFONTW& log = f->log;
  Resolved r = resolve(log);
  f->face = r.face;
  if (f->desc) pango_font_description_free(f->desc);
  f->desc = pango_font_description_new();
  pango_font_description_set_family(f->desc, r.family.c_str());
  int weight = log.lfWeight <= 0 ? FW_NORMAL : log.lfWeight > 1000 ? 1000 : static_cast<int>(log.lfWeight);
  pango_font_description_set_weight(f->desc, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(f->desc, log.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

  FontMetrics& m = f->metrics;
  m.monospace = r.monospace;
  int64_t height = log.lfHeight;
  double ave;
  if (height <= 0) {
    int em = height == 0 ? kDefaultEm : height < -kMaxEm ? kMaxEm : static_cast<int>(-height);
    vertical_metrics(f->desc, em, &m.ascent, &m.descent, &ave);
    m.height = m.ascent + m.descent;
    m.internal_leading = m.height > em ? m.height - em : 0;
  } else {
    int cell = height > kMaxEm ? kMaxEm : static_cast<int>(height);
    int a, d;
    vertical_metrics(f->desc, cell, &a, &d, &ave);  // the face's cell-to-em ratio, measured at the cell size
    double em = a + d > 0 ? static_cast<double>(cell) * cell / (a + d) : cell;
    vertical_metrics(f->desc, em, &a, &d, &ave);
    // Exactly the cell asked for, as Win32 gives; rounding is taken from the descent.
    m.ascent = a > cell ? cell : a;
    m.descent = cell - m.ascent;
    m.height = cell;
    m.internal_leading = cell - static_cast<int>(std::lround(em));
    if (m.internal_leading < 0) m.internal_leading = 0;
  }
  // A width asks for that average character width: the face is squeezed or stretched sideways to it.
  const int64_t width = std::min<int64_t>(std::llabs(static_cast<int64_t>(log.lfWidth)), kMaxEm);
  f->x_scale = width > 0 && ave > 0 ? static_cast<double>(width) / ave : 1.0;
  m.ave_width = std::max(1, static_cast<int>(std::lround(ave * f->x_scale)));
  int widest = static_cast<int>(std::lround(widest_of(f->desc, "WM@m") * f->x_scale));
  m.max_width = widest > m.ave_width ? widest : m.ave_width;

  if (f->attrs) pango_attr_list_unref(f->attrs);
  f->attrs = nullptr;
  if (log.lfUnderline || log.lfStrikeOut) {
    f->attrs = pango_attr_list_new();
    if (log.lfUnderline) pango_attr_list_insert(f->attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (log.lfStrikeOut) pango_attr_list_insert(f->attrs, pango_attr_strikethrough_new(TRUE));
  }
  f->serial = next_serial++;
}

Font* make_font(const LOGFONTW& log, bool is_stock) {
  auto* f = new Font;
  f->kind = Kind::Font;
  f->log = log;
  f->log.lfFaceName[LF_FACESIZE - 1] = 0;
  realize(f);
  f->stock = is_stock;
  register_object(f);
  return f;
}

LOGFONTW logfont(LONG height, LONG weight, const char* face, BYTE pitch_and_family) {
  LOGFONTW log{};
  log.lfHeight = height;
  log.lfWeight = weight;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfPitchAndFamily = pitch_and_family;
  for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) log.lfFaceName[i] = static_cast<WCHAR>(face[i]);
  return log;
}

struct StockFonts {
  Font* system = make_font(logfont(16, FW_BOLD, "System", VARIABLE_PITCH | FF_SWISS), true);
  Font* gui = nullptr;
  Font* ansi_var = make_font(logfont(-11, FW_NORMAL, "MS Sans Serif", VARIABLE_PITCH | FF_SWISS), true);
  Font* fixed = make_font(logfont(-12, FW_NORMAL, "Courier", FIXED_PITCH | FF_MODERN), true);
  Font* system_fixed = make_font(logfont(16, FW_NORMAL, "Fixedsys", FIXED_PITCH | FF_MODERN), true);
};

StockFonts& stock_fonts() {
  static StockFonts* s = new StockFonts;  // lives for the whole process, as stock objects do
  return *s;
}

std::mutex gui_font_lock;

}  // namespace

PangoContext* pango_context() {
  static PangoContext* context = [] {
    PangoContext* c = pango_font_map_create_context(font_map());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(c, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(c, 96);  // sizes are absolute pixels; this only fixes pango's default
    pango_context_set_language(c, pango_language_from_string("en-us"));
    return c;
  }();
  return context;
}

void font_free(Font* f) {
  forget_layouts(f->serial);
  if (f->desc) pango_font_description_free(f->desc);
  if (f->attrs) pango_attr_list_unref(f->attrs);
  delete f;
}

HFONT stock_font(int object) {
  StockFonts& s = stock_fonts();
  switch (object) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return reinterpret_cast<HFONT>(s.system);
    case ANSI_VAR_FONT: return reinterpret_cast<HFONT>(s.ansi_var);
    case ANSI_FIXED_FONT:
    case OEM_FIXED_FONT: return reinterpret_cast<HFONT>(s.fixed);
    case SYSTEM_FIXED_FONT: return reinterpret_cast<HFONT>(s.system_fixed);
    case DEFAULT_GUI_FONT: {
      // 8 points at the display's dots per inch, followed when a test changes them.
      LONG height = -MulDiv(8, display::current().dots_per_inch(), 72);
      std::lock_guard<std::mutex> hold(gui_font_lock);
      if (!s.gui) {
        s.gui = make_font(logfont(height, FW_NORMAL, "MS Shell Dlg", DEFAULT_PITCH | FF_DONTCARE), true);
      } else if (s.gui->log.lfHeight != height) {
        forget_layouts(s.gui->serial);
        s.gui->log.lfHeight = height;
        realize(s.gui);
      }
      return reinterpret_cast<HFONT>(s.gui);
    }
    default: return nullptr;
  }
}

Font* font_of(const Dc* dc) {
  if (Font* f = find<Font>(dc->s.font, Kind::Font)) return f;
  return reinterpret_cast<Font*>(stock_font(SYSTEM_FONT));
}

int font_object(Font* f, int size, void* buffer) {
  if (!buffer) return static_cast<int>(sizeof(LOGFONTW));
  if (size <= 0) return 0;
  size_t n = static_cast<size_t>(size) < sizeof(LOGFONTW) ? static_cast<size_t>(size) : sizeof(LOGFONTW);
  std::memcpy(buffer, &f->log, n);
  return static_cast<int>(n);
}

}  // namespace gdi

using namespace gdi;

HFONT CreateFontIndirectW(const LOGFONTW* log) {
  if (!log) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return reinterpret_cast<HFONT>(make_font(*log, false));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW log{};
  log.lfHeight = height;
  log.lfWidth = width;
  log.lfEscapement = escapement;
  log.lfOrientation = orientation;
  log.lfWeight = weight;
  log.lfItalic = static_cast<BYTE>(italic);
  log.lfUnderline = static_cast<BYTE>(underline);
  log.lfStrikeOut = static_cast<BYTE>(strikeOut);
  log.lfCharSet = static_cast<BYTE>(charSet);
  log.lfOutPrecision = static_cast<BYTE>(outPrecision);
  log.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  log.lfQuality = static_cast<BYTE>(quality);
  log.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName)
    for (int i = 0; i < LF_FACESIZE - 1 && faceName[i]; ++i) log.lfFaceName[i] = faceName[i];
  return CreateFontIndirectW(&log);
}

BOOL GetTextMetricsW(HDC handle, LPTEXTMETRICW tm) {
  Dc* dc = find_dc(handle);
  if (!dc || !tm) return FALSE;
  Font* f = font_of(dc);
  const FontMetrics& m = f->metrics;
  int dpi = display::current().dots_per_inch();
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internal_leading;
  tm->tmExternalLeading = 0;
  tm->tmAveCharWidth = m.ave_width;
  tm->tmMaxCharWidth = m.max_width;
  tm->tmWeight = f->log.lfWeight <= 0 ? FW_NORMAL : f->log.lfWeight;
  tm->tmOverhang = 0;
  tm->tmDigitizedAspectX = dpi;
  tm->tmDigitizedAspectY = dpi;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = f->log.lfItalic ? 255 : 0;
  tm->tmUnderlined = f->log.lfUnderline ? 255 : 0;
  tm->tmStruckOut = f->log.lfStrikeOut ? 255 : 0;
  // TMPF_FIXED_PITCH set means variable pitch.
  BYTE family = f->log.lfPitchAndFamily & 0xF0;
  if (family == FF_DONTCARE) family = m.monospace ? FF_MODERN : FF_SWISS;
  tm->tmPitchAndFamily = static_cast<BYTE>(family | TMPF_VECTOR | TMPF_TRUETYPE | (m.monospace ? 0 : TMPF_FIXED_PITCH));
  tm->tmCharSet = f->log.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;
  return TRUE;
}

int GetTextFaceW(HDC handle, int count, LPWSTR faceName) {
  Dc* dc = find_dc(handle);
  if (!dc) return 0;
  const std::u16string& face = font_of(dc)->face;
  int length = static_cast<int>(face.size());
  if (!faceName) return length + 1;
  if (count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int n = length < count - 1 ? length : count - 1;
  std::memcpy(faceName, face.data(), static_cast<size_t>(n) * sizeof(WCHAR));
  faceName[n] = 0;
  return n + 1;
}
