// Bookmark files in through the Open button and out through the export:
// every markup variation of tests/app/bookmarks/ against its catalogue, the
// names, status and unsaved state an import leaves, refusals, and a file
// written by the export read back to the same lines.
#include <regex>

#include "app/bookmarks.h"
#include "app_fixture.h"

namespace {

using Bookmarks = AppTest;

const std::string kFixtures = WEBROLO_SOURCE_DIR "/tests/app/bookmarks/";

std::string fixture(const std::string& leaf) {
  std::ifstream in(kFixtures + leaf, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each NAME.html, picked in the Open requester, gives the lines of NAME.txt.
TEST_F(Bookmarks, EveryVariationImportsAsItsCatalogue) {
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
    if (entry.path().extension() != ".html") continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    put(name + ".html", fixture(name + ".html"));
    // After the first import its links count as unsaved: the Open button asks first.
    if (checked++) boxes_.answer({press(IDNO)});
    boxes_.answer({choose_file(path(name + ".html"))});
    click(OpenBtn);
    EXPECT_EQ(boxes_.unanswered(), 0u);
    EXPECT_EQ(crlf_lines(lines(ListViewLinks)), fixture(name + ".txt"));
    EXPECT_EQ(FileSaved, 0);
  }
  EXPECT_GE(checked, 20);
  boxes_.taken();
}

TEST_F(Bookmarks, OpenImportsUnderAFreeNameAndNeverWritesTheFile) {
  const std::string file = fixture("nested_folders.html");
  put("bookmarks.html", file);
  open_catalogue("bookmarks.html");
  EXPECT_EQ(crlf_lines(lines(ListViewLinks)), fixture("nested_folders.txt"));
  // "bookmarks.txt" would have the bookmark file as its page.
  EXPECT_EQ(text(InputFileTxt), "bookmarks (2).txt");
  EXPECT_EQ(text(OutputFileTxt), "bookmarks (2).html");
  EXPECT_EQ(var(TxtBackupName), "bookmarks (2)-BK.txt");
  EXPECT_EQ(text(LinkCountTxt), "6");
  EXPECT_EQ(status(), "Imported 6 links in 4 menus from bookmarks.html");
  EXPECT_EQ(FileSaved, 0);
  act(OpenBtn, {press(IDCANCEL)},
      {{" WARNING - File Not Saved", "Do you want \"bookmarks (2).txt\" to be saved before opening another ?"}});
  EXPECT_EQ(text(LinkCountTxt), "6");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("bookmarks (2).txt"), fixture("nested_folders.txt"));
  EXPECT_EQ(get("bookmarks.html"), file);
  // What is left out, and said.
  put("skipped.htm", fixture("skipped_links.html") + "<DT><A HREF=\"https://kept.example/\">Kept</A><DT><A HREF=\"x");
  open_catalogue("skipped.htm");
  EXPECT_EQ(status(),
            "Imported 1 links in 1 menus from skipped.htm ; skipped 10: 1 place:, 2 javascript:, 1 data:, 1 about:, 2 "
            "chrome: or edge:, 3 without an address ; 1 duplicate lines kept once ; the file ends inside a tag");
  EXPECT_EQ(text(InputFileTxt), "skipped.txt");
  // An HTML file that is no bookmark file opens as a catalogue, as always.
  put("page.html", "<html><body>\r\n<p>Not a list of links</p>\r\n");
  act(OpenBtn, {press(IDNO), choose_file(path("page.html"))},
      {{" WARNING - File Not Saved", "Do you want \"skipped.txt\" to be saved before opening another ?"},
       {"Select Your Rolos Text File", ""}});
  EXPECT_EQ(lines(ListViewLinks), (std::vector<std::string>{"<html><body>", "<p>Not a list of links</p>"}));
  EXPECT_EQ(status(), "  page.html ... Open And Loaded");
}

TEST_F(Bookmarks, HugeDeepOrDamagedFilesImportWhatTheyHoldOrAreRefused) {
  // Folders nested 100,000 deep: no recursion, one menu whose name keeps the outermost and innermost folders.
  std::string deep = "<DL>";
  for (int i = 0; i < 100000; ++i) deep += "<DT><H3>F" + std::to_string(i % 10) + "</H3><DL>";
  const char binary[] = "<DT><A HREF=\"https://deep.example/\">Deep</A>\x01\xFF\xFE\x00\x80<a href=x>";
  put("deep.html", deep + std::string(binary, sizeof binary - 1));
  open_catalogue("deep.html");
  const std::vector<std::string> deep_lines = lines(ListViewLinks);
  ASSERT_EQ(deep_lines.size(), 2u);
  const std::string menu = deep_lines[0].substr(0, std::min<size_t>(deep_lines[0].find("[]"), 300));
  EXPECT_EQ(menu.substr(0, 11), "F0 / \xE2\x80\xA6 / ") << menu;
  EXPECT_EQ(menu.substr(menu.size() - 12), "F7 / F8 / F9") << menu;
  EXPECT_LE(menu.size(), 240u + 2u) << "the longest menu name, one character of three bytes in it";
  EXPECT_TRUE(deep_lines[0] == menu + "[]Deep[]https://deep.example/[]" && deep_lines[1] == menu + "[]x[]x[]");
  // A character set the program does not read: refused, the list stays empty, the names stay.
  put("sjis.html", "<META CHARSET=Shift_JIS><DL><DT><A HREF=u>x</A></DL>");
  act(OpenBtn, {press(IDNO), choose_file(path("sjis.html")), press(IDOK)},
      {{" WARNING - File Not Saved", "Do you want \"deep (2).txt\" to be saved before opening another ?"},
       {"Select Your Rolos Text File", ""},
       {"Import Browser Bookmarks",
        "Couldn't import the file  " + path("sjis.html") +
            "\r\nIts text is in the character set \"Shift_JIS\", which Webrolo does not read: export the "
            "bookmarks again in UTF-8."}});
  EXPECT_EQ(text(LinkCountTxt), "0");
  EXPECT_EQ(text(InputFileTxt), "deep (2).txt");
  // A file that is not there is refused for that, not as a file of another kind.
  boxes_.answer({press(IDNO), choose_file(path("gone.html")), press(IDOK)});
  ImportBookmarks();
  const std::string refusal = boxes_.taken().back().text;
  EXPECT_EQ(refusal.rfind("Couldn't import the file  " + path("gone.html") + "\r\n", 0), 0u) << refusal;
  EXPECT_EQ(refusal.find("not a browser bookmark file"), std::string::npos) << refusal;
  // A bookmark file an editor saved again as UTF-16 is refused for that.
  put("u16.html", std::string("\xFF\xFE<\0D\0L\0>\0", 10));
  boxes_.answer({press(IDNO), choose_file(path("u16.html")), press(IDOK)});
  ImportBookmarks();
  EXPECT_EQ(boxes_.taken().back().text, "Couldn't import the file  " + path("u16.html") +
                                            "\r\nIts text is in UTF-16, which Webrolo does not read as bookmarks: "
                                            "export them again in UTF-8.");
}

// The catalogue's lines with the export's dates made one.
std::string undated(const std::string& file) {
  return std::regex_replace(file, std::regex("ADD_DATE=\"\\d+\""), "ADD_DATE=\"D\"");
}

TEST_F(Bookmarks, ExportWritesAFileThatImportsBackToTheSameLines) {
  boxes_.answer({press(IDOK)});
  ExportBookmarks();
  EXPECT_EQ(boxes_.taken(),
            (std::vector<SeenBox>{{"Export as Browser Bookmarks", "The list is empty: there is nothing to export."}}));
  put("links.txt", "\xEF\xBB\xBF" + crlf_lines({"News[]Tom & Jerry <3 \"quoted\"[]https://a.example/?x=1&y=2[]",
                                                "Caf\xC3\xA9s[]\xE2\x82\xAC and \xF0\x9F\x98\x80[]https://b.example/[]",
                                                "not a link line", "News[]Second[]https://c.example/[]"}));
  open_catalogue("links.txt");
  // The proposed name is taken as it is.
  boxes_.answer({BoxAnswer{IDOK, true, ""}});
  ExportBookmarks();
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Export as Browser Bookmarks", ""}}));
  EXPECT_EQ(status(), "Exported 3 links in 2 menus to links-bookmarks.html ; left out 1 lines without three []");
  const std::string written = get("links-bookmarks.html");
  EXPECT_EQ(
      undated(written),
      crlf_lines({"<!DOCTYPE NETSCAPE-Bookmark-file-1>",
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">", "<TITLE>Bookmarks</TITLE>",
                  "<H1>Bookmarks</H1>", "<DL><p>", "    <DT><H3 ADD_DATE=\"D\">News</H3>", "    <DL><p>",
                  "        <DT><A HREF=\"https://a.example/?x=1&amp;y=2\" ADD_DATE=\"D\">Tom &amp; Jerry &lt;3 "
                  "&quot;quoted&quot;</A>",
                  "        <DT><A HREF=\"https://c.example/\" ADD_DATE=\"D\">Second</A>", "    </DL><p>",
                  "    <DT><H3 ADD_DATE=\"D\">Caf\xC3\xA9s</H3>", "    <DL><p>",
                  "        <DT><A HREF=\"https://b.example/\" ADD_DATE=\"D\">\xE2\x82\xAC and \xF0\x9F\x98\x80</A>",
                  "    </DL><p>", "</DL><p>"}));
  // The catalogue and its page are refused; another export keeps the last one as the backup.
  for (const std::string& own : {std::string("links.txt"), std::string("links.html")}) {
    boxes_.answer({choose_file(path(own)), press(IDOK)});
    ExportBookmarks();
    EXPECT_EQ(boxes_.taken().back().text, "Can't export to \"" + path(own) + "\" : it is the catalogue" +
                                              (own == "links.txt" ? " itself." : "'s page."));
  }
  boxes_.answer({choose_file(path("links-bookmarks.html"))});
  ExportBookmarks();
  EXPECT_EQ(get("links-bookmarks-BK.html"), written);
  boxes_.taken();
  open_catalogue("links-bookmarks.html");
  EXPECT_EQ(lines(ListViewLinks),
            (std::vector<std::string>{"News[]Tom & Jerry <3 \"quoted\"[]https://a.example/?x=1&y=2[]",
                                      "News[]Second[]https://c.example/[]",
                                      "Caf\xC3\xA9s[]\xE2\x82\xAC and \xF0\x9F\x98\x80[]https://b.example/[]"}));
}

}  // namespace
