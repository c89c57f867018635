// UTF-8 to UTF-16 as the harnesses expect it, written from the table of
// well-formed byte sequences: an ill-formed sequence becomes one U+FFFD for
// each maximal subpart (a lead byte and the continuation bytes that still fit
// it), and a byte that can start nothing becomes one U+FFFD on its own.
#pragma once

#include <string>

namespace fuzz {

inline std::u16string utf8_model(const std::string& bytes) {
  struct Lead {
    unsigned char first, last;              // lead bytes of this row
    int length;                             // bytes in the sequence
    unsigned char second_low, second_high;  // allowed second byte
  };
  static const Lead rows[] = {
      {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
      {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
      {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
  };
  std::u16string out;
  size_t i = 0;
  while (i < bytes.size()) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    const Lead* row = nullptr;
    for (const Lead& r : rows)
      if (b >= r.first && b <= r.last) row = &r;
    if (!row) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    char32_t code = b & (0xFF >> (row->length + 1));
    int taken = 1;
    while (taken < row->length && i + taken < bytes.size()) {
      auto c = static_cast<unsigned char>(bytes[i + taken]);
      unsigned char low = taken == 1 ? row->second_low : 0x80, high = taken == 1 ? row->second_high : 0xBF;
      if (c < low || c > high) break;
      code = code << 6 | (c & 0x3F);
      ++taken;
    }
    i += taken;
    if (taken < row->length) {
      out += u'\uFFFD';
    } else if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

}  // namespace fuzz
