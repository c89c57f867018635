// The file dialogs on the headless display, browsed with injected clicks and
// keys from a timer that the dialog's loop runs: the folder shown with its
// folders and matching files (patterns of several wildcards, case ignored),
// filters switched, wildcards typed, folders entered by double click, by
// Enter in the list and by name, "\" and "/" both, the checks of
// OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST and OFN_OVERWRITEPROMPT with their
// message boxes, multiple selection in the list. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "modal_script.h"
#include "platform/win32/display/headless_driver.h"

namespace {

constexpr int kFolderText = 0x440, kList = 0x460, kFilters = 0x470, kName = 0x480;

using Wide = std::basic_string<WCHAR>;
using Step = ModalStep;

Wide wide(const std::string& s) {
  std::u16string w = w16(s);
  return Wide(w.begin(), w.end());
}

std::string text(HWND w) {
  WCHAR buffer[1024] = {};
  GetWindowTextW(w, buffer, 1024);
  return u8(buffer);
}

std::vector<std::string> items(HWND list) {
  std::vector<std::string> out;
  int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    WCHAR buffer[512] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    out.push_back(u8(buffer));
  }
  return out;
}

int index_of(HWND list, const std::string& item) {
  std::vector<std::string> all = items(list);
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i] == item) return static_cast<int>(i);
  return -1;
}

POINT item_point(HWND list, const std::string& item) {
  RECT r{};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index_of(list, item)), reinterpret_cast<LPARAM>(&r));
  return headless::on_screen(list, r.left + 5, (r.top + r.bottom) / 2);
}

HWND item(HWND box, int id) { return GetDlgItem(box, id); }

// Steps.
Step type(const char* s) {
  return [s](HWND) {
    for (const char* p = s; *p; ++p) {
      WCHAR t[2] = {static_cast<WCHAR>(*p), 0};
      // Letters and digits on their own keys; punctuation on a key that means nothing else.
      UINT vk = *p >= 'a' && *p <= 'z'                                 ? static_cast<UINT>(*p - 'a' + 'A')
                : (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') ? static_cast<UINT>(*p)
                                                                       : 0xBAu;
      headless::key(vk, t);
    }
  };
}
Step key(UINT vk, const WCHAR* t = nullptr) {
  return [vk, t](HWND) { headless::key(vk, t); };
}
Step click_item(int id, std::string name, bool twice = false) {
  return [id, name, twice](HWND active) {
    POINT p = item_point(item(active, id), name);
    headless::click(p.x, p.y);
    if (twice) headless::click(p.x, p.y);
  };
}
Step check(std::function<void(HWND)> f) { return f; }
// Focuses the name field and empties it, so that what is typed next is all it holds.
Step clear_name() {
  return [](HWND active) {
    SetFocus(item(active, kName));
    SetWindowTextW(item(active, kName), TEXT(""));
  };
}

struct FileDialogHeadless : ::testing::Test {
  std::string dir;
  Wide dir_w, title = wide("Pick");
  std::vector<WCHAR> buffer = std::vector<WCHAR>(2048, 0);
  OPENFILENAMEW ofn{};
  static constexpr WCHAR kFilter[] = TEXT("Text\0*.txt\0Pages\0*.htm;*.HTML\0");

  void SetUp() override {
    dir = test_dir();
    dir.pop_back();  // the dialog shows folders without a trailing separator
    dir_w = wide(dir);
    for (const char* name : {"a.txt", "B.TXT", "page.htm", "page2.html", "skip.dat", ".hidden.txt"}) file(name);
    CreateDirectoryW(wide(dir + "/sub").c_str(), nullptr);
    CreateDirectoryW(wide(dir + "/Zeta").c_str(), nullptr);
    file("sub/c.txt");
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = dir_w.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = 0x8080C;
  }
  void file(const std::string& name) {
    HANDLE h = CreateFileW(wide(dir + "/" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  ModalScript* script = nullptr;  // of the run under way

  // Each run starts from an empty file buffer unless the test filled it.
  BOOL run(bool save, std::vector<Step> steps, bool keep_buffer = false) {
    if (!keep_buffer) buffer.assign(buffer.size(), 0);
    ModalScript s{std::move(steps)};
    s.others_allowed = true;  // the flags' message boxes
    script = &s;
    BOOL ok = run_modal(s, [&] { return save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn); });
    script = nullptr;
    return ok;
  }
  std::string result() const { return u8(ofn.lpstrFile); }
};

}  // namespace

TEST_F(FileDialogHeadless, ShowsTheFolderItsFoldersAndTheFilesOfTheFilter) {
  EXPECT_FALSE(run(
      false, {check([&](HWND box) {
                EXPECT_EQ(text(box), "Pick");
                EXPECT_EQ(GetFocus(), item(box, kName)) << "the name field has the focus";
                EXPECT_EQ(text(item(box, kFolderText)), dir);
                EXPECT_EQ(items(item(box, kList)), (std::vector<std::string>{"..", "sub/", "Zeta/", "a.txt", "B.TXT"}));
                EXPECT_EQ(items(item(box, kFilters)), (std::vector<std::string>{"Text", "Pages"}));
              }),
              click_item(kFilters, "Pages"), check([](HWND box) {
                EXPECT_EQ(items(item(box, kList)),
                          (std::vector<std::string>{"..", "sub/", "Zeta/", "page.htm", "page2.html"}));
              }),
              clear_name(), type("*.dat"), key(VK_RETURN), check([](HWND box) {
                EXPECT_EQ(items(item(box, kList)), (std::vector<std::string>{"..", "sub/", "Zeta/", "skip.dat"}));
              }),
              key(VK_ESCAPE)}));
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  // No filters at all: every file, and the filter list has nothing to offer.
  ofn.lpstrFilter = nullptr;
  EXPECT_FALSE(run(false, {check([](HWND box) {
                             EXPECT_EQ(items(item(box, kList)),
                                       (std::vector<std::string>{"..", "sub/", "Zeta/", "a.txt", "B.TXT", "page.htm",
                                                                 "page2.html", "skip.dat"}));
                             EXPECT_FALSE(IsWindowEnabled(item(box, kFilters)));
                           }),
                           key(VK_ESCAPE)}));

  // The second filter first; the one in use at the end is reported.
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 2;
  ASSERT_TRUE(run(false, {check([](HWND box) { EXPECT_EQ(index_of(item(box, kList), "page.htm"), 3); }),
                          click_item(kFilters, "Text"), click_item(kList, "B.TXT"), key(VK_RETURN)}));
  EXPECT_EQ(result(), dir + "/B.TXT");
  EXPECT_EQ(ofn.nFilterIndex, 1u);
}

TEST_F(FileDialogHeadless, FoldersAreEnteredByDoubleClickEnterAndName) {
  ASSERT_TRUE(run(false, {click_item(kList, "sub/", true), check([&](HWND box) {
                            EXPECT_EQ(text(item(box, kFolderText)), dir + "/sub");
                            EXPECT_EQ(items(item(box, kList)), (std::vector<std::string>{"..", "c.txt"}));
                          }),
                          click_item(kList, "c.txt"),
                          check([](HWND box) { EXPECT_EQ(text(item(box, kName)), "c.txt"); }), key(VK_RETURN)}));
  EXPECT_EQ(result(), dir + "/sub/c.txt");
  EXPECT_EQ(u8(ofn.lpstrFile + ofn.nFileOffset), "c.txt");

  // ".." by double click, then the keyboard in the list: down to "sub/" and Enter.
  ASSERT_TRUE(
      run(false, {type("sub"), key(VK_RETURN), check([&](HWND box) {
                    EXPECT_EQ(text(item(box, kFolderText)), dir + "/sub");
                    EXPECT_EQ(text(item(box, kName)), "") << "a folder's name entered it";
                  }),
                  click_item(kList, "..", true), check([&](HWND box) { EXPECT_EQ(text(item(box, kFolderText)), dir); }),
                  click_item(kList, ".."), key(VK_DOWN), key(VK_RETURN),
                  check([&](HWND box) { EXPECT_EQ(text(item(box, kFolderText)), dir + "/sub"); }), clear_name(),
                  type("..\\Zeta\\..\\a.txt"), key(VK_RETURN)}));
  EXPECT_EQ(result(), dir + "/a.txt") << "\"\\\" separates too; \"..\" goes up";

  // A path in the file buffer opens its folder with its name filled in.
  Wide start = wide(dir + "\\sub/c.txt");
  std::copy(start.begin(), start.end(), buffer.begin());
  ASSERT_TRUE(run(false,
                  {check([&](HWND box) {
                     EXPECT_EQ(text(item(box, kFolderText)), dir + "/sub");
                     EXPECT_EQ(text(item(box, kName)), "c.txt");
                   }),
                   key(VK_RETURN)},
                  true));
  EXPECT_EQ(result(), dir + "/sub/c.txt");
}

TEST_F(FileDialogHeadless, TheFlagsChecksAskBeforeChoosing) {
  auto message_says = [this](const char* words) {
    return check([this, words](HWND active) {
      EXPECT_NE(active, script->first) << "a message box over the dialog";
      EXPECT_FALSE(IsWindowEnabled(script->first));
      bool found = false;
      for (HWND c = GetWindow(active, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        found = found || text(c).find(words) != std::string::npos;
      EXPECT_TRUE(found) << words;
    });
  };
  ofn.Flags |= OFN_FILEMUSTEXIST;
  ASSERT_TRUE(run(false, {type("nope.txt"), key(VK_RETURN), message_says("File not found"), key(VK_RETURN),
                          check([this](HWND active) { EXPECT_EQ(active, script->first) << "still choosing"; }),
                          clear_name(), type("a.txt"), key(VK_RETURN)}));
  EXPECT_EQ(result(), dir + "/a.txt");

  EXPECT_FALSE(run(false, {type("nowhere/x.txt"), key(VK_RETURN), message_says("Path does not exist"), key(VK_RETURN),
                           key(VK_ESCAPE)}));

  // Saving over a file asks first; No keeps the dialog, Yes chooses.
  ofn.Flags = 0x8080C | OFN_OVERWRITEPROMPT;
  ASSERT_TRUE(run(true, {type("a.txt"), key(VK_RETURN), message_says("already exists"), key('N', TEXT("n")),
                         check([this](HWND active) { EXPECT_EQ(active, script->first); }), key(VK_RETURN),
                         message_says("replace"), key('Y', TEXT("y"))}));
  EXPECT_EQ(result(), dir + "/a.txt");
  ASSERT_TRUE(run(true, {type("fresh.txt"), key(VK_RETURN)})) << "a new name is not asked about";
  EXPECT_EQ(result(), dir + "/fresh.txt");
}

TEST_F(FileDialogHeadless, SeveralFilesChosenInTheList) {
  ofn.Flags = 0x80A0C;
  ASSERT_TRUE(
      run(false, {click_item(kList, "a.txt"),
                  [](HWND active) {
                    headless::key_down(VK_CONTROL);
                    POINT p = item_point(item(active, kList), "B.TXT");
                    headless::click(p.x, p.y);
                    headless::key_up(VK_CONTROL);
                  },
                  check([](HWND box) { EXPECT_EQ(text(item(box, kName)), "\"a.txt\" \"B.TXT\""); }), key(VK_RETURN)}));
  EXPECT_EQ(result(), dir);
  const WCHAR* second = ofn.lpstrFile + ofn.nFileOffset;
  EXPECT_EQ(u8(second), "a.txt");
  second += 6;
  EXPECT_EQ(u8(second), "B.TXT");
  EXPECT_EQ(second[6], 0) << "a double zero ends the names";

  // The owner is disabled while the dialog is up.
  HWND owner = CreateWindowExW(0, TEXT("Static"), TEXT("owner"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                               nullptr, nullptr, nullptr, nullptr);
  ofn.hwndOwner = owner;
  EXPECT_FALSE(run(false, {check([owner](HWND box) {
                             EXPECT_FALSE(IsWindowEnabled(owner));
                             EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
                           }),
                           key(VK_ESCAPE)}));
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}
#endif
