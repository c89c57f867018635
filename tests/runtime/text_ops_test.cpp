// The string operations: length, comparison, count, field, find, replace, numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "runtime/text.h"

#ifndef _WIN32
#include "common/last_page.h"
#endif

namespace {

class TextOps : public ::testing::Test {
 protected:
  void SetUp() override { text_heap_init(); }
  void TearDown() override { text_heap_end(); }

  // The field at the current top, read back as UTF-8; the top is put back.
  static std::string field(const WCHAR* text, int32_t index, const WCHAR* delimiter) {
    int32_t saved = text_stack_top();
    std::string result = u8(text_field(text, index, delimiter, saved));
    EXPECT_EQ(text_stack_top(), saved + 2 * static_cast<int32_t>(text_length(text_stack_at(saved))));
    text_stack_cut(saved);
    return result;
  }
  static std::vector<std::string> fields(const WCHAR* text, const WCHAR* delimiter, int32_t count) {
    std::vector<std::string> result;
    for (int32_t index = 1; index <= count; ++index) result.push_back(field(text, index, delimiter));
    return result;
  }
  static std::string replaced(const WCHAR* text, const WCHAR* pattern, const WCHAR* replacement) {
    int32_t saved = text_stack_top();
    std::string result = u8(text_replace(text, pattern, replacement, saved));
    EXPECT_EQ(text_stack_top(), saved + 2 * static_cast<int32_t>(text_length(text_stack_at(saved))));
    text_stack_cut(saved);
    return result;
  }
  static std::string number(int64_t value) {
    int32_t saved = text_stack_top();
    std::string result = u8(text_from_int(value, saved));
    EXPECT_EQ(text_stack_top(), saved + 2 * static_cast<int32_t>(result.size()));
    text_stack_cut(saved);
    return result;
  }
};

// A line of count fields "f1", "f2", ... each followed by "[]", field wide
// units long each (padded with '.').
std::vector<WCHAR> link_fields(int count, size_t wide) {
  std::vector<WCHAR> line;
  for (int i = 1; i <= count; ++i) {
    std::string name = "f" + std::to_string(i);
    name.resize(wide, '.');
    for (char c : name) line.push_back(static_cast<WCHAR>(c));
    line.push_back(TEXT('['));
    line.push_back(TEXT(']'));
  }
  line.push_back(0);
  return line;
}

// Pushes a text as a value of its own (its zero unit kept below the new top); answers its offset.
int32_t push_alone(const WCHAR* text) {
  int32_t offset = text_stack_top();
  text_push(text);
  text_stack_reserve(1, text_stack_top());
  return offset;
}

std::string padded(const std::string& name, size_t wide) {
  std::string text = name;
  text.resize(wide, '.');
  return text;
}

TEST_F(TextOps, LengthAndEqual) {
  EXPECT_EQ(text_length(nullptr), 0);
  EXPECT_EQ(text_length(TEXT("")), 0);
  EXPECT_EQ(text_length(TEXT("a[]b")), 4);
  EXPECT_EQ(text_length(TEXT("\U0001F600x")), 3);  // code units, not characters

  EXPECT_EQ(text_equal(nullptr, TEXT("")), 1);
  EXPECT_EQ(text_equal(TEXT(""), nullptr), 1);
  EXPECT_EQ(text_equal(nullptr, nullptr), 1);
  EXPECT_EQ(text_equal(TEXT("abc"), TEXT("abc")), 1);
  EXPECT_EQ(text_equal(TEXT("abc"), TEXT("ab")), 0);
  EXPECT_EQ(text_equal(TEXT("ab"), TEXT("abc")), 0);
  EXPECT_EQ(text_equal(TEXT("abc"), TEXT("aBc")), 0);
  EXPECT_EQ(text_equal(nullptr, TEXT("a")), 0);
}

TEST_F(TextOps, CountNeverOverlaps) {
  EXPECT_EQ(text_count(TEXT("aaaa"), TEXT("aa")), 2);
  EXPECT_EQ(text_count(TEXT("aaa"), TEXT("aa")), 1);
  EXPECT_EQ(text_count(TEXT("aaaa"), TEXT("")), 0);
  EXPECT_EQ(text_count(TEXT("aaaa"), nullptr), 0);
  EXPECT_EQ(text_count(nullptr, TEXT("a")), 0);
  EXPECT_EQ(text_count(TEXT("Menu[]Title[]http://x[]"), TEXT("[]")), 3);
  EXPECT_EQ(text_count(TEXT("[[]]["), TEXT("[]")), 1);
  EXPECT_EQ(text_count(TEXT("ab"), TEXT("abc")), 0);
  EXPECT_EQ(text_count(TEXT("xAx"), TEXT("a")), 0);
}

TEST_F(TextOps, FieldByIndex) {
  const WCHAR* line = TEXT("a[]b[]c[]");
  EXPECT_EQ(fields(line, TEXT("[]"), 5), (std::vector<std::string>{"a", "b", "c", "", ""}));
  EXPECT_EQ(field(line, 0, TEXT("[]")), "");
  EXPECT_EQ(field(line, -1, TEXT("[]")), "");
  EXPECT_EQ(field(line, INT32_MIN, TEXT("[]")), "");
  EXPECT_EQ(field(line, INT32_MAX, TEXT("[]")), "");

  // Adjacent delimiters give empty fields; a multi-unit delimiter is skipped whole.
  using Fields = std::vector<std::string>;
  EXPECT_EQ(fields(TEXT("x[][]y"), TEXT("[]"), 4), (Fields{"x", "", "y", ""}));
  EXPECT_EQ(fields(TEXT("a[][][]b"), TEXT("[][]"), 3), (Fields{"a", "[]b", ""}));
  EXPECT_EQ(fields(TEXT("ab[c[]d"), TEXT("[]"), 3), (Fields{"ab[c", "d", ""}));
  EXPECT_EQ(fields(TEXT("[]lead"), TEXT("[]"), 2), (Fields{"", "lead"}));
  // One unit: every occurrence separates.
  EXPECT_EQ(fields(TEXT(",x,,y"), TEXT(","), 5), (Fields{"", "x", "", "y", ""}));
  EXPECT_EQ(fields(TEXT("no delimiter here"), TEXT(","), 2), (Fields{"no delimiter here", ""}));
  // No delimiter: the whole string is field 1. Null reads as "".
  EXPECT_EQ(fields(TEXT("a,b"), TEXT(""), 2), (Fields{"a,b", ""}));
  EXPECT_EQ(fields(TEXT("a,b"), nullptr, 2), (Fields{"a,b", ""}));
  EXPECT_EQ(fields(nullptr, TEXT(","), 2), (Fields{"", ""}));

  // The result is a piece of a larger expression: it lands at the offset given.
  int32_t saved = text_stack_top();
  text_push(TEXT("title="));
  text_field(line, 2, TEXT("[]"), text_stack_top());
  text_push(TEXT(";"));
  EXPECT_EQ(u8(text_stack_at(saved)), "title=b;");
}

TEST_F(TextOps, FieldOfAStackValue) {
  // A line longer than the stack has room for; each field is copied from it
  // to the top (the stack must grow and the argument moves with it), or over
  // the line itself (an overlapping move down).
  const size_t wide = 12000;
  std::vector<WCHAR> line = link_fields(3, wide);
  int32_t saved = text_stack_top();
  text_push(line.data());
  int32_t after = text_stack_top();
  for (int k = 1; k <= 3; ++k) {
    int32_t capacity = text_stack_capacity();
    WCHAR* result = text_field(text_stack_at(saved), k, TEXT("[]"), after);
    EXPECT_EQ(u8(result), padded("f" + std::to_string(k), wide));
    EXPECT_EQ(text_stack_top(), after + static_cast<int32_t>(2 * wide));
    if (k == 1) {
      EXPECT_GT(text_stack_capacity(), capacity);
    }
    EXPECT_EQ(std::memcmp(text_stack_at(saved), line.data(), (line.size() - 1) * 2), 0);
    text_stack_cut(after);
  }
  WCHAR* over = text_field(text_stack_at(saved), 3, TEXT("[]"), saved);
  EXPECT_EQ(u8(over), padded("f3", wide));
  EXPECT_EQ(text_stack_top(), saved + static_cast<int32_t>(2 * wide));

  // The delimiter lying on the stack too.
  text_stack_cut(saved);
  push_alone(TEXT("one|two|three"));
  int32_t delimiter = push_alone(TEXT("|"));
  int32_t out = text_stack_top();
  EXPECT_EQ(u8(text_field(text_stack_at(saved), 2, text_stack_at(delimiter), out)), "two");
  // Over an offset inside the argument.
  EXPECT_EQ(u8(text_field(text_stack_at(saved), 3, TEXT("|"), saved + 2)), "three");
  EXPECT_EQ(u8(text_stack_at(saved)), "othree");
}

TEST_F(TextOps, FindWithStartAndCase) {
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 1, 0), 0);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("ll"), 1, 0), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("ll"), 0, 0), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("ll"), -5, 0), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("ll"), INT64_MIN, 0), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("ll"), 4, 0), 0);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("l"), 4, 0), 4);  // positions count from the whole string
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("o"), 5, 0), 5);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("o"), 6, 0), 0);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("o"), INT64_MAX, 0), 0);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("Hello!"), 1, 0), 0);
  EXPECT_EQ(text_find(TEXT("abcab"), TEXT("abc"), 2, 0), 0);
  EXPECT_EQ(text_find(TEXT("aab"), TEXT("ab"), 1, 0), 2);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 1, 2), 0);  // only bit 0 asks to ignore case
  EXPECT_EQ(text_find(nullptr, TEXT("a"), 1, 0), 0);
  EXPECT_EQ(text_find(TEXT(""), TEXT("a"), 1, 0), 0);
  EXPECT_EQ(text_find(TEXT("a"), nullptr, 1, 0), 0);
  EXPECT_EQ(text_find(TEXT("a"), TEXT(""), 1, 1), 0);
}

TEST_F(TextOps, FindIgnoringCase) {
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 1, TEXT_IGNORE_CASE), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 0, 1), 3);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 6, 1), 0);
  EXPECT_EQ(text_find(TEXT("Hello"), TEXT("LL"), 1, 3), 3);
  EXPECT_EQ(text_find(TEXT("HELLO"), TEXT("hello"), 1, 1), 1);
  EXPECT_EQ(text_find(TEXT("xxHeLLo"), TEXT("LLO"), 3, 1), 5);
  EXPECT_EQ(text_find(TEXT("HelLO"), TEXT("LOX"), 1, 1), 0);
  EXPECT_EQ(text_find(TEXT("aAaB"), TEXT("AB"), 1, 1), 3);
  // Beyond ASCII, as the platform lowers single units.
  EXPECT_EQ(text_find(TEXT("Grüße ÄÖÜ"), TEXT("äöü"), 1, 1), 7);
  EXPECT_EQ(text_find(TEXT("Grüße ÄÖÜ"), TEXT("äöü"), 1, 0), 0);
  EXPECT_EQ(text_find(TEXT("[]"), TEXT("[]"), 1, 1), 1);
}

// Delimiters are looked for many units at a step: counting, splitting and
// replacing in long lines must see every one, wherever the line starts and
// wherever its delimiters and its end fall in the machine's 16-byte blocks.
TEST_F(TextOps, CountFieldAndReplaceInLongLinesAtEveryAlignment) {
  const std::u16string line = u"Menu name here[]A link title, a bit long[]https://www.example.org/a/b/c[]rest";
  std::vector<WCHAR> room(line.size() + 32, u'#');
  for (size_t start = 0; start < 16; ++start) {
    std::copy(line.begin(), line.end(), room.begin() + static_cast<std::ptrdiff_t>(start));
    room[start + line.size()] = 0;
    const WCHAR* text = room.data() + start;
    ASSERT_EQ(text_count(text, TEXT("[]")), 3) << start;
    EXPECT_EQ(fields(text, TEXT("[]"), 5), (std::vector<std::string>{"Menu name here", "A link title, a bit long",
                                                                     "https://www.example.org/a/b/c", "rest", ""}))
        << start;
    EXPECT_EQ(replaced(text, TEXT("[]"), TEXT("|")),
              "Menu name here|A link title, a bit long|https://www.example.org/a/b/c|rest");
    EXPECT_EQ(text_count(text, TEXT("t")), 6);
    EXPECT_EQ(text_count(text, TEXT("rest")), 1);
    EXPECT_EQ(text_count(text, TEXT("rest!")), 0);
    EXPECT_EQ(text_find(text, TEXT("rest"), 1, 0), static_cast<int64_t>(line.size()) - 3);
  }
}

#ifndef _WIN32
// A line that ends at the end of the memory a program may read: nothing behind it is touched.
TEST_F(TextOps, CountStopsAtTheLastPage) {
  LastPage memory;
  ASSERT_TRUE(memory.ready());
  for (int units = 1; units <= 20; ++units) {
    WCHAR* text = memory.text_at_end(units);
    for (int i = 0; i < units - 1; ++i) text[i] = i % 3 == 2 ? u']' : i % 3 == 1 ? u'[' : u'a';
    text[units - 1] = 0;
    EXPECT_EQ(text_count(text, TEXT("[]")), (units - 1) / 3) << units;
  }
}
#endif

// Long lines are searched many units at a step: every place a match can
// begin counts, up to the last one, and so do units beyond ASCII that lower
// to the pattern's first unit.
TEST_F(TextOps, FindIgnoringCaseInLongLines) {
  const std::u16string line = u"Menu of links[]A title that goes on and on[]https://www.example.org/some/path[]";
  const auto* text = reinterpret_cast<const WCHAR*>(line.c_str());
  const int64_t length = static_cast<int64_t>(line.size());
  for (int64_t at = 0; at + 3 <= length; ++at) {
    // Every three units of the line, in capitals, are found at their first place.
    std::u16string part = line.substr(static_cast<size_t>(at), 3);
    for (char16_t& c : part) c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    const int64_t first = static_cast<int64_t>(line.find(line.substr(static_cast<size_t>(at), 3))) + 1;
    ASSERT_EQ(text_find(text, reinterpret_cast<const WCHAR*>(part.c_str()), 1, TEXT_IGNORE_CASE), first) << at;
  }
  EXPECT_EQ(text_find(text, TEXT("PATH[]"), 1, 1), length - 5);
  EXPECT_EQ(text_find(text, TEXT("path[]x"), 1, 1), 0);
  EXPECT_EQ(text_find(text, TEXT("wwx"), 1, 1), 0);
  // A unit beyond ASCII that the platform lowers to k (the Kelvin sign, where it does) begins a match for k.
  const bool kelvin_is_k = reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(uintptr_t{0x212A}))) == u'k';
  EXPECT_EQ(text_find(TEXT("0123456789abcdefghij\u212Aey"), TEXT("KEY"), 1, 1), kelvin_is_k ? 21 : 0);
  EXPECT_EQ(text_find(TEXT("0123456789abcdefghijklmnopqrstu\u212Aey"), TEXT("key"), 1, 1), kelvin_is_k ? 32 : 0);
  EXPECT_EQ(text_find(TEXT("\u00C4\u00D6\u00DC\u00C4\u00D6\u00DC\u00C4\u00D6\u00DC\u00C4\u00D6xyz\u00DC"),
                      TEXT("\u00FCxyz"), 1, 1),
            0);
  EXPECT_EQ(text_find(TEXT("\u00C4\u00D6\u00DC\u00C4\u00D6\u00DC\u00C4\u00D6\u00DC\u00C4\u00D6xyz\u00DC"),
                      TEXT("xyz\u00FC"), 1, 1),
            12);
}

TEST_F(TextOps, ReplaceEveryOccurrence) {
  EXPECT_EQ(replaced(TEXT("a+b+c"), TEXT(""), TEXT("x")), "a+b+c");
  EXPECT_EQ(replaced(TEXT("a+b+c"), nullptr, TEXT("x")), "a+b+c");
  EXPECT_EQ(replaced(nullptr, TEXT("a"), TEXT("x")), "");
  EXPECT_EQ(replaced(TEXT("a+b+c"), TEXT("+"), nullptr), "abc");
  EXPECT_EQ(replaced(TEXT("a+b+c"), TEXT("+"), TEXT("")), "abc");
  EXPECT_EQ(replaced(TEXT("aaa"), TEXT("aa"), TEXT("b")), "ba");
  EXPECT_EQ(replaced(TEXT("Abc abc"), TEXT("abc"), TEXT("x")), "Abc x");
  EXPECT_EQ(replaced(TEXT("abc"), TEXT("abcd"), TEXT("x")), "abc");
  EXPECT_EQ(replaced(TEXT("abc"), TEXT("abc"), TEXT("")), "");
  // A three-unit pattern by a longer text: the result grows by the difference per occurrence.
  std::string grown = replaced(TEXT("x&lt;y&lt;&lt;"), TEXT("&lt"), TEXT("<<<<<<<"));
  EXPECT_EQ(grown, "x<<<<<<<;y<<<<<<<;<<<<<<<;");
  EXPECT_EQ(grown.size(), 14u + 3 * (7 - 3));

  // Pieces of a larger expression.
  int32_t saved = text_stack_top();
  text_push(TEXT("["));
  text_replace(TEXT("a b"), TEXT(" "), TEXT("%20"), text_stack_top());
  text_push(TEXT("]"));
  EXPECT_EQ(u8(text_stack_at(saved)), "[a%20b]");
}

TEST_F(TextOps, ReplaceWithArgumentsOnTheStack) {
  // The text, the pattern and the replacement all lie on the stack, and the
  // result is written over them from the text's own offset.
  int32_t text = push_alone(TEXT("a.b.c"));
  int32_t pattern = push_alone(TEXT("."));
  int32_t replacement = push_alone(TEXT("-->"));
  WCHAR* result = text_replace(text_stack_at(text), text_stack_at(pattern), text_stack_at(replacement), text);
  EXPECT_EQ(u8(result), "a-->b-->c");
  EXPECT_EQ(text_stack_top(), text + 18);

  // A stack value longer than the room left, replaced at the top: the stack
  // grows and the argument moves under the operation.
  std::vector<WCHAR> line = link_fields(40, 500);
  text_stack_cut(0);
  text_push(line.data());
  int32_t after = text_stack_top();
  int32_t capacity = text_stack_capacity();
  result = text_replace(text_stack_at(0), TEXT("[]"), TEXT("<br>"), after);
  EXPECT_GT(text_stack_capacity(), capacity);
  std::string expected;
  for (int i = 1; i <= 40; ++i) expected += padded("f" + std::to_string(i), 500) + "<br>";
  EXPECT_EQ(u8(result), expected);
  EXPECT_EQ(std::memcmp(text_stack_at(0), line.data(), (line.size() - 1) * 2), 0);
  // Nothing to replace: copied as it is, over itself.
  result = text_replace(text_stack_at(after), TEXT("none"), TEXT("x"), 0);
  EXPECT_EQ(u8(result), expected);
  EXPECT_EQ(text_stack_top(), static_cast<int32_t>(2 * expected.size()));
}

TEST_F(TextOps, FromInt) {
  EXPECT_EQ(number(0), "0");
  EXPECT_EQ(number(7), "7");
  EXPECT_EQ(number(-1), "-1");
  EXPECT_EQ(number(1000000), "1000000");
  EXPECT_EQ(number(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(number(INT64_MIN), "-9223372036854775808");
  int32_t saved = text_stack_top();
  text_push(TEXT("n="));
  text_from_int(-42, text_stack_top());
  text_push(TEXT("."));
  EXPECT_EQ(u8(text_stack_at(saved)), "n=-42.");
}

TEST_F(TextOps, ToInt) {
  EXPECT_EQ(text_to_int(TEXT("  -$1F")), -31);
  EXPECT_EQ(text_to_int(TEXT("%101x")), 5);
  EXPECT_EQ(text_to_int(TEXT("12abc")), 12);
  EXPECT_EQ(text_to_int(TEXT("abc")), 0);
  EXPECT_EQ(text_to_int(nullptr), 0);
  EXPECT_EQ(text_to_int(TEXT("")), 0);
  EXPECT_EQ(text_to_int(TEXT(" \t+17")), 17);
  EXPECT_EQ(text_to_int(TEXT("\n17")), 0);
  EXPECT_EQ(text_to_int(TEXT("--5")), 0);
  EXPECT_EQ(text_to_int(TEXT("-")), 0);
  EXPECT_EQ(text_to_int(TEXT("$")), 0);
  EXPECT_EQ(text_to_int(TEXT("$fFg")), 255);
  EXPECT_EQ(text_to_int(TEXT("%2")), 0);
  EXPECT_EQ(text_to_int(TEXT("%1102")), 6);
  EXPECT_EQ(text_to_int(TEXT("1 2")), 1);
  EXPECT_EQ(text_to_int(TEXT("- 5")), 0);
  EXPECT_EQ(text_to_int(TEXT("$-1")), 0);
  EXPECT_EQ(text_to_int(TEXT("9223372036854775807")), INT64_MAX);
  EXPECT_EQ(text_to_int(TEXT("-9223372036854775808")), INT64_MIN);
  // Overflow wraps silently in 64 bits.
  EXPECT_EQ(text_to_int(TEXT("9223372036854775808")), INT64_MIN);
  EXPECT_EQ(text_to_int(TEXT("$FFFFFFFFFFFFFFFF")), -1);
  EXPECT_EQ(text_to_int(TEXT("$1FFFFFFFFFFFFFFFF")), -1);
  EXPECT_EQ(text_to_int(TEXT("99999999999999999999")), static_cast<int64_t>(7766279631452241919ull));
  EXPECT_EQ(text_to_int(TEXT("-%11")), -3);
  // Round trip through text_from_int.
  for (int64_t value : {INT64_MIN, int64_t{-123456789}, int64_t{0}, int64_t{42}, INT64_MAX}) {
    int32_t saved = text_stack_top();
    EXPECT_EQ(text_to_int(text_from_int(value, saved)), value);
    text_stack_cut(saved);
  }
}

}  // namespace
