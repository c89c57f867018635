// The launcher: programs on pipes, waiting, quoting, and the shell fallback.
// Documents reach the desktop only on Linux, through a fake opener on PATH,
// so nothing real is ever opened.
#include "desktop/proc.h"

#include <gtest/gtest.h>

#include <string>

#include "common/child_io.h"
#include "common/fake_opener.h"
#include "common/test_text.h"
#include "runtime/mem.h"

namespace {

#ifdef _WIN32
const WCHAR* const kShell = TEXT("cmd.exe");
const WCHAR* const kQuotedShell = TEXT("\"cmd.exe\"");
const WCHAR* const kCopyInput = TEXT("/c more");
const WCHAR* const kSayHello = TEXT("/c echo hello");
const WCHAR* const kSayOopsOnError = TEXT("/c echo oops 1>&2");
const WCHAR* const kExit5 = TEXT("/c exit 5");
const WCHAR* const kMakeFile = TEXT("/c echo x > made.txt");
#else
const WCHAR* const kShell = TEXT("sh");
const WCHAR* const kQuotedShell = TEXT("\"sh\"");
const WCHAR* const kCopyInput = TEXT("-c cat");
const WCHAR* const kSayHello = TEXT("-c \"echo hello\"");
const WCHAR* const kSayOopsOnError = TEXT("-c \"echo oops >&2\"");
const WCHAR* const kExit5 = TEXT("-c \"exit 5\"");
// Late on purpose: only a launcher that really waits finds the file at once.
const WCHAR* const kMakeFile = TEXT("-c \"sleep 0.3; echo x > made.txt\"");
#endif

constexpr DWORD kPatience = 20000;

class Proc : public ::testing::Test {
 protected:
  void SetUp() override {
    mem_heap_init();
    proc_init();
  }
  void TearDown() override {
    proc_end();
    mem_heap_end();
  }
};

ProcessRecord* record_of(int64_t result) { return result > 1 ? reinterpret_cast<ProcessRecord*>(result) : nullptr; }

DWORD exit_code_after_wait(ProcessRecord* record) {
  EXPECT_EQ(WaitForSingleObject(record->process, kPatience), WAIT_OBJECT_0);
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeProcess(record->process, &code));
  return code;
}

TEST_F(Proc, PipeRoundTripWithARealChild) {
  uint32_t flags = PROC_OPEN | PROC_READ | PROC_WRITE;
  ProcessRecord* child = record_of(proc_run(kShell, kCopyInput, TEXT(""), flags, nullptr));
  ASSERT_NE(child, nullptr);
  EXPECT_NE(child->process, nullptr);
  EXPECT_NE(child->process_id, 0u);
  EXPECT_NE(child->process_id, 0xFFFFFFFFu);
  EXPECT_EQ(child->flags, flags);
  ASSERT_NE(child->input_pipe, nullptr);
  ASSERT_NE(child->output_pipe, nullptr);
  EXPECT_EQ(child->error_pipe, nullptr);

  const char text[] = "line one\r\nline two\r\n";
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(child->input_pipe, text, sizeof text - 1, &written, nullptr));
  // The end of its input ends the child, which holds no copy of our writing end.
  CloseHandle(child->input_pipe);
  child->input_pipe = nullptr;
  EXPECT_EQ(exit_code_after_wait(child), 0u);
  std::string out = read_all(child->output_pipe);
  EXPECT_NE(out.find("line one"), std::string::npos) << out;
  EXPECT_EQ(trimmed(out).substr(trimmed(out).size() - 8), "line two") << out;
}

TEST_F(Proc, ErrorPipeAndConnectedPrograms) {
  ProcessRecord* failing = record_of(proc_run(kShell, kSayOopsOnError, nullptr, PROC_OPEN | PROC_ERROR, nullptr));
  ASSERT_NE(failing, nullptr);
  EXPECT_EQ(failing->output_pipe, nullptr);
  ASSERT_NE(failing->error_pipe, nullptr);
  EXPECT_EQ(trimmed(read_all(failing->error_pipe)), "oops");

  // The second program reads what the first one writes.
  ProcessRecord* first = record_of(proc_run_flags(kShell, kSayHello, nullptr, PROC_OPEN | PROC_READ));
  ASSERT_NE(first, nullptr);
  ProcessRecord* second = record_of(proc_run(kShell, kCopyInput, nullptr, PROC_OPEN | PROC_READ | PROC_CONNECT, first));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->input_pipe, nullptr);
  EXPECT_EQ(trimmed(read_all(second->output_pipe)), "hello");
  // The first record still owns its own reading end.
  char buffer[8];
  DWORD got;
  EXPECT_FALSE(ReadFile(first->output_pipe, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

TEST_F(Proc, QuotingWaitingAndDirectory) {
  // Already in quotes: taken as it is, not quoted again.
  ProcessRecord* child = record_of(proc_run(kQuotedShell, kExit5, TEXT(""), PROC_OPEN | PROC_WAIT, nullptr));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(WaitForSingleObject(child->process, 0), WAIT_OBJECT_0);
  EXPECT_EQ(exit_code_after_wait(child), 5u);

  // Waited for, in the given directory; without the open bit the answer is 1.
  Wide dir = wide(test_dir());
  EXPECT_EQ(proc_run_flags(kShell, kMakeFile, dir.c_str(), PROC_WAIT), 1);
  EXPECT_NE(GetFileAttributesW((dir + TEXT("made.txt")).c_str()), INVALID_FILE_ATTRIBUTES);
  // The pipe bits do nothing without the open bit.
  EXPECT_EQ(proc_run_flags(kShell, kExit5, nullptr, PROC_READ | PROC_WAIT), 1);
}

TEST_F(Proc, NothingStarted) {
  EXPECT_EQ(proc_run(TEXT("no-such-program-4711"), TEXT(""), TEXT(""), PROC_OPEN | PROC_READ, nullptr), 0);
  EXPECT_EQ(proc_run_plain(TEXT("no-such-program-4711"), TEXT("x"), nullptr), 0);
  Wide missing = wide(test_dir()) + TEXT("no-such-page.html");
  EXPECT_EQ(proc_open(missing.c_str()), 0);
  EXPECT_EQ(proc_open(nullptr), 0);
  EXPECT_EQ(proc_open(TEXT("")), 0);
}

#ifndef _WIN32

void make_file(const std::string& path, const std::string& text, mode_t mode = 0644) {
  put_file(path, text);
  chmod(path.c_str(), mode);
}

TEST_F(Proc, OpenDocumentsThroughTheDesktop) {
  std::string dir = test_dir();
  FakeOpener opener(dir);
  make_file(dir + "page.html", "<html></html>");
  Wide page = wide(dir + "page.html");
  EXPECT_EQ(proc_open(page.c_str()), 1);
  std::string record = opener.record();
  EXPECT_NE(record.find("args: [" + real_path(dir + "page.html") + "]"), std::string::npos) << record;
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof cwd));
  EXPECT_NE(record.find("cwd: " + real_path(cwd) + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("own session"), std::string::npos) << record;
}

TEST_F(Proc, BackslashGivesTheShellItsDirectory) {
  std::string dir = test_dir();
  mkdir((dir + "docs").c_str(), 0755);
  FakeOpener opener(dir);
  make_file(dir + "docs/page.html", "<html></html>");
  Wide page = wide(dir + "docs\\page.html");
  EXPECT_EQ(proc_open(page.c_str()), 1);
  std::string record = opener.record();
  EXPECT_NE(record.find("args: [" + real_path(dir + "docs/page.html") + "]"), std::string::npos) << record;
  EXPECT_NE(record.find("cwd: " + real_path(dir + "docs") + "\n"), std::string::npos) << record;
}

TEST_F(Proc, WebAddressAndShellRecords) {
  std::string dir = test_dir();
  FakeOpener opener(dir);
  make_file(dir + "page.html", "<html></html>");
  Wide page = wide(dir + "page.html");
  // With a pipe bit the shell is not tried, although it would open the page.
  EXPECT_EQ(proc_run(page.c_str(), TEXT(""), TEXT(""), PROC_OPEN | PROC_READ, nullptr), 0);
  EXPECT_EQ(proc_run(page.c_str(), TEXT(""), TEXT(""), PROC_OPEN | PROC_WRITE, nullptr), 0);
  // Without one it is, and the record names the shell's process.
  ProcessRecord* shell = record_of(proc_run(page.c_str(), TEXT(""), TEXT(""), PROC_OPEN | PROC_WAIT, nullptr));
  ASSERT_NE(shell, nullptr);
  EXPECT_EQ(shell->process_id, 0xFFFFFFFFu);
  EXPECT_EQ(WaitForSingleObject(shell->process, 0), WAIT_OBJECT_0);
  EXPECT_EQ(shell->input_pipe, nullptr);
  EXPECT_EQ(shell->output_pipe, nullptr);
  EXPECT_NE(opener.record().find(real_path(dir + "page.html")), std::string::npos);

  unlink((dir + "opened.txt").c_str());
  EXPECT_EQ(proc_open(TEXT("https://example.com/links?a=1")), 1);
  std::string record = opener.record();
  EXPECT_NE(record.find("args: [https://example.com/links?a=1]\n"), std::string::npos) << record;
}

TEST_F(Proc, ProgramsWithBlanksAndHiddenStarts) {
  std::string dir = test_dir();
  mkdir((dir + "my dir").c_str(), 0755);
  make_file(dir + "my dir/prog", "#!/bin/sh\necho spaced $1\n", 0755);
  Wide program = wide(dir + "my dir/prog");
  ProcessRecord* spaced = record_of(proc_run(program.c_str(), TEXT("arg"), nullptr, PROC_OPEN | PROC_READ, nullptr));
  ASSERT_NE(spaced, nullptr);
  EXPECT_EQ(read_all(spaced->output_pipe), "spaced arg\n");

  // Hidden: detached into a session of its own, except when its handles go to pipes.
  const WCHAR* session_check = TEXT(
      "-c \"read a b c d e f rest < /proc/$$/stat; [ $f = $$ ] && echo own || echo shared\"");
  uint32_t flags = PROC_OPEN | PROC_READ | PROC_HIDDEN;
  ProcessRecord* piped = record_of(proc_run(kShell, session_check, nullptr, flags, nullptr));
  ASSERT_NE(piped, nullptr);
  EXPECT_EQ(read_all(piped->output_pipe), "shared\n");
  Wide folder = wide(dir);
  const WCHAR* to_file = TEXT("-c \"read a b c d e f rest < /proc/$$/stat; [ $f = $$ ] && echo own > s.txt\"");
  EXPECT_EQ(proc_run_flags(kShell, to_file, folder.c_str(), PROC_HIDDEN | PROC_WAIT), 1);
  EXPECT_NE(GetFileAttributesW((folder + TEXT("s.txt")).c_str()), INVALID_FILE_ATTRIBUTES);
}

#endif

}  // namespace
