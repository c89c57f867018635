#include "app/bookmark_text.h"

#include <cstring>

#include "app/html_references.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kLastCodePoint = 0x10FFFF;
constexpr WCHAR kNoBreakSpace = 0xA0;
constexpr WCHAR kDelete = 0x7F;

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves open stand for themselves.
constexpr uint16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t FromWindows1252(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte; }

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(uint8_t c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
bool IsAlnum(uint8_t c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
uint32_t HexValue(uint8_t c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

bool IsBlank(WCHAR unit) { return unit <= 0x20 || unit == kDelete || unit == kNoBreakSpace; }

// Where decoded characters go, tidied for their field on the way: an
// element's text with runs of white space as one blank and none at either
// end; an address as a browser reads one, C0 controls and blanks trimmed,
// tabs and line breaks dropped, other controls %-encoded. In both a blank
// goes between "[" and "]", so that no field holds the delimiter. Room was
// reserved by the caller.
class FieldWriter {
 public:
  FieldWriter(UnitBuffer* out, FieldKind kind)
      : out_(out), start_(out->used), kept_(out->used), address_(kind == FieldKind::Address) {}
  void Put(uint32_t code_point) {
    if (code_point == 0) code_point = kReplacement;
    if (code_point > 0xFFFF) {
      code_point -= 0x10000;
      Unit(static_cast<WCHAR>(0xD800 + (code_point >> 10)));
      Unit(static_cast<WCHAR>(0xDC00 + (code_point & 0x3FF)));
    } else {
      Unit(static_cast<WCHAR>(code_point));
    }
  }
  // A character that needs no tidying beyond a blank waiting before it.
  void PutPlain(uint8_t byte) {
    if (blank_) out_->units[out_->used++] = ' ';
    blank_ = false;
    out_->units[out_->used++] = byte;
    kept_ = out_->used;
  }
  // Blanks and controls at the end of an address go.
  void Finish() {
    if (address_) out_->used = kept_;
  }

 private:
  void Unit(WCHAR unit) {
    if (address_) {
      AddressUnit(unit);
    } else if (IsBlank(unit)) {
      blank_ = out_->used > start_;
    } else {
      if (blank_) out_->units[out_->used++] = ' ';
      blank_ = false;
      Keep(unit);
    }
  }
  void AddressUnit(WCHAR unit) {
    if ((unit <= 0x20 && out_->used == start_) || unit == '\t' || unit == '\n' || unit == '\r') return;
    if (unit < 0x20 || unit == kDelete) {
      static const char kHex[] = "0123456789ABCDEF";
      out_->units[out_->used++] = '%';
      out_->units[out_->used++] = static_cast<WCHAR>(kHex[unit >> 4]);
      out_->units[out_->used++] = static_cast<WCHAR>(kHex[unit & 15]);
      if (unit == kDelete) kept_ = out_->used;
      return;
    }
    Keep(unit);
    if (unit != ' ') kept_ = out_->used;
  }
  void Keep(WCHAR unit) {
    if (unit == ']' && out_->used > start_ && out_->units[out_->used - 1] == '[') out_->units[out_->used++] = ' ';
    out_->units[out_->used++] = unit;
  }

  UnitBuffer* out_;
  size_t start_, kept_;
  bool address_;
  bool blank_ = false;
};

// A numeric reference's value as HTML reads it: nothing, surrogates and
// values beyond Unicode become U+FFFD; 0x80 to 0x9F are meant as Windows-1252.
uint32_t NumericValue(uint32_t value, bool too_big) {
  if (too_big || value > kLastCodePoint || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  if (value >= 0x80 && value < 0xA0) return FromWindows1252(static_cast<uint8_t>(value));
  return value;
}

// "&#...": the reference decoded, answering where reading goes on; `at` itself when it is no reference.
const uint8_t* NumericReference(const uint8_t* at, const uint8_t* end, FieldWriter* out) {
  const uint8_t* p = at + 2;
  const bool hex = p < end && (*p | 0x20) == 'x';
  if (hex) ++p;
  const uint8_t* digits = p;
  uint32_t value = 0;
  bool too_big = false;
  for (; p < end && (hex ? IsHexDigit(*p) : IsDigit(*p)); ++p) {
    value = value * (hex ? 16 : 10) + HexValue(*p);
    if (value > kLastCodePoint) too_big = true, value = kLastCodePoint;
  }
  if (p == digits) return at;
  if (p < end && *p == ';') ++p;
  out->Put(NumericValue(value, too_big));
  return p;
}

// "&name;" or one of the old names without ";" (in an attribute not when a
// letter, digit or "=" follows it, as a query string "&copy=1" is not meant
// as a reference). Answers where reading goes on; `at` when it is no reference.
const uint8_t* NamedReferenceAt(const uint8_t* at, const uint8_t* end, bool attribute, FieldWriter* out) {
  const uint8_t* name = at + 1;
  const uint8_t* p = name;
  while (p < end && IsAlnum(*p) && static_cast<size_t>(p - name) <= kLongestReferenceName) ++p;
  NamedReference found;
  if (p < end && *p == ';' && FindNamedReference(name, static_cast<size_t>(p - name), &found)) {
    out->Put(found.first);
    if (found.second) out->Put(found.second);
    return p + 1;
  }
  constexpr size_t kLongestShortName = 6;
  for (size_t length = static_cast<size_t>(p - name); length >= 2; --length) {
    if (length > kLongestShortName || !FindNamedReference(name, length, &found) || !found.short_form) continue;
    const uint8_t* next = name + length;
    if (attribute && next < end && (IsAlnum(*next) || *next == '=')) return at;
    out->Put(found.first);
    return next;
  }
  return at;
}

// The length of a valid UTF-8 sequence at `at`, 0 when there is none.
int Utf8Length(const uint8_t* at, const uint8_t* end, uint32_t* code_point) {
  const uint8_t lead = at[0];
  const auto follows = [&](int i, uint8_t low, uint8_t high) { return at + i < end && at[i] >= low && at[i] <= high; };
  int length = 0;
  uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (!follows(1, low, high)) return 0;
  for (int i = 2; i < length; ++i) {
    if (!follows(i, 0x80, 0xBF)) return 0;
  }
  uint32_t value = lead & (0xFF >> (length + 1));
  for (int i = 1; i < length; ++i) value = value << 6 | (at[i] & 0x3F);
  *code_point = value;
  return length;
}

// The bytes as characters, references decoded; comments left out of an element's text.
void Decode(ByteSpan bytes, FieldKind kind, FileEncoding encoding, FieldWriter* out) {
  const uint8_t* p = bytes.at;
  const uint8_t* const end = bytes.at + bytes.size;
  const uint8_t* unclosed = nullptr;
  const bool text = kind == FieldKind::Text;
  while (p < end) {
    const uint8_t byte = *p;
    // Most bytes are printable ASCII that needs nothing done.
    if (byte > ' ' && byte < kDelete && byte != '&' && byte != '<' && byte != ']') {
      out->PutPlain(byte);
      ++p;
      continue;
    }
    if (byte == '&') {
      const uint8_t* next = p + 1 < end && p[1] == '#' ? NumericReference(p, end, out)
                                                       : NamedReferenceAt(p, end, !text, out);
      if (next != p) {
        p = next;
        continue;
      }
    } else if (byte == '<' && text && BeginsComment(p, end)) {
      p = CommentEnd(p, end, &unclosed);
      continue;
    } else if (byte >= 0x80) {
      uint32_t code_point = 0;
      const int length = encoding == FileEncoding::Utf8 ? Utf8Length(p, end, &code_point) : 0;
      out->Put(length ? code_point : FromWindows1252(byte));
      p += length ? length : 1;
      continue;
    }
    out->Put(byte);
    ++p;
  }
}

}  // namespace

bool DecodeField(ByteSpan bytes, FieldKind kind, FileEncoding encoding, UnitBuffer* out) {
  // A byte gives at most one unit (four bytes of UTF-8 or a reference give
  // two); tidying makes of one unit at most three in an address (a control
  // %-encoded), one and a half in a text ("[]" becomes "[ ]").
  if (!UnitBufferReserve(out, (kind == FieldKind::Address ? bytes.size * 3 : bytes.size * 3 / 2) + 2)) return false;
  FieldWriter writer(out, kind);
  Decode(bytes, kind, encoding, &writer);
  writer.Finish();
  return true;
}

bool TidyAsText(const WCHAR* units, size_t count, UnitBuffer* out) {
  if (!UnitBufferReserve(out, count * 3 / 2 + 1)) return false;
  FieldWriter writer(out, FieldKind::Text);
  for (size_t i = 0; i < count; ++i) writer.Put(units[i]);
  return true;
}

bool SameWord(const uint8_t* bytes, size_t size, const char* lower_word) {
  if (std::strlen(lower_word) != size) return false;
  for (size_t i = 0; i < size; ++i) {
    uint8_t c = bytes[i];
    if (c >= 'A' && c <= 'Z') c |= 0x20;
    if (c != static_cast<uint8_t>(lower_word[i])) return false;
  }
  return true;
}

bool EncodingOfCharset(ByteSpan label, FileEncoding* encoding) {
  while (label.size && IsBlank(label.at[0])) ++label.at, --label.size;
  while (label.size && IsBlank(label.at[label.size - 1])) --label.size;
  // A page in UTF-16 cannot say so in its own bytes: the web reads such a label as UTF-8.
  static const char* const kUtf8[] = {"utf-8", "utf8", "unicode-1-1-utf-8", "utf-16", "utf-16le", "utf-16be"};
  static const char* const kWindows1252[] = {
      "windows-1252", "cp1252",   "x-cp1252", "iso-8859-1",     "iso8859-1",  "iso_8859-1",  "iso88591", "latin1",
      "l1",           "us-ascii", "ascii",    "ansi_x3.4-1968", "iso-ir-100", "csisolatin1", "ibm819",   "cp819"};
  for (const char* name : kUtf8) {
    if (SameWord(label.at, label.size, name)) return *encoding = FileEncoding::Utf8, true;
  }
  for (const char* name : kWindows1252) {
    if (SameWord(label.at, label.size, name)) return *encoding = FileEncoding::Windows1252, true;
  }
  return false;
}

const uint8_t* CommentEnd(const uint8_t* at, const uint8_t* end, const uint8_t** unclosed_from) {
  const uint8_t* const body = at + 4;
  if (!*unclosed_from || at < *unclosed_from) {
    for (const uint8_t* p = body; p < end;) {
      const auto* close = static_cast<const uint8_t*>(std::memchr(p, '>', static_cast<size_t>(end - p)));
      if (!close) break;
      // "<!-->" and "<!--->" are empty comments; any other ends with "-->".
      if (close == body || (close == body + 1 && *body == '-') ||
          (close - body >= 2 && close[-1] == '-' && close[-2] == '-')) {
        return close + 1;
      }
      p = close + 1;
    }
    *unclosed_from = at;
  }
  const auto* close = static_cast<const uint8_t*>(std::memchr(body, '>', static_cast<size_t>(end - body)));
  return close ? close + 1 : end;
}
