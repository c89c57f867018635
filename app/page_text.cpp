#include "app/page_text.h"

#include "runtime/file.h"

namespace {

constexpr WCHAR kReplacementCharacter = 0xFFFD;

bool IsDigit(WCHAR c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(WCHAR c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsLetter(WCHAR c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

void PushUnits(const WCHAR* units, int64_t count) {
  if (count > 0) text_stack_put(units, count, text_stack_top());
}

// What an escaped character becomes; null for one that stays as it is.
const WCHAR* EscapeOf(const WCHAR* at) {
  switch (*at) {
    case '<': return TEXT("&lt;");
    case '>': return TEXT("&gt;");
    case '"': return TEXT("&quot;");
    case '&': return BeginsReference(at) ? nullptr : TEXT("&amp;");
    default: return nullptr;
  }
}

void PushEscaped(const WCHAR* value) {
  if (!value) return;
  const WCHAR* run = value;
  for (const WCHAR* at = value; *at; ++at) {
    if (*at > u'>') continue;  // letters and most of a text: above every escaped character
    const WCHAR* escape = EscapeOf(at);
    if (!escape) continue;
    PushUnits(run, at - run);
    text_push(escape);
    run = at + 1;
  }
  PushUnits(run, text_length(run));
}

bool StartsWith(const WCHAR* text, const WCHAR* marker) {
  if (!marker) return false;
  while (*marker && *text == *marker) ++text, ++marker;
  return *marker == 0;
}

void PushReference(uint32_t code_point) {
  text_push(TEXT("&#"));
  text_from_int(code_point, text_stack_top());
  text_push(TEXT(";"));
}

bool PlainAscii(const WCHAR* text) {
  for (; *text; ++text) {
    if (*text >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool BeginsReference(const WCHAR* text) {
  if (text[0] != '&') return false;
  const WCHAR* at = text + 1;
  bool (*allowed)(WCHAR) = nullptr;
  if (at[0] == '#' && (at[1] == 'x' || at[1] == 'X')) {
    at += 2;
    allowed = IsHexDigit;
  } else if (at[0] == '#') {
    at += 1;
    allowed = IsDigit;
  } else if (IsLetter(at[0])) {
    allowed = [](WCHAR c) { return IsLetter(c) || IsDigit(c); };
  } else {
    return false;
  }
  const WCHAR* first = at;
  while (allowed(*at)) ++at;
  return at > first && *at == ';';
}

WCHAR* FillTemplate(const WCHAR* pattern, const WCHAR* marker1, const WCHAR* value1, const WCHAR* marker2,
                    const WCHAR* value2, int32_t offset) {
  text_stack_cut(offset);
  const int64_t length1 = marker1 ? text_length(marker1) : 0;
  const int64_t length2 = marker2 ? text_length(marker2) : 0;
  // Most units begin no marker: one comparison with each marker's first unit tells.
  const WCHAR lead1 = length1 ? marker1[0] : 0, lead2 = length2 ? marker2[0] : 0;
  const WCHAR* run = pattern;
  for (const WCHAR* at = pattern; *at;) {
    if (*at != lead1 && *at != lead2) {
      ++at;
      continue;
    }
    const bool first = length1 && StartsWith(at, marker1);
    const bool second = !first && length2 && StartsWith(at, marker2);
    if (!first && !second) {
      ++at;
      continue;
    }
    PushUnits(run, at - run);
    PushEscaped(first ? value1 : value2);
    at += first ? length1 : length2;
    run = at;
  }
  PushUnits(run, text_length(run));
  if (text_stack_top() == offset) text_stack_put(TEXT(""), 0, offset);
  return text_stack_at(offset);
}

WCHAR* PageTextForFile(int32_t offset) {
  if (PlainAscii(text_stack_at(offset))) return text_stack_at(offset);
  const bool utf8 = file_ansi_is_utf8() != 0;
  const int64_t length = text_length(text_stack_at(offset));
  // The new line is built behind the old one, then moved down over it.
  const int32_t work = offset + static_cast<int32_t>((length + 1) * 2);
  text_stack_cut(work);
  for (int64_t i = 0; i < length; ++i) {
    const WCHAR* text = text_stack_at(offset);  // the stack may move as it grows
    const WCHAR unit = text[i];
    if (unit < 0x80) {
      PushUnits(&unit, 1);
    } else if (IsHighSurrogate(unit) && IsLowSurrogate(text[i + 1])) {
      const uint32_t code_point = 0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
      if (utf8) PushUnits(text + i, 2);
      else PushReference(code_point);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      PushReference(kReplacementCharacter);
    } else if (utf8) {
      PushUnits(&unit, 1);
    } else {
      PushReference(unit);
    }
  }
  const int64_t units = (text_stack_top() - work) / 2;
  return text_stack_put(text_stack_at(work), units, offset);
}
