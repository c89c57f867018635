// Whatever file is thrown at the program and whatever the disk does: each
// file opens or is refused with a message, nothing crashes or hangs, and
// no catalogue, page or backup is lost (Linux: limits, permissions and
// names that only the stand-in's file system can be made to refuse).
#ifndef _WIN32

#include <signal.h>
#include <sys/resource.h>

#include "app_fixture.h"

namespace {

using Hostile = AppTest;

TEST_F(Hostile, StrangeFilesOpenAsLinesOrAreRefused) {
  // A binary file: its bytes become lines; a zero byte ends the text of its line.
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  put("binary.txt", binary);
  open_catalogue("binary.txt");
  EXPECT_GT(gadget_item_count(ListViewLinks), 0);
  EXPECT_EQ(status(), "  binary.txt ... Open And Loaded");
  // UTF-16 with an odd number of bytes: the half unit at the end is not a character.
  put("odd.txt", std::string("\xFF\xFE"
                             "a\0[\0]\0b\0[\0]\0c\0[\0]\0\r\0\n\0z",
                             23));
  open_catalogue("odd.txt");
  ASSERT_GE(gadget_item_count(ListViewLinks), 1);
  EXPECT_EQ(lines(ListViewLinks)[0], "a[]b[]c[]");
  // Only line ends, and a million empty lines: that many empty lines, which selection refuses.
  put("ends.txt", "\r\n\n\r\r\n");
  open_catalogue("ends.txt");
  EXPECT_EQ(text(LinkCountTxt), "4");
  put("empty.txt", std::string(2000000, '\n'));
  open_catalogue("empty.txt");
  EXPECT_EQ(text(LinkCountTxt), "2000000");
  boxes_.answer({press(IDOK)});
  click_line(0);
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"URL Link ERROR:", "Missing 1 or more delimiters [] ."}}));
  // The header is a folder: it cannot be opened, so the page is built without it.
  put("one.txt", "A[]a[]u[]\r\n");
  open_catalogue("one.txt");
  std::filesystem::create_directory(path("Webrolo_HtmlHdr.txt"));
  act(BuildBtn, {press(IDOK)}, {{"Open File ERROR", "Couldn't open the file  Webrolo_HtmlHdr.txt"}});
  EXPECT_EQ(get("one.html").substr(0, 8), "<select ");
}

// One line of 200 MB is read whole, kept whole, and written back whole.
TEST_F(Hostile, AHugeLine) {
  std::string line = "Big[]";
  line.append(200u << 20, 't');
  line += "[]u[]";
  put("big.txt", line + "\r\n");
  open_catalogue("big.txt");
  ASSERT_EQ(text(LinkCountTxt), "1");
  EXPECT_EQ(SendMessageW(gadget_handle(ListViewLinks), LB_GETTEXTLEN, 0, 0), static_cast<LRESULT>(line.size()));
  add_link("Small", "s", "u");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(std::filesystem::file_size(path("big.txt")), line.size() + 2 + std::string("Small[]s[]u[]\r\n").size());
  EXPECT_EQ(get("big-BK.txt").size(), line.size() + 2);
}

// The catalogue changed by another program between open and save: the save asks, and Yes keeps its
// version as the backup; the catalogue replaced by a folder: the save is refused and the folder left alone.
TEST_F(Hostile, TheCatalogueChangedByAnotherProgram) {
  put("c.txt", "A[]a[]u[]\r\n");
  open_catalogue("c.txt");
  put("c.txt", "Z[]written elsewhere[]u[]\r\n");
  const SeenBox changed{"Save Webrolo Txt",
                        "\"c.txt\" was changed by another program since it was opened. Do you want to replace it "
                        "anyway ?"};
  act(SaveFileBtn, {press(IDYES)}, {changed});
  EXPECT_EQ(get("c.txt"), "A[]a[]u[]\r\n");
  EXPECT_EQ(get("c-BK.txt"), "Z[]written elsewhere[]u[]\r\n");
  std::filesystem::remove(path("c.txt"));
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("c.txt"), "A[]a[]u[]\r\n");
  EXPECT_EQ(get("c-BK.txt"), "Z[]written elsewhere[]u[]\r\n") << "no catalogue to back up: the old backup stays";
  std::filesystem::remove(path("c.txt"));
  std::filesystem::create_directory(path("c.txt"));
  boxes_.answer({press(IDYES), press(IDOK)});
  click(SaveFileBtn);
  std::vector<SeenBox> seen = boxes_.taken();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], changed);
  EXPECT_EQ(seen[1].text, "Couldn't write the file  c-BK.txt\r\nAccess is denied.");
  EXPECT_TRUE(std::filesystem::is_directory(path("c.txt")));
  EXPECT_EQ(get("c-BK.txt"), "Z[]written elsewhere[]u[]\r\n");
}

// A name the file system refuses (the file dialog lets none through; here it is given straight to the
// program's names): the save says why and writes nothing.
TEST_F(Hostile, ANameTheFileSystemRefuses) {
  put("n.txt", "A[]a[]u[]\r\n");
  open_catalogue("n.txt");
  text_assign(&TxtFileName, TEXT("n|1.txt"));
  text_assign(&TxtBackupName, TEXT("n|1-BK.txt"));
  add_link("B", "b", "v");
  act(SaveFileBtn, {press(IDOK)},
      {{"SaveFileBtn_Clicked:",
        "Couldn't write the file  n|1.txt\r\nThe filename, directory name, or volume label syntax is incorrect."}});
  EXPECT_EQ(get("n.txt"), "A[]a[]u[]\r\n");
  EXPECT_EQ(FileSaved, 0);
}

// A full disk at every point of a page build: the old page and its backup stay whole.
TEST_F(Hostile, AFullDiskWhileBuilding) {
  put("Webrolo_HtmlHdr.txt", "<html><body><table><tr><td>\r\n");
  put("p.txt", crlf_lines({"A[]a[]u[]", "B[]b[]v[]"}));
  open_catalogue("p.txt");
  act(BuildBtn, {}, {});
  const std::string page = get("p.html");
  put("p-BK.html", "older page\r\n");
  add_link("C", "c", "w");
  for (size_t limit : {size_t{0}, size_t{100}, page.size() - 1, page.size() + 40}) {
    click_with_file_limit(BuildBtn, static_cast<off_t>(limit));
    std::vector<SeenBox> seen = boxes_.taken();
    ASSERT_EQ(seen.size(), 1u) << limit;
    EXPECT_EQ(seen[0].caption, "Buil Html File:");
    EXPECT_EQ(get("p.html"), page) << limit;
    EXPECT_EQ(get("p-BK.html"), "older page\r\n") << limit;
    EXPECT_EQ(status(), "  p.html  NOT BUILT !");
  }
}

}  // namespace

#endif
