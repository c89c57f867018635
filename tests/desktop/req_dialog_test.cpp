// The file requesters over the platform's own dialogs: driven from a thread
// timer that the dialog's message loop runs, which fills the name field and
// presses Open, Save or Cancel by posted commands, in a scratch folder.
#include <algorithm>

#include "common/child_io.h"
#include "req_fixture.h"

namespace {

// The dialog's controls, by the identifiers Win32 gives them.
constexpr int kFileTypes = 0x470;     // cmb1
constexpr int kNameCombo = 0x47c;     // cmb13, where a dialog has one
constexpr int kNameEdit = 0x480;      // edt1
constexpr UINT kComboCount = 0x0146;  // CB_GETCOUNT

HWND name_field(HWND box) {
  HWND combo = GetDlgItem(box, kNameCombo);
  return combo ? combo : GetDlgItem(box, kNameEdit);
}

int file_type_count(HWND box) {
  HWND types = GetDlgItem(box, kFileTypes);
  if (!types) return -1;
  WCHAR cls[32] = {};
  GetClassNameW(types, cls, 32);
  UINT count = u8(cls) == "ComboBox" ? kComboCount : LB_GETCOUNT;
  return static_cast<int>(SendMessageW(types, count, 0, 0));
}

// Paths as the platform may spell them: either separator, any case.
std::string folded(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return path;
}

class ReqDialog : public ReqTest {
 protected:
  void SetUp() override {
    ReqTest::SetUp();
    dir_ = test_dir();
    for (const char* name : {"a.txt", "b.txt", "notes.log"}) {
      HANDLE file = CreateFileW(wide(dir_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      CloseHandle(file);
    }
    // As the program passes its current directory: ending in a backslash.
    default_dir_ = wide(dir_.substr(0, dir_.size() - 1) + "\\");
  }

  // Types name into the dialog and confirms it; what the dialog showed first is kept.
  BoxDriver choose(const std::string& name) {
    BoxDriver driver;
    driver.look = [this, name](HWND box) {
      shown_name_ = window_text(name_field(box));
      shown_types_ = file_type_count(box);
      owner_ = GetWindow(box, GW_OWNER);
      if (second_) second_enabled_ = IsWindowEnabled(second_);
      SetWindowTextW(name_field(box), wide(name).c_str());
    };
    driver.answer = [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); };
    return driver;
  }

  std::string dir_;
  Wide default_dir_;
  std::string shown_name_ = "?";
  int shown_types_ = -2;
  HWND owner_ = nullptr;
  HWND second_ = nullptr;
  BOOL second_enabled_ = TRUE;
};

TEST_F(ReqDialog, CancelGivesEmptyAndPutsTheWindowsBack) {
  second_ = make_window(TEXT("second"));
  HWND front = make_window(TEXT("front"));
  SetForegroundWindow(front);
  BoxDriver cancel = choose("a.txt");
  cancel.answer = [](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); };
  int32_t top = text_stack_top();
  std::string result = cancel.run([&] {
    return u8(req_open_file(TEXT("Select Your Rolos Text File"), default_dir_.c_str(), TEXT("Webrolo Text File|*.txt"),
                            0, top));
  });
  EXPECT_TRUE(cancel.seen);
  EXPECT_EQ(result, "");
  EXPECT_EQ(text_stack_top(), top);
  EXPECT_EQ(owner_, front);
  EXPECT_FALSE(second_enabled_);
  EXPECT_TRUE(IsWindowEnabled(second_));
  EXPECT_TRUE(IsWindowEnabled(front));
  EXPECT_EQ(shown_name_, "") << "a directory as the default leaves the name empty";
  EXPECT_EQ(shown_types_, 1);
}

TEST_F(ReqDialog, NameChosenInTheDefaultsDirectory) {
  // A proposed name with a question mark is dropped, but its directory is where the dialog opens.
  Wide bad_default = default_dir_ + wide("what?.txt");
  BoxDriver open = choose("a.txt");
  std::string result = open.run([&] {
    return u8(req_open_file(TEXT("Select"), bad_default.c_str(), TEXT("Text|*.txt|Logs|*.log"), 1, text_stack_top()));
  });
  EXPECT_EQ(shown_name_, "");
  EXPECT_EQ(shown_types_, 2);
  EXPECT_EQ(folded(result), folded(dir_ + "a.txt"));

  // A valid proposed name is shown; an empty pattern gives no filters.
  Wide good_default = default_dir_ + wide("b.txt");
  BoxDriver keep = choose("b.txt");
  result = keep.run(
      [&] { return u8(req_open_file(TEXT("Select"), good_default.c_str(), TEXT(""), 0, text_stack_top())); });
  EXPECT_EQ(shown_name_, "b.txt");
  EXPECT_LE(shown_types_, 0);
  EXPECT_EQ(folded(result), folded(dir_ + "b.txt"));

  // The save dialog takes a new name, and an existing one without asking.
  BoxDriver save_new = choose("new.txt");
  result = save_new.run(
      [&] { return u8(req_save_file(TEXT("Save"), default_dir_.c_str(), TEXT("Text|*.txt"), 0, text_stack_top())); });
  EXPECT_EQ(folded(result), folded(dir_ + "new.txt"));
  BoxDriver save_over = choose("a.txt");
  result = save_over.run(
      [&] { return u8(req_save_file(TEXT("Save"), default_dir_.c_str(), TEXT("Text|*.txt"), 0, text_stack_top())); });
  EXPECT_EQ(folded(result), folded(dir_ + "a.txt"));
  EXPECT_EQ(save_over.answers, 1) << "no question before overwriting";
}

TEST_F(ReqDialog, SeveralFilesHandedOutOneByOne) {
  BoxDriver several = choose("\"a.txt\" \"notes.log\" \"b.txt\"");
  int32_t top = text_stack_top();
  std::string first = several.run([&] {
    return u8(req_open_file_ex(TEXT("Select"), default_dir_.c_str(), TEXT("All|*.*"), 0, REQ_MULTIPLE, top));
  });
  std::vector<std::string> all = {folded(first)};
  for (std::string next = u8(req_next_file(top)); !next.empty(); next = u8(req_next_file(top)))
    all.push_back(folded(next));
  std::sort(all.begin(), all.end());
  std::vector<std::string> expected = {folded(dir_ + "a.txt"), folded(dir_ + "b.txt"), folded(dir_ + "notes.log")};
  EXPECT_EQ(all, expected);
  EXPECT_EQ(u8(req_next_file(top)), "");

  // One file in a multiple dialog.
  BoxDriver one = choose("b.txt");
  first = one.run(
      [&] { return u8(req_open_file_ex(TEXT("Select"), default_dir_.c_str(), nullptr, 0, REQ_MULTIPLE, top)); });
  EXPECT_EQ(folded(first), folded(dir_ + "b.txt"));
  EXPECT_EQ(u8(req_next_file(top)), "");
}

}  // namespace
