#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/test_text.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <cstdlib>

#include "platform/win32/kernel/codepage.h"
#endif

namespace {

using WideString = std::basic_string<WCHAR>;

// Measures, then converts; the result holds exactly the units the call wrote.
WideString to_wide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  int size = static_cast<int>(bytes.size());
  int needed = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  WideString out(needed, 0);
  if (needed > 0) {
    EXPECT_EQ(needed, MultiByteToWideChar(codePage, flags, bytes.data(), size, out.data(), needed));
  }
  return out;
}

std::string to_bytes(UINT codePage, const WideString& text, DWORD flags = 0, LPCSTR defaultChar = nullptr,
                     LPBOOL usedDefault = nullptr) {
  int size = static_cast<int>(text.size());
  int needed = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, defaultChar, usedDefault);
  std::string out(needed, '\0');
  if (needed > 0) {
    EXPECT_EQ(needed,
              WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), needed, defaultChar, usedDefault));
  }
  return out;
}

// True when every unit is U+FFFD (and there is at least one).
bool all_replacement(const WideString& text) {
  if (text.empty()) return false;
  for (WCHAR c : text)
    if (c != 0xFFFD) return false;
  return true;
}

}  // namespace

TEST(Codepage, Utf8RoundTripsAcrossEveryEncodedLength) {
  // U+007F U+0080 U+07FF U+0800 U+FFFF are the edges of the 1-, 2- and 3-byte forms; then two 4-byte characters.
  const std::string bytes = "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  const WCHAR units[] = {'A', 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x20AC, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF};
  WideString wide = to_wide(CP_UTF8, bytes);
  EXPECT_EQ(WideString(units, sizeof units / sizeof units[0]), wide);
  EXPECT_EQ(bytes, to_bytes(CP_UTF8, wide));

  // -1: the text is zero-terminated, and the terminator is converted and counted.
  WCHAR buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
  EXPECT_EQ(5, MultiByteToWideChar(CP_UTF8, 0, "Gr\xC3\xBC\xC3\x9F", -1, nullptr, 0));
  EXPECT_EQ(5, MultiByteToWideChar(CP_UTF8, 0, "Gr\xC3\xBC\xC3\x9F", -1, buffer, 8));
  EXPECT_EQ("Grüß", u8(buffer));
  EXPECT_EQ('#', buffer[5]);
  char narrow[16];
  memset(narrow, '#', sizeof narrow);
  EXPECT_EQ(7, WideCharToMultiByte(CP_UTF8, 0, TEXT("Grüß"), -1, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(7, WideCharToMultiByte(CP_UTF8, 0, TEXT("Grüß"), -1, narrow, 16, nullptr, nullptr));
  EXPECT_STREQ("Gr\xC3\xBC\xC3\x9F", narrow);
  EXPECT_EQ('#', narrow[7]);

  // An explicit length stops there even before a zero byte, and a zero byte inside is converted.
  EXPECT_EQ(WideString(TEXT("ab")), to_wide(CP_UTF8, std::string("abc", 2)));
  EXPECT_EQ(3u, to_wide(CP_UTF8, std::string("a\0b", 3)).size());
}

TEST(Codepage, SizeAndArgumentContract) {
  WCHAR wide[4];
  char narrow[4];

  // Too small a buffer fails; exactly enough succeeds.
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "hello", 5, wide, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abcd", -1, wide, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 4));
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, TEXT("\u00E9\u00E9"), 2, narrow, 3, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, TEXT("\u00E9\u00E9"), 2, narrow, 4, nullptr, nullptr));
  EXPECT_EQ(0, WideCharToMultiByte(1252, 0, TEXT("hello"), -1, narrow, 4, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  // Null or empty input, a negative output size, an output size without a buffer, in-place conversion.
  struct {
    LPCSTR src;
    int cb;
    LPWSTR dst;
    int cch;
  } bad_mb[] = {{nullptr, 3, wide, 4}, {"abc", 0, wide, 4}, {"abc", 3, wide, -1}, {"abc", 3, nullptr, 4}};
  for (const auto& c : bad_mb) {
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, c.src, c.cb, c.dst, c.cch));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }
  struct {
    LPCWSTR src;
    int cch;
    LPSTR dst;
    int cb;
  } bad_wc[] = {
      {nullptr, 3, narrow, 4}, {TEXT("abc"), 0, narrow, 4}, {TEXT("abc"), 3, narrow, -1}, {TEXT("abc"), 3, nullptr, 4}};
  for (const auto& c : bad_wc) {
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(1252, 0, c.src, c.cch, c.dst, c.cb, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }

  // A code page that does not exist.
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(54321, 0, "abc", 3, wide, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(54321, 0, TEXT("abc"), 3, narrow, 4, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(Codepage, IllFormedUtf8IsReplacedOrRefused) {
  const std::string bad[] = {
      "\x80",              // continuation byte without a lead
      "\xFF",              // never a UTF-8 byte
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong, three bytes
      "\xED\xA0\x80",      // an encoded surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xE2\x82",          // cut short
      "\xF0\x9F\x98",      // cut short
  };
  for (const std::string& middle : bad) {
    SCOPED_TRACE(testing::PrintToString(middle));
    WideString wide = to_wide(CP_UTF8, "A" + middle + "B");
    ASSERT_GE(wide.size(), 3u);
    EXPECT_EQ('A', wide.front());
    EXPECT_EQ('B', wide.back());
    EXPECT_TRUE(all_replacement(wide.substr(1, wide.size() - 2))) << u8(wide.c_str());
    WideString at_end = to_wide(CP_UTF8, "A" + middle);
    EXPECT_TRUE(all_replacement(at_end.substr(1))) << u8(at_end.c_str());

    WCHAR out[16];
    std::string text = "A" + middle + "B";
    for (int capacity : {0, 16}) {
      SetLastError(0);
      EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                       capacity ? out : nullptr, capacity));
      EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
    }
  }
  // Well-formed text passes the strict check.
  EXPECT_EQ(3u, to_wide(CP_UTF8, "\xC3\xA9\xF0\x9F\x98\x80", MB_ERR_INVALID_CHARS).size());
}

TEST(Codepage, LoneSurrogatesInUtf8Output) {
  const WCHAR lone_high[] = {'A', 0xD800, 'B'};
  const WCHAR lone_low[] = {'A', 0xDC00, 'B'};
  const WCHAR reversed[] = {'A', 0xDC00, 0xD800, 'B'};
  EXPECT_EQ(
      "A\xEF\xBF\xBD"
      "B",
      to_bytes(CP_UTF8, WideString(lone_high, 3)));
  EXPECT_EQ(
      "A\xEF\xBF\xBD"
      "B",
      to_bytes(CP_UTF8, WideString(lone_low, 3)));
  EXPECT_EQ(
      "A\xEF\xBF\xBD\xEF\xBF\xBD"
      "B",
      to_bytes(CP_UTF8, WideString(reversed, 4)));
  EXPECT_EQ("A\xEF\xBF\xBD", to_bytes(CP_UTF8, WideString(lone_high, 2)));  // high surrogate at the end

  char out[16];
  for (int capacity : {0, 16}) {
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone_high, 3, capacity ? out : nullptr, capacity,
                                     nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
  }
  const WCHAR pair[] = {0xD83D, 0xDE00};
  EXPECT_EQ("\xF0\x9F\x98\x80", to_bytes(CP_UTF8, WideString(pair, 2), WC_ERR_INVALID_CHARS));
}

TEST(Codepage, Windows1252BothWays) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  WideString wide = to_wide(1252, every_byte);
  ASSERT_EQ(255u, wide.size());
  auto unit = [&](int byte) { return static_cast<unsigned>(wide[byte - 1]); };
  EXPECT_EQ(0x41u, unit(0x41));
  EXPECT_EQ(0x20ACu, unit(0x80));
  EXPECT_EQ(0x201Au, unit(0x82));
  EXPECT_EQ(0x0160u, unit(0x8A));
  EXPECT_EQ(0x2122u, unit(0x99));
  EXPECT_EQ(0x0178u, unit(0x9F));
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(static_cast<unsigned>(undefined), unit(undefined));
  for (int latin1 = 0xA0; latin1 < 0x100; ++latin1) EXPECT_EQ(static_cast<unsigned>(latin1), unit(latin1));

  // Every byte comes back, and no default character was needed.
  BOOL used = TRUE;
  EXPECT_EQ(every_byte, to_bytes(1252, wide, 0, nullptr, &used));
  EXPECT_FALSE(used);

  // Characters the code page lacks become the default character.
  used = FALSE;
  EXPECT_EQ("a?b?", to_bytes(1252, TEXT("a\u4E00b\u3042"), 0, nullptr, &used));
  EXPECT_TRUE(used);
  used = FALSE;
  EXPECT_EQ("a?b?\x80", to_bytes(1252, TEXT("a\u0100b\u4E00\u20AC"), WC_NO_BEST_FIT_CHARS, nullptr, &used));
  EXPECT_TRUE(used);
  EXPECT_EQ("x*y", to_bytes(1252, TEXT("x\u4E00y"), WC_NO_BEST_FIT_CHARS, "*"));
  EXPECT_EQ("x?y", to_bytes(1252, TEXT("x\u4E00y")));  // the default character is optional
}

TEST(Codepage, AnsiCodePageIsTheActiveOne) {
  UINT acp = GetACP();
  EXPECT_EQ(acp, GetACP());
  const std::string bytes = "Caf\xC3\xA9 \x80 z";
  EXPECT_EQ(to_wide(acp, bytes), to_wide(CP_ACP, bytes));
  const WideString text = TEXT("Caf\u00E9 \u20AC \u4E00");
  EXPECT_EQ(to_bytes(acp, text), to_bytes(CP_ACP, text));
  if (acp == 1252) {
    EXPECT_EQ("Caf\xC3\xA9 \x80 z", to_bytes(CP_ACP, to_wide(CP_ACP, bytes)));
  }
  if (acp == CP_UTF8) {
    EXPECT_EQ(WideString(TEXT("Caf\u00E9 \uFFFD z")), to_wide(CP_ACP, bytes));
  }
}

#ifndef _WIN32
namespace {

// Sets locale variables for one test and puts the old ones back.
class LocaleEnvironment {
 public:
  LocaleEnvironment() {
    for (int i = 0; i < 3; ++i) {
      const char* value = getenv(names_[i]);
      had_[i] = value != nullptr;
      if (value) saved_[i] = value;
    }
  }
  ~LocaleEnvironment() {
    for (int i = 0; i < 3; ++i) {
      if (had_[i]) setenv(names_[i], saved_[i].c_str(), 1);
      else unsetenv(names_[i]);
    }
  }
  void set(const char* all, const char* ctype, const char* lang) {
    const char* values[3] = {all, ctype, lang};
    for (int i = 0; i < 3; ++i) {
      if (values[i]) setenv(names_[i], values[i], 1);
      else unsetenv(names_[i]);
    }
  }

 private:
  const char* names_[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
  bool had_[3] = {};
  std::string saved_[3];
};

}  // namespace

TEST(CodepageLinux, AnsiCodePageFollowsTheLocaleEnvironment) {
  UINT acp = GetACP();
  EXPECT_TRUE(acp == 1252 || acp == CP_UTF8) << acp;
  {
    LocaleEnvironment env;
    EXPECT_EQ(acp, codepage_acp_from_environment());
    env.set("C", nullptr, nullptr);
    EXPECT_EQ(1252u, codepage_acp_from_environment());
    env.set("C.UTF-8", nullptr, nullptr);
    EXPECT_EQ(static_cast<UINT>(CP_UTF8), codepage_acp_from_environment());
    env.set("C", "C.UTF-8", "C.UTF-8");  // LC_ALL comes first
    EXPECT_EQ(1252u, codepage_acp_from_environment());
    env.set(nullptr, "C.UTF-8", "C");  // then LC_CTYPE
    EXPECT_EQ(static_cast<UINT>(CP_UTF8), codepage_acp_from_environment());
    env.set("", "", "C.UTF-8");  // then LANG; empty values do not count
    EXPECT_EQ(static_cast<UINT>(CP_UTF8), codepage_acp_from_environment());
    env.set(nullptr, nullptr, nullptr);
    EXPECT_EQ(1252u, codepage_acp_from_environment());
    // A locale that is not installed still names its character set.
    env.set("xx_YY.utf8@euro", nullptr, nullptr);
    EXPECT_EQ(static_cast<UINT>(CP_UTF8), codepage_acp_from_environment());
    env.set("xx_YY.ISO-8859-15", nullptr, nullptr);
    EXPECT_EQ(1252u, codepage_acp_from_environment());
    env.set("xx_YY", nullptr, nullptr);
    EXPECT_EQ(1252u, codepage_acp_from_environment());
  }
  EXPECT_EQ(acp, GetACP());  // decided once
}

TEST(CodepageLinux, Utf8TakesOnlyItsOwnFlags) {
  // Documented Win32 rules that Wine does not enforce.
  WCHAR wide[4];
  char narrow[4];
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, TEXT("abc"), 3, narrow, 4, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
  BOOL used = FALSE;
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, TEXT("abc"), 3, narrow, 4, "?", nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, TEXT("abc"), 3, narrow, 4, nullptr, &used));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(CodepageLinux, OneReplacementPerMaximalSubpart) {
  struct {
    const char* bytes;
    size_t replacements;
  } cases[] = {
      {"\xC0\xAF", 2},     {"\xE0\x80\xAF", 3}, {"\xED\xA0\x80", 3},         {"\xF4\x90\x80\x80", 4}, {"\xE2\x82", 1},
      {"\xF0\x9F\x98", 1}, {"\xF1\x80\x80", 1}, {"\xE2\x82\xE2\x82\xAC", 1}, {"\xF8\x88\x80\x80", 4}, {"\xC2\x41", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
    WideString wide = to_wide(CP_UTF8, c.bytes);
    size_t count = 0;
    for (WCHAR u : wide) count += u == 0xFFFD;
    EXPECT_EQ(c.replacements, count);
  }
  EXPECT_EQ(WideString(TEXT("\uFFFD\u20AC")), to_wide(CP_UTF8, "\xE2\x82\xE2\x82\xAC"));
  EXPECT_EQ(WideString(TEXT("\uFFFDA")), to_wide(CP_UTF8, "\xC2\x41"));
}
#endif
