// The stand-in's own splitting of Win32 command lines (Linux only: on Windows
// the C runtime of the child does this itself).
#ifndef _WIN32

#include "platform/win32/kernel/cmdline.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"

namespace {

std::vector<std::string> split(const char* line) {
  std::u16string wide = w16(line);
  std::vector<std::string> out;
  for (const std::u16string& arg : cmdline_split(wide.c_str())) out.push_back(u8(arg.c_str(), arg.size()));
  return out;
}

using Args = std::vector<std::string>;

TEST(CmdlineSplit, BackslashAndQuoteRulesOfTheArguments) {
  // 2n backslashes before a quote: n backslashes, and the quote opens or closes.
  EXPECT_EQ(split(R"(p a\\\\"b c" d e)"), (Args{"p", R"(a\\b c)", "d", "e"}));
  EXPECT_EQ(split(R"(p "\\" d)"), (Args{"p", "\\", "d"}));
  // 2n+1 backslashes before a quote: n backslashes and a literal quote.
  EXPECT_EQ(split(R"(p a\\\"b c d)"), (Args{"p", R"(a\"b)", "c", "d"}));
  EXPECT_EQ(split(R"(p "ab\"c" \")"), (Args{"p", R"(ab"c)", "\""}));
  // Backslashes not before a quote stay as they are, at the end of the line too.
  EXPECT_EQ(split(R"(p a\\\b d"e f"g h)"), (Args{"p", R"(a\\\b)", "de fg", "h"}));
  EXPECT_EQ(split(R"(p C:\dir\ x\\)"), (Args{"p", R"(C:\dir\)", R"(x\\)"}));
  // "" inside quotes is one literal quote and quoting goes on.
  EXPECT_EQ(split(R"(p a"b"" c d)"), (Args{"p", R"(ab" c d)"}));
  EXPECT_EQ(split(R"(p "a""b")"), (Args{"p", R"(a"b)"}));
  // "" outside quotes is an empty argument; an unterminated quote runs to the end.
  EXPECT_EQ(split(R"(p "" "")"), (Args{"p", "", ""}));
  EXPECT_EQ(split(R"(p "a b)"), (Args{"p", "a b"}));
}

TEST(CmdlineSplit, ProgramNameAndBlanks) {
  // The program: quotes only switch quoting, backslashes are ordinary.
  EXPECT_EQ(split(R"("C:\Program Files\x.exe" arg)"), (Args{R"(C:\Program Files\x.exe)", "arg"}));
  EXPECT_EQ(split(R"(C:\a\\"b c"d e)"), (Args{R"(C:\a\\b cd)", "e"}));
  EXPECT_EQ(split(R"(dir\"a b)"), (Args{R"(dir\a b)"}));
  // Blanks and tabs separate; runs of them and trailing ones make no arguments.
  EXPECT_EQ(split("p \t a\t\tb  "), (Args{"p", "a", "b"}));
  // A leading blank ends an empty program name.
  EXPECT_EQ(split("  x y"), (Args{"", "x", "y"}));
  EXPECT_EQ(split(""), (Args{""}));
  EXPECT_TRUE(cmdline_split(nullptr).empty());
  // Text beyond ASCII passes unchanged, surrogate pairs included.
  EXPECT_EQ(split("p \"é 𝄞\" ü"), (Args{"p", "é 𝄞", "ü"}));
}

TEST(CmdlineSplit, LongLine) {
  std::string line = "p";
  for (int i = 0; i < 20000; ++i) line += " \"a\\\\\"";
  Args args = split(line.c_str());
  ASSERT_EQ(args.size(), 20001u);
  EXPECT_EQ(args[1], "a\\");
  EXPECT_EQ(args[20000], "a\\");
}

// The arguments main received come back from CommandLineToArgvW(GetCommandLineW()) exactly as they were.
TEST(CmdlineSplit, ProgramArgumentsComeBackWhole) {
  const std::vector<Args> table = {
      {"/usr/bin/webrolo"},
      {"/opt/my apps/webrolo", "--build", "my links.txt"},
      {"w", "", "a\\", "say \"hi\"", "C:\\dir\\", "tab\there", "\\\"", "é 𝄞"},
  };
  for (const Args& given : table) {
    std::vector<char*> argv;
    for (const std::string& arg : given) argv.push_back(const_cast<char*>(arg.c_str()));
    cmdline_set_arguments(static_cast<int>(argv.size()), argv.data());
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
    ASSERT_NE(values, nullptr);
    Args back;
    for (int i = 0; i < count; ++i) back.push_back(u8(values[i]));
    EXPECT_EQ(back, given);
    EXPECT_EQ(values[count], nullptr);
    LocalFree(values);
  }
  cmdline_set_arguments(0, nullptr);
  int count = 0;
  LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
  EXPECT_EQ(count, 1) << "an empty line gives the program's own path";
  LocalFree(values);
}

}  // namespace

#endif
