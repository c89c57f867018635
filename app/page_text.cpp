#include "app/page_text.h"

#include <bit>
#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "runtime/file.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Whether a character reference (&name; &#digits; &#xhex;) begins at text, which ends at end.
bool BeginsReference(const WCHAR* text, const WCHAR* end) {
  const auto unit = [end](const WCHAR* at) -> WCHAR { return at < end ? *at : 0; };
  if (unit(text) != '&') return false;
  const WCHAR* at = text + 1;
  bool (*allowed)(WCHAR) = nullptr;
  if (unit(at) == '#' && (unit(at + 1) == 'x' || unit(at + 1) == 'X')) {
    at += 2;
    allowed = IsHexDigit;
  } else if (unit(at) == '#') {
    at += 1;
    allowed = IsDigit;
  } else if (IsLetter(unit(at))) {
    allowed = [](WCHAR c) { return IsLetter(c) || IsDigit(c); };
  } else {
    return false;
  }
  const WCHAR* first = at;
  while (allowed(unit(at))) ++at;
  return at > first && unit(at) == ';';
}

// What an escaped character of a text that ends at end becomes; null for one that stays as it is.
const WCHAR* EscapeOf(const WCHAR* at, const WCHAR* end) {
  switch (*at) {
    case '<': return TEXT("&lt;");
    case '>': return TEXT("&gt;");
    case '"': return TEXT("&quot;");
    case '&': return BeginsReference(at, end) ? nullptr : TEXT("&amp;");
    default: return nullptr;
  }
}

bool IsEscaped(WCHAR c) { return c == '<' || c == '>' || c == '"' || c == '&'; }

// The first unit from `at` on that may need escaping, or end. Titles and
// addresses hold few of them, so the units are compared eight at a time in a
// vector register where there is one, else four at a time in a word: there a
// lane equal to an escaped character is zero once XORed with it, and a zero
// lane borrows into its top bit.
const WCHAR* NextCandidate(const WCHAR* at, const WCHAR* end) {
#ifdef __SSE2__
  const __m128i lt = _mm_set1_epi16(u'<'), gt = _mm_set1_epi16(u'>'), quote = _mm_set1_epi16(u'"'),
                amp = _mm_set1_epi16(u'&');
  for (; end - at >= 8; at += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, lt), _mm_cmpeq_epi16(units, gt)),
                                      _mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, amp)));
    if (const int mask = _mm_movemask_epi8(hits)) return at + std::countr_zero(static_cast<unsigned>(mask)) / 2;
  }
#endif
  constexpr uint64_t kLanes = 0x0001000100010001, kTops = 0x8000800080008000;
  const auto zero_lanes = [](uint64_t units) { return (units - kLanes) & ~units & kTops; };
  for (; end - at >= 4; at += 4) {
    uint64_t units;
    std::memcpy(&units, at, sizeof units);
    if ((zero_lanes(units ^ (kLanes * u'<')) | zero_lanes(units ^ (kLanes * u'>')) |
         zero_lanes(units ^ (kLanes * u'"')) | zero_lanes(units ^ (kLanes * u'&'))) != 0)
      break;
  }
  while (at != end && !IsEscaped(*at)) ++at;
  return at;
}

// The longest text one unit of a value can become ("&quot;").
constexpr int64_t kLongestEscape = 6;

// Writes the value escaped at out; answers the end of what it wrote.
WCHAR* PutEscaped(WCHAR* out, TextPiece value) {
  if (!value.text) return out;
  const WCHAR* const end = value.text + value.length;
  const WCHAR* run = value.text;
  for (const WCHAR* at = NextCandidate(run, end); at < end; at = NextCandidate(at + 1, end)) {
    const WCHAR* escape = EscapeOf(at, end);
    if (!escape) continue;
    std::memcpy(out, run, static_cast<size_t>(at - run) * sizeof(WCHAR));
    out += at - run;
    for (; *escape; ++escape) *out++ = *escape;
    run = at + 1;
  }
  std::memcpy(out, run, static_cast<size_t>(end - run) * sizeof(WCHAR));
  return out + (end - run);
}

bool StartsWith(const WCHAR* text, const WCHAR* marker) {
  while (*marker && *text == *marker) ++text, ++marker;
  return *marker == 0;
}

// The markers of a template, each with the value that takes its place; an unused one has no text.
struct Markers {
  const WCHAR* text[2];
  TextPiece value[2];
  int64_t length[2];
  WCHAR lead[2];  // most units begin no marker: one comparison with each first unit tells

  Markers(const WCHAR* marker1, TextPiece value1, const WCHAR* marker2, TextPiece value2)
      : text{marker1, marker2}, value{value1, value2} {
    for (int k = 0; k < 2; ++k) {
      length[k] = text[k] ? text_length(text[k]) : 0;
      lead[k] = length[k] ? text[k][0] : 0;
    }
  }
  // The marker (0 or 1) that begins at `at`, the first one first; -1 when none does.
  int At(const WCHAR* at) const {
    if (*at != lead[0] && *at != lead[1]) return -1;
    if (length[0] && *at == lead[0] && StartsWith(at, text[0])) return 0;
    if (length[1] && *at == lead[1] && StartsWith(at, text[1])) return 1;
    return -1;
  }
};

struct Hit {
  int64_t at;  // units into the template
  int marker;
};

// Where a template's markers lie, as far as the first few; the line is at
// most `plain` units plus the longest escape of every unit of each value used.
struct TemplatePlan {
  Hit hits[8];
  int found = 0;
  bool more = false;  // markers beyond those kept: the rest is searched while filling
  int64_t length = 0;
  int64_t plain = 0;
  int64_t uses[2] = {0, 0};
};

TemplatePlan PlanTemplate(const WCHAR* pattern, const Markers& markers) {
  TemplatePlan plan;
  const WCHAR* scan = pattern;
  while (*scan) {
    const int found = markers.At(scan);
    if (found < 0) {
      ++plan.plain;
      ++scan;
      continue;
    }
    if (plan.found < static_cast<int>(std::size(plan.hits))) plan.hits[plan.found++] = {scan - pattern, found};
    else plan.more = true;
    ++plan.uses[found];
    scan += markers.length[found];
  }
  plan.length = scan - pattern;
  return plan;
}

// The plans of the last templates filled, known again by their texts and
// markers: a page build fills the same two templates for each of a million links.
struct KnownPlan {
  static constexpr int64_t kMostUnits = 256, kMostMarker = 16;  // longer ones are looked through each time
  WCHAR pattern[kMostUnits];
  WCHAR marker[2][kMostMarker];
  TemplatePlan plan;
  bool kept = false;

  bool Matches(const WCHAR* text, int64_t length, const Markers& markers) const {
    if (!kept || plan.length != length || std::memcmp(pattern, text, static_cast<size_t>(length) * 2) != 0)
      return false;
    for (int k = 0; k < 2; ++k) {
      const int64_t units = markers.length[k];
      if (units >= kMostMarker || marker[k][units] != 0 ||
          (units && std::memcmp(marker[k], markers.text[k], static_cast<size_t>(units) * 2)))
        return false;
    }
    return true;
  }
};

KnownPlan g_known_plans[2];
int g_next_known_plan = 0;

TemplatePlan PlanOf(const WCHAR* pattern, const Markers& markers) {
  const int64_t length = text_length(pattern);
  for (const KnownPlan& known : g_known_plans) {
    if (known.Matches(pattern, length, markers)) return known.plan;
  }
  const TemplatePlan plan = PlanTemplate(pattern, markers);
  if (length >= KnownPlan::kMostUnits || markers.length[0] >= KnownPlan::kMostMarker ||
      markers.length[1] >= KnownPlan::kMostMarker)
    return plan;
  KnownPlan& known = g_known_plans[g_next_known_plan];
  g_next_known_plan = (g_next_known_plan + 1) % static_cast<int>(std::size(g_known_plans));
  std::memcpy(known.pattern, pattern, static_cast<size_t>(length + 1) * 2);
  for (int k = 0; k < 2; ++k) {
    if (markers.length[k]) std::memcpy(known.marker[k], markers.text[k], static_cast<size_t>(markers.length[k]) * 2);
    known.marker[k][markers.length[k]] = 0;
  }
  known.plan = plan;
  known.kept = true;
  return plan;
}

void PushReference(uint32_t code_point) {
  text_push(TEXT("&#"));
  text_from_int(code_point, text_stack_top());
  text_push(TEXT(";"));
}

// Whether the text of that length is all ASCII; four units at a time, as a page has a million lines.
bool PlainAscii(const WCHAR* text, int64_t length) {
  constexpr uint64_t kAboveAscii = 0xFF80FF80FF80FF80;
  uint64_t any = 0;
  int64_t i = 0;
  for (; length - i >= 4; i += 4) {
    uint64_t units;
    std::memcpy(&units, text + i, sizeof units);
    any |= units;
  }
  for (; i < length; ++i) any |= text[i];
  return (any & kAboveAscii) == 0;
}

}  // namespace

WCHAR* FillTemplate(const WCHAR* pattern, const WCHAR* marker1, TextPiece value1, const WCHAR* marker2,
                    TextPiece value2, int32_t offset) {
  Markers markers(marker1, value1, marker2, value2);
  // Room for the longest the line can be, so it is written in one reservation.
  const TemplatePlan plan = PlanOf(pattern, markers);
  int64_t room = plan.plain;
  for (int k = 0; k < 2; ++k) room += plan.uses[k] * kLongestEscape * markers.value[k].length;
  // The stack's offsets are 32-bit: a line it cannot hold ends the program, as the stack itself does.
  if (room > INT32_MAX / 2) std::abort();
  // The pieces may lie on the stack, which the reservation may move: they are found again by their offsets.
  const int32_t pattern_at = text_stack_offset_of(pattern);
  int32_t value_at[2];
  for (int k = 0; k < 2; ++k) value_at[k] = text_stack_offset_of(markers.value[k].text);
  text_stack_cut(offset);
  WCHAR* const line = text_stack_reserve(static_cast<int32_t>(room), offset);
  if (pattern_at) pattern = text_stack_at(pattern_at - 1);
  for (int k = 0; k < 2; ++k) {
    if (value_at[k]) markers.value[k].text = text_stack_at(value_at[k] - 1);
  }
  WCHAR* out = line;
  const WCHAR* run = pattern;
  const auto put = [&](const WCHAR* at, int marker) {
    std::memcpy(out, run, static_cast<size_t>(at - run) * sizeof(WCHAR));
    out = PutEscaped(out + (at - run), markers.value[marker]);
    run = at + markers.length[marker];
  };
  for (int h = 0; h < plan.found; ++h) put(pattern + plan.hits[h].at, plan.hits[h].marker);
  // Behind the kept markers only the end of the pattern is left, or markers beyond those kept.
  for (const WCHAR* next = run; plan.more && *next;) {
    const int found = markers.At(next);
    if (found < 0) {
      ++next;
    } else {
      put(next, found);
      next = run;
    }
  }
  const int64_t rest = plan.length - (run - pattern);
  std::memcpy(out, run, static_cast<size_t>(rest) * sizeof(WCHAR));
  out += rest;
  text_stack_cut(offset + static_cast<int32_t>((out - line) * 2));
  return text_stack_at(offset);
}

WCHAR* PageTextForFile(int32_t offset) {
  const int64_t length = (text_stack_top() - offset) / 2;
  assert(length == text_length(text_stack_at(offset)));
  if (PlainAscii(text_stack_at(offset), length)) return text_stack_at(offset);
  const bool utf8 = file_ansi_is_utf8() != 0;
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
