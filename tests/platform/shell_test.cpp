// Opening documents through the shell. What the desktop does with a document
// is only observed on Linux, through a fake opener; failures are the same everywhere.
#include <gtest/gtest.h>

#include <string>

#include "common/child_io.h"
#include "common/fake_opener.h"
#include "common/test_text.h"
#include "platform/win32.h"

namespace {

INT_PTR app_result(const SHELLEXECUTEINFOW& info) { return reinterpret_cast<INT_PTR>(info.hInstApp); }

SHELLEXECUTEINFOW request(const WCHAR* file, const WCHAR* directory = nullptr, ULONG mask = SEE_MASK_FLAG_NO_UI) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = mask;
  info.lpFile = file;
  info.lpDirectory = directory;
  info.nShow = SW_SHOWNORMAL;
  return info;
}

TEST(Shell, MissingDocumentIsReported) {
  Wide missing = wide(test_dir()) + TEXT("missing-page.html");
  SHELLEXECUTEINFOW info = request(missing.c_str(), nullptr, SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(app_result(info), SE_ERR_FNF);
  EXPECT_EQ(info.hProcess, nullptr);
}

#ifndef _WIN32

// Opens the file and waits for the opener to finish.
std::string open_and_wait(const FakeOpener& opener, const WCHAR* file, const WCHAR* directory = nullptr) {
  SHELLEXECUTEINFOW info = request(file, directory, SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
  EXPECT_TRUE(ShellExecuteExW(&info));
  EXPECT_GT(app_result(info), 32);
  EXPECT_NE(info.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  return opener.record();
}

TEST(ShellLinux, DocumentsAndAddressesGoToTheOpener) {
  std::string dir = test_dir();
  mkdir((dir + "docs").c_str(), 0755);
  FakeOpener opener(dir);
  Wide page = put_file(dir + "docs/page.html", "<html></html>");
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof cwd));

  // An absolute document: the opener gets its path and runs detached in our working folder.
  std::string record = open_and_wait(opener, page.c_str());
  EXPECT_NE(record.find("args: [" + real_path(dir + "docs/page.html") + "]"), std::string::npos) << record;
  EXPECT_NE(record.find("cwd: " + real_path(cwd) + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("own session"), std::string::npos) << record;
}

TEST(ShellLinux, RelativeDocumentFoundInTheGivenFolder) {
  std::string dir = test_dir();
  FakeOpener opener(dir);
  put_file(dir + "page.html", "<html></html>");
  Wide folder = wide(dir);
  // The folder is also the opener's working folder.
  std::string record = open_and_wait(opener, TEXT("page.html"), folder.c_str());
  EXPECT_NE(record.find("args: [" + real_path(dir) + "/page.html]"), std::string::npos) << record;
  EXPECT_NE(record.find("cwd: " + real_path(dir) + "\n"), std::string::npos) << record;
}

TEST(ShellLinux, WebAddresses) {
  std::string dir = test_dir();
  {
    FakeOpener opener(dir);
    std::string record = open_and_wait(opener, TEXT("https://example.com/a?b=c&d"));
    EXPECT_NE(record.find("args: [https://example.com/a?b=c&d]\n"), std::string::npos) << record;
  }
  unlink((dir + "opened.txt").c_str());
  {
    // Typed without its scheme, as the shell guesses it.
    FakeOpener opener(dir);
    std::string record = open_and_wait(opener, TEXT("www.example.com"));
    EXPECT_NE(record.find("args: [http://www.example.com]\n"), std::string::npos) << record;
  }
}

TEST(ShellLinux, FailuresReachNoOpener) {
  std::string dir = test_dir();
  FakeOpener opener(dir);
  Wide missing_folder = wide(dir) + TEXT("nowhere\\page.html");
  SHELLEXECUTEINFOW info = request(missing_folder.c_str());
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(app_result(info), SE_ERR_PNF);

  Wide page = put_file(dir + "page.html", "x");
  info = request(page.c_str());
  info.lpVerb = TEXT("print");
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(app_result(info), SE_ERR_NOASSOC);

  info = request(page.c_str());
  info.cbSize = 8;
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_FALSE(ShellExecuteExW(nullptr));
  EXPECT_FALSE(opener.called());

  // No opener installed at all.
  std::string saved = getenv("PATH");
  setenv("PATH", (dir + "empty-bin").c_str(), 1);
  info = request(page.c_str());
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(app_result(info), SE_ERR_NOASSOC);
  setenv("PATH", saved.c_str(), 1);
}

TEST(ShellLinux, TheOpenerNeverBlocksTheCaller) {
  std::string dir = test_dir();
  FakeOpener opener(dir, "exec sleep 60");
  Wide page = put_file(dir + "page.html", "x");
  SHELLEXECUTEINFOW info = request(page.c_str(), nullptr, SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
  ASSERT_TRUE(ShellExecuteExW(&info));
  EXPECT_FALSE(opener.record().empty());
  // Back while the opener still runs.
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(TerminateProcess(info.hProcess, 1));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
}

TEST(ShellLinux, ProgramsAreStartedWithTheirParameters) {
  std::string dir = test_dir();
  FakeOpener opener(dir);
  std::string out = dir + "tool-args.txt";
  Wide tool = put_file(dir + "tool.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + out + "'\n");
  chmod((dir + "tool.sh").c_str(), 0755);
  SHELLEXECUTEINFOW info = request(tool.c_str(), nullptr, SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
  info.lpParameters = TEXT("\"a b\" c\\\"d");
  ASSERT_TRUE(ShellExecuteExW(&info));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  std::ifstream in(out);
  std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(args, "[a b][c\"d]");
  EXPECT_FALSE(opener.called());

  // Runnable by its mode but no program: opened as a document instead.
  Wide page = put_file(dir + "marked.html", "<html></html>");
  chmod((dir + "marked.html").c_str(), 0755);
  std::string record = open_and_wait(opener, page.c_str());
  EXPECT_NE(record.find("marked.html]"), std::string::npos) << record;
}

#endif

}  // namespace
