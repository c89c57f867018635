// The string heap, the temporary stack and string variables.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/test_text.h"
#include "runtime/text.h"

namespace {

class TextStack : public ::testing::Test {
 protected:
  void SetUp() override { text_heap_init(); }
  void TearDown() override { text_heap_end(); }
};

SIZE_T block_size(const void* block) { return HeapSize(text_heap(), 0, block); }

// n units of a repeating alphabet, so misplaced copies show.
std::vector<WCHAR> pattern_text(size_t n) {
  std::vector<WCHAR> text(n + 1);
  for (size_t i = 0; i < n; ++i) text[i] = static_cast<WCHAR>(TEXT('a') + i % 26);
  text[n] = 0;
  return text;
}

TEST_F(TextStack, StartsWithSixteenBytesAndGrowsByTheRule) {
  ASSERT_NE(text_heap(), nullptr);
  ASSERT_NE(text_stack_base(), nullptr);
  EXPECT_EQ(text_stack_top(), 0);
  EXPECT_EQ(text_stack_capacity(), 16);
  EXPECT_EQ(block_size(text_stack_base()), 16u);

  // 5 units: need 10 < 16 - 4, no growth.
  text_stack_reserve(5, 0);
  EXPECT_EQ(text_stack_top(), 10);
  EXPECT_EQ(text_stack_capacity(), 16);
  // Counted from the current top (10), not from the offset: need 10 + 2 = 12 = 16 - 4, so it grows.
  WCHAR* at = text_stack_reserve(1, 0);
  EXPECT_EQ(at, text_stack_base());
  EXPECT_EQ(text_stack_top(), 2);
  EXPECT_EQ(text_stack_capacity(), 12 + 0x4000);
  EXPECT_EQ(block_size(text_stack_base()), static_cast<SIZE_T>(12 + 0x4000 + 10));

  // It never shrinks.
  text_stack_cut(0);
  EXPECT_EQ(text_stack_capacity(), 12 + 0x4000);
  text_stack_reserve(0x1000, 0);
  EXPECT_EQ(text_stack_capacity(), 12 + 0x4000);
  text_stack_release(0x800);
  EXPECT_EQ(text_stack_top(), 0x1000);
  text_stack_release(0x800);
  EXPECT_EQ(text_stack_top(), 0);
}

TEST_F(TextStack, HeapEndsAndStartsAgain) {
  TextVar kept = nullptr;
  text_assign(&kept, TEXT("released with the heap"));
  text_heap_end();
  EXPECT_EQ(text_heap(), nullptr);
  EXPECT_EQ(text_stack_base(), nullptr);
  EXPECT_EQ(text_stack_offset_of(kept), 0);
  text_heap_end();  // twice is harmless
  text_heap_init();
  EXPECT_EQ(text_stack_capacity(), 16);
  EXPECT_EQ(text_stack_top(), 0);
}

TEST_F(TextStack, CutAndOffsetOf) {
  text_push(TEXT("abcdef"));
  EXPECT_EQ(text_stack_cut(4), 4);
  EXPECT_EQ(text_stack_top(), 4);
  EXPECT_EQ(u8(text_stack_at(0)), "ab");
  EXPECT_EQ(u8(text_stack_at(4)), "");

  WCHAR* base = text_stack_base();
  EXPECT_EQ(text_stack_offset_of(base), 1);
  EXPECT_EQ(text_stack_offset_of(base + 1), 3);
  EXPECT_EQ(text_stack_offset_of(base + 2), 5);  // the top itself is on the stack
  EXPECT_EQ(text_stack_offset_of(base + 3), 0);  // beyond the top
  EXPECT_EQ(text_stack_offset_of(nullptr), 0);
  WCHAR local[2] = {0, 0};
  EXPECT_EQ(text_stack_offset_of(local), 0);
  TextVar variable = nullptr;
  text_assign(&variable, TEXT("x"));
  EXPECT_EQ(text_stack_offset_of(variable), 0);
  text_free(variable);
}

TEST_F(TextStack, PushConcatenatesAndNullLeavesTheTop) {
  int32_t saved = text_stack_top();
  text_push(TEXT("Hello, "));
  text_push(nullptr);
  EXPECT_EQ(text_stack_top(), 14);
  EXPECT_EQ(u8(text_stack_at(saved)), "Hello, ");
  text_push(TEXT(""));
  EXPECT_EQ(text_stack_top(), 14);
  text_push(TEXT("wörld"));
  EXPECT_EQ(text_stack_top(), 24);
  EXPECT_EQ(u8(text_stack_at(saved)), "Hello, wörld");
  EXPECT_EQ(text_stack_at(saved)[12], 0);
}

TEST_F(TextStack, PushOfAStackValueSurvivesTheMove) {
  // The value is pushed again while pushing it makes the stack grow: the
  // source must be found again in the moved block.
  std::vector<WCHAR> long_text = pattern_text(20000);
  int32_t saved = text_stack_top();
  text_push(long_text.data());
  int32_t capacity = text_stack_capacity();
  text_push(text_stack_at(saved));
  EXPECT_GT(text_stack_capacity(), capacity);
  EXPECT_EQ(text_stack_top(), saved + 80000);
  const WCHAR* both = text_stack_at(saved);
  EXPECT_EQ(std::memcmp(both, long_text.data(), 40000), 0);
  EXPECT_EQ(std::memcmp(both + 20000, long_text.data(), 40000), 0);
  EXPECT_EQ(both[40000], 0);
}

TEST_F(TextStack, PutStaysInsideTheBlockAtEverySize) {
  // Every count across the first growth edges, written behind a growing
  // top; the sanitizer sees any write past the block.
  std::vector<WCHAR> source = pattern_text(300);
  for (int64_t n = 0; n <= 300; ++n) {
    text_stack_cut(0);
    for (int round = 0; round < 3; ++round) {
      int32_t offset = text_stack_top();
      WCHAR* out = text_stack_put(source.data(), n, offset);
      ASSERT_EQ(text_stack_top(), offset + 2 * n);
      ASSERT_EQ(std::memcmp(out, source.data(), static_cast<size_t>(n) * 2), 0);
      ASSERT_EQ(out[n], 0);
      ASSERT_LT(text_stack_top(), text_stack_capacity() - 4);
      ASSERT_GE(block_size(text_stack_base()), static_cast<SIZE_T>(text_stack_top() + 2));
    }
  }
  // Nonsense counts give the empty text.
  EXPECT_EQ(u8(text_stack_put(nullptr, 5, 0)), "");
  EXPECT_EQ(u8(text_stack_put(source.data(), -3, 0)), "");
  EXPECT_EQ(text_stack_top(), 0);
}

TEST_F(TextStack, ReserveAboveTheTopStaysInsideTheBlock) {
  // An offset above the top is counted from the offset, so what is written
  // there is inside the block.
  WCHAR* at = text_stack_reserve(3, 100);
  EXPECT_EQ(text_stack_top(), 106);
  EXPECT_GT(text_stack_capacity(), 106 + 4);
  at[0] = TEXT('x');
  at[3] = 0;
  EXPECT_EQ(text_stack_cut(2000), 2000);
  EXPECT_EQ(text_stack_top(), 2000);
  EXPECT_GT(text_stack_capacity(), 2000 + 4);
  EXPECT_EQ(*text_stack_at(2000), 0);
}

TEST_F(TextStack, PopIntoAVariable) {
  TextVar variable = nullptr;
  text_push(TEXT("kept"));
  int32_t saved = text_stack_top();
  text_push(TEXT("abc"));
  text_push(TEXT("de"));
  text_pop_into(&variable, saved);
  EXPECT_EQ(u8(variable), "abcde");
  EXPECT_EQ(block_size(variable), 20u);  // 2n + 10
  EXPECT_EQ(text_stack_top(), saved);
  EXPECT_EQ(u8(text_stack_at(0)), "kept");

  // Nothing above the saved offset: the empty text, in a block of its own.
  text_pop_into(&variable, saved);
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(u8(variable), "");
  EXPECT_EQ(block_size(variable), 10u);
  EXPECT_EQ(text_stack_top(), saved);
  text_free(variable);
}

TEST_F(TextStack, AssignFreeAndNewCopy) {
  TextVar variable = nullptr;
  text_assign(&variable, TEXT("first value"));
  EXPECT_EQ(u8(variable), "first value");
  EXPECT_EQ(block_size(variable), 32u);
  text_assign(&variable, TEXT(""));
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(u8(variable), "");
  EXPECT_EQ(block_size(variable), 10u);
  text_assign(&variable, nullptr);
  EXPECT_EQ(variable, nullptr);
  text_assign(&variable, nullptr);
  EXPECT_EQ(variable, nullptr);

  // A variable given (a part of) its own text keeps it.
  text_assign(&variable, TEXT("abcdefghijklmnop"));
  text_assign(&variable, variable);
  EXPECT_EQ(u8(variable), "abcdefghijklmnop");
  text_assign(&variable, variable + 10);
  EXPECT_EQ(u8(variable), "klmnop");
  EXPECT_EQ(block_size(variable), 22u);

  // A stack value goes into a variable without touching the stack.
  text_push(TEXT("from the stack"));
  int32_t top = text_stack_top();
  text_assign(&variable, text_stack_at(0));
  EXPECT_EQ(u8(variable), "from the stack");
  EXPECT_EQ(text_stack_top(), top);
  text_free(variable);
  text_free(nullptr);

  TextVar copy = nullptr;
  text_new_copy(&copy, TEXT("copied"));
  EXPECT_EQ(u8(copy), "copied");
  EXPECT_EQ(block_size(copy), 22u);  // (n + 5) * 2
  TextVar untouched = copy;
  text_new_copy(&untouched, nullptr);
  EXPECT_EQ(untouched, copy);
  text_free(copy);
}

TEST_F(TextStack, HugeTextsGrowTheStackAndPopWhole) {
  const size_t n = 3000000;
  std::vector<WCHAR> big = pattern_text(n);
  text_push(TEXT("<"));
  text_push(big.data());
  text_push(TEXT(">"));
  EXPECT_EQ(text_stack_top(), static_cast<int32_t>(2 * (n + 2)));
  EXPECT_GT(text_stack_capacity(), text_stack_top() + 4);
  TextVar variable = nullptr;
  text_pop_into(&variable, 0);
  EXPECT_EQ(text_length(variable), static_cast<int64_t>(n + 2));
  EXPECT_EQ(variable[0], TEXT('<'));
  EXPECT_EQ(std::memcmp(variable + 1, big.data(), n * 2), 0);
  EXPECT_EQ(variable[n + 1], TEXT('>'));
  text_free(variable);
}

}  // namespace
