// Opening catalogues in every encoding and line end, selecting lines, and
// editing the list: add, delete, clear and find, each with its refusals.
#include "app_fixture.h"

namespace {

using Links = AppTest;

const std::string kUtf8Mark = "\xEF\xBB\xBF";

TEST_F(Links, OpensEveryEncodingAndLineEndInFileOrder) {
  // UTF-8 with its mark, LF ends, an empty line kept, the last line without an end.
  put("a.txt", kUtf8Mark + "Z[]caf\xC3\xA9[]https://z.example/[]\n\nA[]\xE2\x82\xAC uro[]https://a.example/[]");
  open_catalogue("a.txt");
  EXPECT_EQ(lines(ListViewLinks), (std::vector<std::string>{"Z[]caf\xC3\xA9[]https://z.example/[]", "",
                                                            "A[]\xE2\x82\xAC uro[]https://a.example/[]"}));
  EXPECT_EQ(text(LinkCountTxt), "3");
  // UTF-16 little-endian with its mark, CR ends, a line end after the last line.
  const char utf16[] =
      "\xFF\xFE"
      "M\0[\0]\0\x3A\x04[\0]\0u\0[\0]\0\r\0";
  put("b.txt", std::string(utf16, sizeof utf16 - 1));
  open_catalogue("b.txt");
  EXPECT_EQ(lines(ListViewLinks), std::vector<std::string>{"M[]\xD0\xBA[]u[]"});
  // Without a mark: the ANSI code page, CR LF ends; the text comes back as the code page reads it.
  put("c.txt", "One[]1[]u1[]\r\nTwo[]2[]u2[]\r\n");
  open_catalogue("c.txt");
  EXPECT_EQ(lines(ListViewLinks), (std::vector<std::string>{"One[]1[]u1[]", "Two[]2[]u2[]"}));
  EXPECT_EQ(status(), "  c.txt ... Open And Loaded");
  // An empty file: no line, no message.
  put("d.txt", "");
  open_catalogue("d.txt");
  EXPECT_EQ(text(LinkCountTxt), "0");
  EXPECT_EQ(status(), "  d.txt ... Open And Loaded");
}

// The names follow the catalogue's, in any case; a catalogue elsewhere is read from there.
TEST_F(Links, DerivedNamesAndACatalogueInAnotherFolder) {
  std::filesystem::create_directories(path("elsewhere"));
  put("elsewhere/links.TXT", "A[]a[]u[]\r\n");
  open_catalogue("elsewhere/links.TXT");
  EXPECT_EQ(var(TxtFileName), "links.TXT");
  EXPECT_EQ(var(TxtBackupName), "links-BK.TXT");
  EXPECT_EQ(var(HtmlFileName), "links.html");
  EXPECT_EQ(var(HtmlBackupName), "links-BK.html");
  EXPECT_EQ(var(LoadedFileName), "links.TXT");
  EXPECT_EQ(text(InputFileTxt), "links.TXT");
  EXPECT_EQ(text(OutputFileTxt), "links.html");
  put("x.txt.txt", "A[]a[]u[]\r\n");
  open_catalogue("x.txt.txt");
  EXPECT_EQ(var(TxtBackupName), "x-BK.txt-BK.txt");
  EXPECT_EQ(var(HtmlBackupName), "x-BK.html-BK.html");
}

// A file that cannot be read leaves the names and their displays as they were and says so.
TEST_F(Links, AFailedOpenKeepsTheNamesAndSaysSo) {
  put("good.txt", "A[]a[]u[]\r\n");
  open_catalogue("good.txt");
  const std::string missing = path("missing.txt");
  act(OpenBtn, {choose_file(missing), press(IDOK)},
      {{"Select Your Rolos Text File", ""}, {"Open File ERROR", "Couldn't open the file  " + missing}});
  EXPECT_EQ(status(), "Couldn't open the file  " + missing);
  EXPECT_EQ(text(InputFileTxt), "good.txt");
  EXPECT_EQ(text(OutputFileTxt), "good.html");
  EXPECT_EQ(var(TxtFileName), "good.txt");
  EXPECT_EQ(text(LinkCountTxt), "0");
  EXPECT_EQ(gadget_item_count(ListViewLinks), 0);
}

TEST_F(Links, SelectingSplitsValidLinesAndRefusesOthers) {
  put("s.txt", crlf_lines({"M[] T [] u []fourth", "two[]delims[]", "[][][]", "M[]a[b]c[]u2[]"}));
  open_catalogue("s.txt");
  click_line(0);
  EXPECT_EQ(text(MenuNameTxt), "M");
  EXPECT_EQ(text(LinkTitleTxt), " T ");
  EXPECT_EQ(text(LinkAddressTxt), " u ");
  EXPECT_EQ(var(WebSiteAddress), " u ");
  // Two delimiters: the box, the work areas untouched; a double click then offers the previous address.
  boxes_.answer({press(IDOK)});
  click_line(1);
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"URL Link ERROR:", "Missing 1 or more delimiters [] ."}}));
  EXPECT_EQ(text(LinkTitleTxt), " T ");
  // A double click on it checks the line, then offers the previous address. (A person's double click
  // never gets that far: the box of its first click takes the second; the list's event shows the order.)
  boxes_.answer({press(IDOK), press(IDNO)});
  event_post(EVENT_GADGET, ListViewLinks, MainWindow, GADGET_TYPE_DOUBLE_CLICK);
  run();
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"URL Link ERROR:", "Missing 1 or more delimiters [] ."},
                                                  {"Do you want to visit this Website ?", " u "}}));
  // Other list events, a right click say, run nothing.
  event_post(EVENT_GADGET, ListViewLinks, MainWindow, GADGET_TYPE_RIGHT_CLICK);
  run();
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{});
  EXPECT_EQ(status(), "Browser =  WebSite-visit cancelled");
  // Three delimiters alone: three empty fields.
  click_line(2);
  EXPECT_EQ(text(MenuNameTxt), "");
  EXPECT_EQ(var(WebSiteAddress), "");
  // The arrow keys move the selection and fill the work areas line by line.
  key(VK_DOWN);
  EXPECT_EQ(selected(), 3);
  EXPECT_EQ(text(LinkTitleTxt), "a[b]c");
  // A double click on a valid line offers its address; Yes opens it.
  forget_opened();
  put("u2", "");
  boxes_.answer({press(IDYES)});
  double_click_line(3);
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Do you want to visit this Website ?", "u2"}}));
  EXPECT_EQ(status(), "Browser =  u2");
#ifndef _WIN32
  EXPECT_EQ(opened(), "args: [" + real_path(path("u2")) + "]");
#endif
  EXPECT_EQ(var(LastAction), "ListViewLinks");
}

TEST_F(Links, AddRefusesEmptyFieldsDelimitersAndExactDuplicates) {
  put("e.txt", crlf_lines({"News[]Daily[]https://d.example/[]", "Tools[]Maps[]https://m.example/[]"}));
  open_catalogue("e.txt");
  act(AddSaveBtn, {press(IDOK)}, {{"MenuNameTxt", "MenuName is empty !"}});
  replace_text(MenuNameTxt, "News");
  act(AddSaveBtn, {press(IDOK)}, {{"LinkTitle", "LinkTitle is empty !"}});
  replace_text(LinkTitleTxt, "Daily");
  act(AddSaveBtn, {press(IDOK)}, {{"LinkAddress", "LinkAddress is empty !"}});
  replace_text(LinkAddressTxt, "https://d.[]example/");
  act(AddSaveBtn, {press(IDOK)}, {{"Add Link", "A Menu Name, Link Title or Link Address cannot hold [] ."}});
  EXPECT_EQ(text(LinkCountTxt), "2");
  EXPECT_EQ(FileSaved, 1);
  // The same line, case included, is a duplicate; it becomes selected.
  replace_text(LinkAddressTxt, "https://d.example/");
  act(AddSaveBtn, {}, {});
  EXPECT_EQ(status(), "This Link already exists !");
  EXPECT_EQ(selected(), 0);
  EXPECT_EQ(FileSaved, 1);
  // Another case is another link; selecting by text goes to the first equal one ignoring case.
  replace_text(MenuNameTxt, "news");
  act(AddSaveBtn, {}, {});
  EXPECT_EQ(text(LinkCountTxt), "3");
  EXPECT_EQ(selected(), 0);
  ASSERT_EQ(lines(ListViewLinks).size(), 3u);
  EXPECT_EQ(lines(ListViewLinks)[0], "news[]Daily[]https://d.example/[]") << "before the equal line";
  EXPECT_EQ(var(LastAction), "AddSaveBtn");
  EXPECT_EQ(FileSaved, 0);
}

TEST_F(Links, DeleteAndClear) {
  put("f.txt", crlf_lines({"A[]a[]u[]", "B[]b[]v[]"}));
  open_catalogue("f.txt");
  act(DeleteBtn, {press(IDOK)}, {{"Delete ERROR ", "NO LINK SELECTED , Try Again !"}});
  EXPECT_EQ(var(LastAction), "DeleteBtn");
  EXPECT_EQ(FileSaved, 1);
  click_line(1);
  replace_text(LinkTitleTxt, "edited");
  act(DeleteBtn, {}, {});
  EXPECT_EQ(lines(ListViewLinks), std::vector<std::string>{"A[]a[]u[]"});
  EXPECT_EQ(status(), " Link: B[]edited[]v[]  DELETED !") << "the message shows the work areas";
  EXPECT_EQ(selected(), -1);
  EXPECT_EQ(text(LinkCountTxt), "1");
  act(ClearBtn, {}, {});
  EXPECT_EQ(text(MenuNameTxt) + text(LinkTitleTxt) + text(LinkAddressTxt), "");
  EXPECT_EQ(var(LastAction), "ClearBtn");
}

TEST_F(Links, FindWalksTheHitsThenEndsAndStartsAgain) {
  std::vector<std::string> ten;
  for (int i = 0; i < 10; ++i) ten.push_back("M[]t" + std::to_string(i) + (i % 4 == 1 ? "[]HIT[]" : "[]x[]"));
  put("g.txt", crlf_lines(ten));
  open_catalogue("g.txt");
  replace_text(FindLinkTxt, "hit");
  for (int hit : {1, 5, 9}) {
    act(FindLinkBtn, {}, {});
    EXPECT_EQ(selected(), hit);
    EXPECT_EQ(text(LinkTitleTxt), "t" + std::to_string(hit));
  }
  // A click on the list keeps the search going.
  click_line(0);
  EXPECT_EQ(var(LastAction), "FindLinkBtn");
  act(FindLinkBtn, {press(IDOK)}, {{"Find", " End Of Search "}});
  act(FindLinkBtn, {}, {});
  EXPECT_EQ(selected(), 1) << "a new search from the top";
  // Typing in the search field starts a new search; nothing found gives both boxes.
  replace_text(FindLinkTxt, "absent");
  act(FindLinkBtn, {press(IDOK), press(IDOK)}, {{"Find", "Link Not Found "}, {"Find", " End Of Search "}});
  replace_text(FindLinkTxt, "");
  act(FindLinkBtn, {press(IDOK), press(IDOK)}, {{"Find", "Link Not Found "}, {"Find", " End Of Search "}});
}

}  // namespace
