// Conversions from 8-bit text onto the stack, and wide formatting.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "common/test_text.h"
#include "runtime/text.h"

namespace {

class TextConvert : public ::testing::Test {
 protected:
  void SetUp() override { text_heap_init(); }
  void TearDown() override { text_heap_end(); }
};

// The top must sit right behind the converted text, at its zero unit.
void expect_top_behind(int32_t offset) {
  int64_t units = text_length(text_stack_at(offset));
  EXPECT_EQ(text_stack_top(), offset + 2 * units);
}

TEST_F(TextConvert, FromUtf8) {
  EXPECT_EQ(u8(text_from_utf8(nullptr, 0)), "");
  EXPECT_EQ(text_stack_top(), 0);
  EXPECT_EQ(u8(text_from_utf8("", 0)), "");
  EXPECT_EQ(text_stack_top(), 0);

  const char* mixed = "Menü[]€ 5[]\xF0\x9F\x98\x80";
  WCHAR* text = text_from_utf8(mixed, 0);
  EXPECT_EQ(u8(text), mixed);
  EXPECT_EQ(text_length(text), 13);  // the emoji is two units
  expect_top_behind(0);

  // Appended to what is already there.
  int32_t saved = text_stack_top();
  text_push(TEXT(" | "));
  text_from_utf8("größer", text_stack_top());
  EXPECT_EQ(u8(text_stack_at(saved)), " | größer");
  expect_top_behind(saved);

  // Malformed input comes back as the converter decodes it, never as garbage on the stack.
  text_stack_cut(0);
  WCHAR* bad = text_from_utf8("a\xC3(b\xFF", 0);
  EXPECT_EQ(bad[0], TEXT('a'));
  expect_top_behind(0);
  int expected = MultiByteToWideChar(CP_UTF8, 0, "a\xC3(b\xFF", -1, nullptr, 0);
  EXPECT_EQ(text_length(bad), expected - 1);
}

TEST_F(TextConvert, FromUtf8LongInputGrowsTheStack) {
  std::string long_text;
  for (int i = 0; i < 30000; ++i) long_text += (i % 3 == 0) ? "\xC3\xA9" : "x";
  int32_t saved = text_stack_top();
  text_push(TEXT("<"));
  WCHAR* text = text_from_utf8(long_text.c_str(), text_stack_top());
  EXPECT_EQ(text_length(text), 30000);
  EXPECT_EQ(u8(text_stack_at(saved)), "<" + long_text);
  expect_top_behind(saved);
}

TEST_F(TextConvert, BytesLyingOnTheStack) {
  // 8-bit input stored in the stack block and decoded over itself: the wide
  // result would overtake the bytes not yet read.
  const char* bytes = "hello wörld, hello wörld";
  size_t size = std::strlen(bytes) + 1;
  char* on_stack = reinterpret_cast<char*>(text_stack_reserve(static_cast<int32_t>(size), 0));
  std::memcpy(on_stack, bytes, size);
  EXPECT_EQ(u8(text_from_utf8(on_stack, 0)), bytes);
  expect_top_behind(0);

  on_stack = reinterpret_cast<char*>(text_stack_reserve(static_cast<int32_t>(size), 0));
  std::memcpy(on_stack, "plain ascii text", 17);
  EXPECT_EQ(u8(text_from_ansi(on_stack, 0)), "plain ascii text");
  expect_top_behind(0);
}

TEST_F(TextConvert, FromAnsi) {
  EXPECT_EQ(u8(text_from_ansi(nullptr, 0)), "");
  EXPECT_EQ(text_stack_top(), 0);
  EXPECT_EQ(u8(text_from_ansi("", 0)), "");
  EXPECT_EQ(text_stack_top(), 0);
  EXPECT_EQ(u8(text_from_ansi("Links[]Title[]", 0)), "Links[]Title[]");
  expect_top_behind(0);

  // Bytes above 127 decode as the active code page says.
  const char* high = "caf\xE9 \x80";
  WCHAR expected[16] = {};
  int units = MultiByteToWideChar(CP_ACP, 0, high, 6, expected, 16);
  ASSERT_GT(units, 0);
  int32_t saved = text_stack_top();
  WCHAR* text = text_from_ansi(high, saved);
  EXPECT_EQ(text_length(text), units);
  EXPECT_EQ(std::memcmp(text, expected, static_cast<size_t>(units) * 2), 0);
  expect_top_behind(saved);
}

TEST_F(TextConvert, Format) {
  WCHAR buffer[128];
  EXPECT_EQ(text_format(buffer, TEXT("KT_GadgetStack_%I64i"), static_cast<int64_t>(INT64_MIN)), 35);
  EXPECT_EQ(u8(buffer), "KT_GadgetStack_-9223372036854775808");
  EXPECT_EQ(text_format(buffer, TEXT("WindowClass_%I64d"), static_cast<int64_t>(7)), 13);
  EXPECT_EQ(u8(buffer), "WindowClass_7");
  EXPECT_EQ(text_format(buffer, TEXT("%s=%d"), TEXT("width"), -12), 9);
  EXPECT_EQ(u8(buffer), "width=-12");
  EXPECT_EQ(text_format(buffer, TEXT("")), 0);
  EXPECT_EQ(u8(buffer), "");
  buffer[0] = TEXT('x');
  EXPECT_EQ(text_format(buffer, nullptr), 0);
  EXPECT_EQ(u8(buffer), "");
}

}  // namespace
