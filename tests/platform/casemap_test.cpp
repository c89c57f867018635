#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <locale.h>
#include <wctype.h>

#include "common/last_page.h"
#endif

namespace {

// The one-character form: a "pointer" whose high word is zero carries the character.
LPWSTR as_pointer(WCHAR c) { return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)); }
WCHAR as_char(LPWSTR p) { return static_cast<WCHAR>(LOWORD(reinterpret_cast<ULONG_PTR>(p))); }
WCHAR lower(WCHAR c) { return as_char(CharLowerW(as_pointer(c))); }
WCHAR upper(WCHAR c) { return as_char(CharUpperW(as_pointer(c))); }

}  // namespace

TEST(Casemap, TextIsConvertedInPlace) {
  WCHAR text[] = TEXT("Hello, W\u00D6RLD 42! \u00C0\u00E9\u00FF \u03A3\u0391\u03C3 ")
      TEXT("\u041F\u0440\u0438\u0432\u0435\u0442 \uFF21\uFF42");
  EXPECT_EQ(text, CharLowerW(text));
  EXPECT_EQ("hello, wörld 42! àéÿ σασ привет ａｂ", u8(text));
  EXPECT_EQ(text, CharUpperW(text));
  EXPECT_EQ("HELLO, WÖRLD 42! ÀÉŸ ΣΑΣ ПРИВЕТ ＡＢ", u8(text));

  // Only up to the terminator.
  WCHAR buffer[] = {'A', 'B', 0, 'C', 0};
  CharLowerW(buffer);
  EXPECT_EQ('a', buffer[0]);
  EXPECT_EQ('b', buffer[1]);
  EXPECT_EQ('C', buffer[3]);
  WCHAR empty[] = {0};
  EXPECT_EQ(empty, CharUpperW(empty));
  EXPECT_EQ(0, empty[0]);
}

TEST(Casemap, SingleCharacterForm) {
  EXPECT_EQ('a', lower('A'));
  EXPECT_EQ('z', lower('z'));
  EXPECT_EQ('Z', upper('z'));
  EXPECT_EQ('1', upper('1'));
  EXPECT_EQ(0x00E0, lower(0x00C0));  // À
  EXPECT_EQ(0x0178, upper(0x00FF));  // ÿ -> Ÿ, outside Latin-1
  EXPECT_EQ(0x00FF, lower(0x0178));
  EXPECT_EQ(0x0101, lower(0x0100));  // alternating capital/small pairs
  EXPECT_EQ(0x0100, upper(0x0101));
  EXPECT_EQ(0x0101, lower(0x0101));  // the small letter of a pair stays
  EXPECT_EQ(0x0100, upper(0x0100));
  EXPECT_EQ(0x017E, lower(0x017D));
  EXPECT_EQ(0x03C3, lower(0x03A3));  // Σ -> σ
  EXPECT_EQ(0x0451, lower(0x0401));  // Ё -> ё
  EXPECT_EQ(0x042F, upper(0x044F));  // я -> Я
  EXPECT_EQ(0x0561, lower(0x0531));  // Armenian
  EXPECT_EQ(0xFF3A, upper(0xFF5A));  // full-width z
  EXPECT_EQ(0x00DF, upper(0x00DF));  // ß has no one-character capital
  EXPECT_EQ(0x4E00, upper(0x4E00));
  EXPECT_EQ(0, lower(0));
}

TEST(Casemap, StringLength) {
  EXPECT_EQ(0, lstrlenW(nullptr));
  EXPECT_EQ(0, lstrlenW(TEXT("")));
  EXPECT_EQ(5, lstrlenW(TEXT("h\u00E9llo")));
  const WCHAR pair[] = {0xD83D, 0xDE00, 0};
  EXPECT_EQ(2, lstrlenW(pair));  // units, not characters
}

// Long texts at every place relative to the machine's 16-byte blocks, the
// terminator early, late and on a block's edge, and a unit of zero's high byte set.
TEST(Casemap, StringLengthAtEveryAlignment) {
  std::vector<WCHAR> room(128, u'x');
  for (size_t start = 0; start < 16; ++start) {
    for (size_t length = 0; length < 48; ++length) {
      std::fill(room.begin(), room.end(), u'x');
      room[start + length] = 0;
      if (length > 3) room[start + 2] = 0x0100;  // no unit is zero only in its low byte
      ASSERT_EQ(static_cast<int>(length), lstrlenW(room.data() + start)) << start << " " << length;
    }
  }
}

#ifndef _WIN32
// A text that ends at the end of the memory a program may read: nothing behind it is touched.
TEST(CasemapLinux, StringLengthStopsAtTheLastPage) {
  LastPage memory;
  ASSERT_TRUE(memory.ready());
  for (int units = 1; units <= 20; ++units) {
    WCHAR* text = memory.text_at_end(units);
    for (int i = 0; i < units - 1; ++i) text[i] = u'a';
    text[units - 1] = 0;
    EXPECT_EQ(units - 1, lstrlenW(text));
  }
}

// The table's own choices, beyond what Win32 documents.
TEST(CasemapLinux, TableChoices) {
  EXPECT_EQ(0x0069, lower(0x0130));  // İ -> i
  EXPECT_EQ(0x0049, upper(0x0131));  // ı -> I
  EXPECT_EQ(0x03A3, upper(0x03C2));  // final ς -> Σ
  EXPECT_EQ(0x0049, upper(0x0069));  // no Turkish rule
  EXPECT_EQ(0x00DF, lower(0x1E9E));  // ẞ -> ß
  EXPECT_EQ(0x1F88, upper(0x1F80));  // subscript iota keeps one unit
  EXPECT_EQ(0x1FBC, upper(0x1FB3));
  EXPECT_EQ(0x01C6, lower(0x01C5));  // title-case digraph
  EXPECT_EQ(0x01C4, upper(0x01C5));
  EXPECT_EQ(0x039C, upper(0x00B5));  // micro sign
  EXPECT_EQ(0x13A0, upper(0xAB70));  // Cherokee, both ways
  EXPECT_EQ(0xAB70, lower(0x13A0));
  EXPECT_EQ(0x0149, upper(0x0149));    // ŉ stays
  WCHAR pair[] = {0xD801, 0xDC28, 0};  // U+10428: surrogates are units on their own
  CharUpperW(pair);
  EXPECT_EQ(0xD801, pair[0]);
  EXPECT_EQ(0xDC28, pair[1]);
}

// Checks the tables and their lookup against the C library's simple case
// mappings: every mapping made agrees with it, and none is missing in the
// scripts whose case pairs Unicode no longer changes (up to Armenian).
TEST(CasemapLinux, AgreesWithTheCLibrary) {
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (!utf8) GTEST_SKIP() << "no C.UTF-8 locale";
  int mapped = 0;
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    WCHAR unit = static_cast<WCHAR>(c);
    unsigned ours_lower = lower(unit), ours_upper = upper(unit);
    unsigned libc_lower = towlower_l(c, utf8), libc_upper = towupper_l(c, utf8);
    if (ours_lower != c || c < 0x0590) {
      EXPECT_EQ(libc_lower, ours_lower) << std::hex << c;
    }
    if (ours_upper != c || c < 0x0590) {
      EXPECT_EQ(libc_upper, ours_upper) << std::hex << c;
    }
    mapped += (ours_lower != c) + (ours_upper != c);
  }
  freelocale(utf8);
  EXPECT_GT(mapped, 2000);
}
#endif
