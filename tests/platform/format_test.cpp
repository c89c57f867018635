#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <string>

#include "common/test_text.h"
#include "platform/win32.h"

namespace {

// Formats into a roomy buffer and returns the text, checking the returned length against it.
std::string format(const WCHAR* pattern, ...) {
  WCHAR buffer[256];
  va_list args;
  va_start(args, pattern);
  int n = _vsnwprintf(buffer, 256, pattern, args);
  va_end(args);
  EXPECT_GE(n, 0);
  if (n < 0) return "<too long>";
  EXPECT_EQ(0, buffer[n]);
  return u8(buffer, static_cast<size_t>(n));
}

}  // namespace

TEST(Format, NamesTheLibraryBuilds) {
  EXPECT_EQ("5:-1:123456789012345:0", format(TEXT("%d:%I64d:%I64d:%I64d"), 5, static_cast<LONGLONG>(-1),
                                             static_cast<LONGLONG>(123456789012345LL), static_cast<LONGLONG>(0)));
  EXPECT_EQ("-1:-1:-1:-1", format(TEXT("%d:%I64d:%I64d:%I64d"), -1, static_cast<LONGLONG>(-1),
                                  static_cast<LONGLONG>(-1), static_cast<LONGLONG>(-1)));
  EXPECT_EQ("WindowClass_-9223372036854775808", format(TEXT("WindowClass_%I64d"), static_cast<LONGLONG>(LLONG_MIN)));
  EXPECT_EQ("WindowClass_9223372036854775807", format(TEXT("WindowClass_%I64d"), static_cast<LONGLONG>(LLONG_MAX)));
  EXPECT_EQ("KT_GadgetStack_5368709120", format(TEXT("KT_GadgetStack_%I64i"), static_cast<LONGLONG>(0x140000000LL)));
  EXPECT_EQ("18446744073709551615 ffffffffffffffff FFFFFFFFFFFFFFFF",
            format(TEXT("%I64u %I64x %I64X"), ~0ULL, ~0ULL, ~0ULL));
  EXPECT_EQ("-5 7", format(TEXT("%lld %I32d"), -5LL, 7));
}

TEST(Format, IntegersWithFlagsWidthAndPrecision) {
  EXPECT_EQ("[   42][42   ][00042][+42][ 42][042]",
            format(TEXT("[%5d][%-5d][%05d][%+d][% d][%.3d]"), 42, 42, 42, 42, 42, 42));
  EXPECT_EQ("[-0042][  -42][-042][+0042]", format(TEXT("[%05d][%5d][%.3d][%+05d]"), -42, -42, -42, 42));
  EXPECT_EQ("[42   ][]", format(TEXT("[%-05d][%.0d]"), 42, 0));
  EXPECT_EQ("-2147483648 2147483647", format(TEXT("%d %i"), INT_MIN, INT_MAX));
  EXPECT_EQ("4294967295 ffffffff FFFFFFFF 37777777777", format(TEXT("%u %x %X %o"), -1, -1, -1, -1));
  EXPECT_EQ("0xff 0XFF 0 017 0", format(TEXT("%#x %#X %#x %#o %#o"), 255, 255, 0, 15, 0));
  EXPECT_EQ("0x00ff", format(TEXT("%#06x"), 255));
  // h narrows to 16 bits; l is 32 bits, as LONG.
  EXPECT_EQ("1 -1 65535", format(TEXT("%hd %hd %hu"), 65537, 65535, -1));
  EXPECT_EQ("-7 4294967289", format(TEXT("%ld %lu"), static_cast<LONG>(-7), static_cast<ULONG>(-7)));
  // Width and precision from the arguments; a negative width means left-aligned.
  EXPECT_EQ("[    7][7    ][00007]", format(TEXT("[%*d][%*d][%.*d]"), 5, 7, -5, 7, 5, 7));
  EXPECT_EQ("000000001234ABCD", format(TEXT("%p"), reinterpret_cast<void*>(static_cast<ULONG_PTR>(0x1234ABCD))));
  EXPECT_EQ("100% sure", format(TEXT("%d%% sure"), 100));
}

TEST(Format, TextAndCharacters) {
  const WCHAR* null_wide = nullptr;
  const char* null_narrow = nullptr;
  EXPECT_EQ("Grüße, Welt", format(TEXT("%s, %ls"), TEXT("Grüße"), TEXT("Welt")));
  EXPECT_EQ("bytes", format(TEXT("%hs"), "bytes"));
  EXPECT_EQ("[   ab][ab   ][abc]", format(TEXT("[%5s][%-5s][%.3s]"), TEXT("ab"), TEXT("ab"), TEXT("abcdef")));
  EXPECT_EQ("[  xy][xyz]", format(TEXT("[%4hs][%.3hs]"), "xy", "xyzzy"));
  EXPECT_EQ("(null) (null)", format(TEXT("%s %hs"), null_wide, null_narrow));
  EXPECT_EQ("Z\u20AC q", format(TEXT("%c%c %hc"), TEXT('Z'), 0x20AC, 'q'));
  EXPECT_EQ("[  Z][Z  ]", format(TEXT("[%3c][%-3c]"), TEXT('Z'), TEXT('Z')));
  EXPECT_EQ("", format(TEXT("")));
}

TEST(Format, ResultAndTruncation) {
  WCHAR buffer[12];
  auto reset = [&] {
    for (WCHAR& c : buffer) c = '#';
  };

  // Fits with its terminator: the length, terminated.
  reset();
  EXPECT_EQ(7, _snwprintf(buffer, 8, TEXT("abc%dxyz"), 9));
  EXPECT_EQ("abc9xyz", u8(buffer));
  EXPECT_EQ('#', buffer[8]);

  // Exactly count units: all written, no terminator, count returned.
  reset();
  EXPECT_EQ(8, _snwprintf(buffer, 8, TEXT("abc%dwxyz"), 9));
  EXPECT_EQ("abc9wxyz", u8(buffer, 8));
  EXPECT_EQ('#', buffer[8]);

  // Longer: count units written, no terminator, -1; nothing beyond count is touched.
  reset();
  EXPECT_EQ(-1, _snwprintf(buffer, 8, TEXT("%s-%I64d"), TEXT("abcdef"), static_cast<LONGLONG>(123456)));
  EXPECT_EQ("abcdef-1", u8(buffer, 8));
  EXPECT_EQ('#', buffer[8]);
  reset();
  EXPECT_EQ(-1, _snwprintf(buffer, 4, TEXT("%20d"), 1));
  EXPECT_EQ("    ", u8(buffer, 4));
  EXPECT_EQ('#', buffer[4]);

  // A count of zero writes nothing.
  reset();
  EXPECT_EQ(-1, _snwprintf(buffer, 0, TEXT("x")));
  EXPECT_EQ('#', buffer[0]);
  EXPECT_EQ(0, _snwprintf(buffer, 0, TEXT("")));
  EXPECT_EQ('#', buffer[0]);

  // Formatting starts at the buffer's start every time.
  reset();
  EXPECT_EQ(1, _snwprintf(buffer, 12, TEXT("%d"), 5));
  EXPECT_EQ(2, _snwprintf(buffer, 12, TEXT("%d"), 10));
  EXPECT_EQ("10", u8(buffer));
}

#ifndef _WIN32
TEST(FormatLinux, PrecisionTurnsZeroPaddingOff) {
  // As the runtime documents it; Wine's runtime pads with zeros regardless.
  EXPECT_EQ("[  042][    -042][  0x0ff]", format(TEXT("[%05.3d][%08.3d][%#07.3x]"), 42, -42, 255));
}
#endif
