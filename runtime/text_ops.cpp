// The string operations the application calls: length, comparison, counting,
// fields, finding, replacing and numbers. Null strings read as "".
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/text.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

const WCHAR kEmpty[1] = {0};

const WCHAR* or_empty(const WCHAR* text) { return text ? text : kEmpty; }

// True when the pattern (m units, m >= 1) starts at at. The terminator of at
// differs from every pattern unit, so no unit behind the string is read.
bool matches_at(const WCHAR* at, const WCHAR* pattern, int64_t m) {
  for (int64_t k = 0; k < m; ++k) {
    if (at[k] != pattern[k]) return false;
  }
  return true;
}

// The first unit at or after p that is `unit` or the terminator. Counting,
// splitting and replacing look for a delimiter through every line of a big
// catalogue, so this looks at eight units at a step: in aligned 16-byte
// blocks, which never reach into another page, as lstrlenW does; the address
// sanitizer, which would count the units behind the terminator as read, is told so.
#if defined(__SSE2__) && defined(__GNUC__)
__attribute__((no_sanitize_address)) const WCHAR* unit_or_end(const WCHAR* p, WCHAR unit) {
  while (reinterpret_cast<uintptr_t>(p) & 15) {
    if (*p == unit || !*p) return p;
    ++p;
  }
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
  const __m128i zero = _mm_setzero_si128();
  for (;; p += 8) {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, wanted), _mm_cmpeq_epi16(units, zero)));
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
  }
}
#else
const WCHAR* unit_or_end(const WCHAR* p, WCHAR unit) {
  while (*p && *p != unit) ++p;
  return p;
}
#endif

// The next occurrence of the pattern at or after from, or null.
const WCHAR* next_match(const WCHAR* from, const WCHAR* pattern, int64_t m) {
  const WCHAR first = pattern[0];
  for (const WCHAR* p = unit_or_end(from, first); *p; p = unit_or_end(p + 1, first)) {
    if (matches_at(p, pattern, m)) return p;
  }
  return nullptr;
}

// The platform measures texts fastest.
const WCHAR* end_of(const WCHAR* text) { return text + lstrlenW(text); }

// True when the pointer lies anywhere in the stack block, which may move
// as soon as room is reserved.
bool in_stack_block(const void* pointer) {
  auto p = reinterpret_cast<uintptr_t>(pointer);
  auto base = reinterpret_cast<uintptr_t>(text_stack_base());
  return base && p >= base && p < base + static_cast<uintptr_t>(text_stack_capacity()) + 10;
}

// Single-unit lower-casing, remembered per unit (0 = not asked yet: no unit
// other than 0 lowers to 0), so a search over many lines asks the platform
// once per distinct unit.
WCHAR g_lower[65536];

inline WCHAR lower(WCHAR c) {
  // ASCII, most of any text, lowers by arithmetic (the platform agrees: A to Z are its only capitals there).
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c;
  WCHAR& known = g_lower[static_cast<uint16_t>(c)];
  if (!known && c)
    known = static_cast<WCHAR>(reinterpret_cast<UINT_PTR>(
        CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(static_cast<uint16_t>(c))))));
  return known;
}

// Whether the pattern, ignoring case, begins at at (which holds at least its length).
bool matches_ignoring_case(const WCHAR* at, const WCHAR* pattern) {
  for (int64_t k = 0; pattern[k]; ++k) {
    if (at[k] != pattern[k] && lower(at[k]) != lower(pattern[k])) return false;
  }
  return true;
}

// Searching a million lines for a text is a find per line, so the units that
// may begin a match are picked out eight at a step where the processor allows.
int64_t find_ignoring_case(const WCHAR* from, const WCHAR* pattern) {
  const int64_t length = end_of(from) - from;
  const int64_t last = length - (end_of(pattern) - pattern);  // the last place a match can begin
  const WCHAR first = lower(pattern[0]);
  // The units that can begin a match: the first unit lowered, its capital
  // when it is an ASCII letter, and whatever beyond ASCII lowers to it.
  const WCHAR capital = first >= u'a' && first <= u'z' ? static_cast<WCHAR>(first - 32) : first;
  int64_t i = 0;
#ifdef __SSE2__
  const __m128i lowered = _mm_set1_epi16(static_cast<short>(first));
  const __m128i capitals = _mm_set1_epi16(static_cast<short>(capital));
  const __m128i beyond_ascii = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 8 <= last + 1; i += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(units, beyond_ascii), zero);
    const __m128i maybe = _mm_or_si128(_mm_cmpeq_epi16(units, lowered), _mm_cmpeq_epi16(units, capitals));
    // Two mask bits a unit; each candidate is tried in order.
    for (unsigned mask = static_cast<unsigned>(
             _mm_movemask_epi8(_mm_or_si128(maybe, _mm_andnot_si128(ascii, _mm_cmpeq_epi16(zero, zero)))));
         mask != 0; mask &= mask - 1, mask &= mask - 1) {
      const int64_t at = i + __builtin_ctz(mask) / 2;
      if (matches_ignoring_case(from + at, pattern)) return at;
    }
  }
#endif
  for (; i <= last; ++i) {
    const WCHAR c = from[i];
    if (c != first && c != capital && (c < 0x80 || lower(c) != first)) continue;
    if (matches_ignoring_case(from + i, pattern)) return i;
  }
  return -1;
}

}  // namespace

int64_t text_length(const WCHAR* text) { return text ? end_of(text) - text : 0; }

int text_equal(const WCHAR* a, const WCHAR* b) {
  a = or_empty(a);
  b = or_empty(b);
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b ? 1 : 0;
}

int text_compare(const WCHAR* a, const WCHAR* b, int mode) {
  a = or_empty(a);
  b = or_empty(b);
  const bool fold = (mode & TEXT_IGNORE_CASE) != 0;
  for (; *a || *b; ++a, ++b) {
    if (*a == *b) continue;
    const WCHAR x = fold ? lower(*a) : *a, y = fold ? lower(*b) : *b;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

int64_t text_count(const WCHAR* text, const WCHAR* pattern) {
  int64_t m = text_length(pattern);
  if (!text || m == 0) return 0;
  int64_t count = 0;
  for (const WCHAR* p = next_match(text, pattern, m); p; p = next_match(p + m, pattern, m)) ++count;
  return count;
}

WCHAR* text_field(const WCHAR* text, int32_t index, const WCHAR* delimiter, int32_t offset) {
  if (index < 1) return text_stack_at(text_stack_cut(offset));
  text = or_empty(text);
  int64_t m = text_length(delimiter);
  const WCHAR* start = text;
  const WCHAR* stop = nullptr;
  if (m == 0) {
    if (index > 1) return text_stack_at(text_stack_cut(offset));
    stop = end_of(text);
  } else {
    for (int32_t k = 1; k < index; ++k) {
      const WCHAR* found = next_match(start, delimiter, m);
      if (!found) return text_stack_at(text_stack_cut(offset));
      start = found + m;
    }
    stop = next_match(start, delimiter, m);
    if (!stop) stop = end_of(start);
  }
  // The field may lie on the stack, even over the offset: text_stack_put
  // finds it again after the reservation and moves it as one overlapping copy.
  return text_stack_put(start, stop - start, offset);
}

int64_t text_find(const WCHAR* text, const WCHAR* pattern, int64_t start, int mode) {
  if (!text || !*text || !pattern || !*pattern) return 0;
  const WCHAR* from = text;
  for (int64_t skip = start > 1 ? start - 1 : 0; skip > 0; --skip, ++from) {
    if (!*from) return 0;  // a start beyond the length finds nothing
  }
  if (mode & TEXT_IGNORE_CASE) {
    int64_t at = find_ignoring_case(from, pattern);
    return at < 0 ? 0 : (from - text) + at + 1;
  }
  const WCHAR* found = next_match(from, pattern, text_length(pattern));
  return found ? found - text + 1 : 0;
}

const WCHAR* text_next(const WCHAR* from, const WCHAR* pattern, int64_t pattern_units) {
  assert(from && pattern && pattern_units > 0 && pattern_units == text_length(pattern));
  return next_match(from, pattern, pattern_units);
}

WCHAR* text_replace(const WCHAR* text, const WCHAR* pattern, const WCHAR* replacement, int32_t offset) {
  text = or_empty(text);
  pattern = or_empty(pattern);
  replacement = or_empty(replacement);
  int64_t m = text_length(pattern);
  int64_t count = text_count(text, pattern);
  // Nothing to replace: one copy, which text_stack_put makes safe for a text
  // that lies on the stack.
  if (count == 0) return text_stack_put(text, text_length(text), offset);

  // The result is written over the stack from the offset on, and the stack may
  // move: arguments that lie on it are copied aside first.
  TextVar aside[3] = {nullptr, nullptr, nullptr};
  const WCHAR** arguments[3] = {&text, &pattern, &replacement};
  for (int i = 0; i < 3; ++i) {
    if (in_stack_block(*arguments[i])) {
      text_new_copy(&aside[i], *arguments[i]);
      *arguments[i] = aside[i];
    }
  }
  int64_t n = text_length(text);
  int64_t r = text_length(replacement);
  int64_t units = n + count * (r - m);
  if (units > INT32_MAX / 2) std::abort();  // cannot fit a 2 GB stack

  WCHAR* out = text_stack_reserve(static_cast<int32_t>(units), offset);
  const WCHAR* from = text;
  for (const WCHAR* found = next_match(from, pattern, m); found; found = next_match(from, pattern, m)) {
    std::memcpy(out, from, static_cast<size_t>(found - from) * sizeof(WCHAR));
    out += found - from;
    std::memcpy(out, replacement, static_cast<size_t>(r) * sizeof(WCHAR));
    out += r;
    from = found + m;
  }
  const WCHAR* end = text + n;
  std::memcpy(out, from, static_cast<size_t>(end - from) * sizeof(WCHAR));
  out[end - from] = 0;
  for (TextVar copy : aside) text_free(copy);
  return text_stack_at(offset);
}

WCHAR* text_from_int(int64_t value, int32_t offset) {
  constexpr int32_t kRoom = 64;
  WCHAR* out = text_stack_reserve(kRoom, offset);
  WCHAR digits[24];
  int count = 0;
  // The magnitude as unsigned, so the most negative value has one too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[count++] = static_cast<WCHAR>(TEXT('0') + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int32_t written = 0;
  if (value < 0) out[written++] = TEXT('-');
  while (count) out[written++] = digits[--count];
  out[written] = 0;
  text_stack_release(kRoom - written);
  return out;
}

int64_t text_to_int(const WCHAR* text) {
  if (!text) return 0;
  while (*text == TEXT(' ') || *text == TEXT('\t')) ++text;
  bool negative = false;
  if (*text == TEXT('-')) {
    negative = true;
    ++text;
  } else if (*text == TEXT('+')) {
    ++text;
  }
  unsigned base = 10;
  if (*text == TEXT('$')) {
    base = 16;
    ++text;
  } else if (*text == TEXT('%')) {
    base = 2;
    ++text;
  }
  // Unsigned arithmetic: overflow wraps silently, as the format promises.
  uint64_t value = 0;
  for (;; ++text) {
    unsigned c = static_cast<uint16_t>(*text);
    unsigned digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return static_cast<int64_t>(negative ? 0 - value : value);
}
