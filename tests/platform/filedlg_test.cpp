// GetOpenFileNameW and GetSaveFileNameW as a program meets them: the name
// field has the focus, a full path or a name in the initial folder typed there
// and confirmed chooses the file, the result's path with its offsets, the
// multiple-selection buffer (folder, names, double zero), a buffer too small,
// the default extension, the current directory kept or changed, cancelling
// and a bad structure size. The dialog is driven from a thread timer that its
// loop runs, so these hold on real Win32 too; filedlg_headless_test.cpp
// browses with injected input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "modal_script.h"

#ifdef _WIN32
#include <cderr.h>  // the dialogs' error codes, which the SDK keeps apart
#endif

namespace {

using Wide = std::basic_string<WCHAR>;
using Step = ModalStep;

Wide wide(const std::string& utf8) {
  std::u16string w = w16(utf8);
  return Wide(w.begin(), w.end());
}

// Separators of either kind compare alike: the stand-in answers "/", Win32 "\".
std::string same_seps(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  std::string out;
  for (char c : s)
    if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

void make_file(const std::string& path) {
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

struct FileDialogTest : ::testing::Test {
  std::string dir;
  Wide dir_w, title = wide("Select Your Rolos Text File");
  std::vector<WCHAR> buffer = std::vector<WCHAR>(260, 0);
  WCHAR file_title[64] = {};
  OPENFILENAMEW ofn{};
  static constexpr WCHAR kFilter[] = TEXT("Webrolo Text File\0*.txt\0Pages\0*.htm;*.html\0");
  WCHAR saved_cwd[1024] = {};

  void SetUp() override {
    GetCurrentDirectoryW(1024, saved_cwd);
    dir = test_dir();
#ifdef _WIN32
    for (char& c : dir)
      if (c == '/') c = '\\';  // typed paths in the native spelling
#endif
    dir_w = wide(dir);
    for (const char* name : {"a.txt", "b.txt", "page.htm"}) make_file(dir + name);
    CreateDirectoryW(wide(dir + "sub").c_str(), nullptr);
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrFileTitle = file_title;
    ofn.nMaxFileTitle = 64;
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = 0x8080C;  // explorer, path must exist, no change of directory, no read-only box
  }
  void TearDown() override { SetCurrentDirectoryW(saved_cwd); }

  BOOL run(bool save, std::vector<Step> steps) {
    ModalScript script{std::move(steps)};
    BOOL ok = run_modal(script, [&] { return save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn); });
    EXPECT_EQ(script.popups, 0) << "no message came over the dialog";
    return ok;
  }
  std::string result() const { return u8(ofn.lpstrFile); }
};

// Types into the focused field (the name field, as the dialog opens) and confirms.
Step type_and_enter(const Wide& text) {
  return [text](HWND) {
    HWND focus = GetFocus();
    SetWindowTextW(focus, text.c_str());
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 1);
  };
}
Step escape() {
  return [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1); };
}

}  // namespace

TEST_F(FileDialogTest, AFullPathTypedInTheNameFieldIsChosen) {
  ASSERT_TRUE(run(false, {type_and_enter(wide(dir + "a.txt"))})) << CommDlgExtendedError();
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(same_seps(result()), same_seps(dir + "a.txt"));
  EXPECT_EQ(u8(ofn.lpstrFile + ofn.nFileOffset), "a.txt");
  EXPECT_EQ(u8(ofn.lpstrFile + ofn.nFileExtension), "txt");
  EXPECT_EQ(u8(file_title), "a.txt");
  EXPECT_EQ(ofn.nFilterIndex, 1u);
  WCHAR cwd[1024];
  GetCurrentDirectoryW(1024, cwd);
  EXPECT_EQ(u8(cwd), u8(saved_cwd)) << "OFN_NOCHANGEDIR keeps the current directory";

  // A name of the initial folder; a file that does not exist may be chosen without OFN_FILEMUSTEXIST.
  ofn.lpstrInitialDir = dir_w.c_str();
  buffer.assign(buffer.size(), 0);
  ASSERT_TRUE(run(false, {type_and_enter(wide("b.txt"))}));
  EXPECT_EQ(same_seps(result()), same_seps(dir + "b.txt"));
  buffer.assign(buffer.size(), 0);
  ASSERT_TRUE(run(false, {type_and_enter(wide("missing.txt"))}));
  EXPECT_EQ(same_seps(result()), same_seps(dir + "missing.txt"));
}

TEST_F(FileDialogTest, CancelAndBadStructuresAnswerFalse) {
  buffer[0] = u'x';
  EXPECT_FALSE(run(false, {escape()}));
  EXPECT_EQ(CommDlgExtendedError(), 0u) << "cancelling is no error";
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_FALSE(run(true, {[](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); }}));
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  ofn.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
}

TEST_F(FileDialogTest, ABufferTooSmallGetsTheSizeNeeded) {
  ofn.nMaxFile = 8;
  EXPECT_FALSE(run(false, {type_and_enter(wide(dir + "a.txt"))}));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  WORD needed;
  memcpy(&needed, buffer.data(), sizeof needed);
  EXPECT_GE(needed, ofn.nMaxFile + 1);
  EXPECT_LE(needed, wide(dir + "a.txt").size() + 2);
}

TEST_F(FileDialogTest, MultipleSelectionGivesTheFolderThenTheNames) {
  ofn.Flags = 0x80A0C;
  ofn.lpstrInitialDir = dir_w.c_str();
  ASSERT_TRUE(run(false, {type_and_enter(wide("\"a.txt\" \"b.txt\""))}));
  std::string folder = u8(ofn.lpstrFile);
  EXPECT_EQ(same_seps(folder), same_seps(dir));
  EXPECT_EQ(ofn.nFileOffset, folder.size() + 1);
  const WCHAR* p = ofn.lpstrFile + ofn.nFileOffset;
  std::vector<std::string> names;
  while (*p) {
    names.push_back(u8(p));
    while (*p) ++p;
    ++p;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt"}));

  // One name with multiple selection allowed: the full path, as for a single selection.
  buffer.assign(buffer.size(), 0);
  ASSERT_TRUE(run(false, {type_and_enter(wide("b.txt"))}));
  EXPECT_EQ(same_seps(result()), same_seps(dir + "b.txt"));
}

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionAndMayChangeTheCurrentDirectory) {
  static const WCHAR ext[] = TEXT("txt");
  ofn.lpstrDefExt = ext;
  ofn.lpstrInitialDir = dir_w.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;  // the current directory may change
  ASSERT_TRUE(run(true, {type_and_enter(wide("links"))}));
  EXPECT_EQ(same_seps(result()), same_seps(dir + "links.txt"));
  WCHAR cwd[1024];
  GetCurrentDirectoryW(1024, cwd);
  EXPECT_EQ(same_seps(u8(cwd)), same_seps(dir)) << "without OFN_NOCHANGEDIR the folder of the choice";
}
