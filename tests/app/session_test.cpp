// A whole session as a person has it: open, select, add, find, delete, save,
// build, view, help and exit, with every text and file checked.
#include "app_fixture.h"

namespace {

using Session = AppTest;

TEST_F(Session, StartsWithTheWelcomeAndEndsWithoutQuestionWhenNothingChanged) {
  EXPECT_EQ(text(InputFileTxt), "Webrolo.txt");
  EXPECT_EQ(text(OutputFileTxt), "Webrolo.html");
  EXPECT_EQ(text(LinkCountTxt), "0");
  EXPECT_EQ(status(), "Welcome !");
  EXPECT_EQ(FileSaved, 1);
  act(ExitBtn, {}, {});
  EXPECT_TRUE(ended_);
}

}  // namespace

namespace {

const std::vector<std::string> kCatalogue = {
    "News[]Daily[]https://daily.example/[]",
    "News[]Weekly[]https://weekly.example/[]",
    "Tools[]Search[]https://search.example/[]",
};

TEST_F(Session, OpenSelectAddFindDeleteSaveBuildViewHelpExit) {
  put("links.txt", crlf_lines(kCatalogue));
  put("Webrolo_HtmlHdr.txt", "<html><body><table><tr><td>ttt\r\n");
  put("Webrolo_Help.html", "<p>help</p>");
  open_catalogue("links.txt");
  EXPECT_EQ(lines(ListViewLinks), kCatalogue);
  EXPECT_EQ(text(LinkCountTxt), "3");
  EXPECT_EQ(text(InputFileTxt), "links.txt");
  EXPECT_EQ(text(OutputFileTxt), "links.html");
  EXPECT_EQ(status(), "  links.txt ... Open And Loaded");
  EXPECT_EQ(var(LastAction), "OpenBtn");

  click_line(1);
  EXPECT_EQ(text(MenuNameTxt), "News");
  EXPECT_EQ(text(LinkTitleTxt), "Weekly");
  EXPECT_EQ(text(LinkAddressTxt), "https://weekly.example/");
  EXPECT_EQ(var(LastAction), "ListViewLinks");
  EXPECT_EQ(SelectedIndex, 1);

  add_link("News", "Monthly", "https://monthly.example/");
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{});
  EXPECT_EQ(status(), "  Link: News[]Monthly[]https://monthly.example/[]   ADDED !");
  EXPECT_EQ(text(LinkCountTxt), "4");
  ASSERT_EQ(lines(ListViewLinks).size(), 4u);
  EXPECT_EQ(lines(ListViewLinks)[1], "News[]Monthly[]https://monthly.example/[]") << "sorted insertion";
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(FileSaved, 0);

  replace_text(FindLinkTxt, "search");
  act(FindLinkBtn, {}, {});
  EXPECT_EQ(selected(), 3);
  EXPECT_EQ(text(LinkTitleTxt), "Search");
  act(FindLinkBtn, {press(IDOK)}, {{"Find", " End Of Search "}});
  EXPECT_EQ(var(LastAction), "EndOf-FindLinkBtn");

  click_line(0);
  act(DeleteBtn, {}, {});
  EXPECT_EQ(status(), " Link: News[]Daily[]https://daily.example/[]  DELETED !");
  EXPECT_EQ(text(LinkCountTxt), "3");

  act(SaveFileBtn, {}, {});
  EXPECT_EQ(status(), "  links.txt  and  links-BK.txt  SAVED !");
  EXPECT_EQ(FileSaved, 1);
  EXPECT_EQ(get("links-BK.txt"), crlf_lines(kCatalogue));
  EXPECT_EQ(get("links.txt"),
            crlf_lines({"News[]Monthly[]https://monthly.example/[]", "News[]Weekly[]https://weekly.example/[]",
                        "Tools[]Search[]https://search.example/[]"}));

  act(BuildBtn, {}, {});
  EXPECT_EQ(status(), "Builded  links.html  File is Ready.   Click on [View Html FIle] Button To View");
  std::string page = get("links.html");
  EXPECT_EQ(page.substr(0, 39), "<html><body><table><tr><td>links.html\r\n");
  EXPECT_NE(page.find("<option value=\"https://monthly.example/\">Monthly</option>\r\n"), std::string::npos);

  act(ViewBtn, {}, {});
  EXPECT_EQ(status(), "  links.html ... on Display in Browser");
#ifndef _WIN32
  EXPECT_EQ(opened(), "args: [" + real_path(path("links.html")) + "]");
  forget_opened();
#endif
  act(HelpBtn, {press(IDOK)}, {{"HelpBtn", " Procedure HelpBtn_clicked()  ;   WebroloHelpFile$"}});
  EXPECT_EQ(status(), "  Webrolo_Help.html ... on Display in Browser");
#ifndef _WIN32
  EXPECT_EQ(opened(), "args: [" + real_path(path("Webrolo_Help.html")) + "]");
#endif
  act(ExitBtn, {}, {});
  EXPECT_TRUE(ended_);
}

}  // namespace

namespace {

const SeenBox kExitQuestion{" WARNING - File Not Saved", "Do you want \"links.txt\" to be saved before exiting ?"};
const SeenBox kOpenQuestion{" WARNING - File Not Saved",
                            "Do you want \"links.txt\" to be saved before opening another ?"};

class Unsaved : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    put("links.txt", crlf_lines(kCatalogue));
    open_catalogue("links.txt");
    add_link("Tools", "Maps", "https://maps.example/");
    ASSERT_EQ(FileSaved, 0);
  }
  const std::string after_add_ = crlf_lines(
      {kCatalogue[0], kCatalogue[1], "Tools[]Maps[]https://maps.example/[]", kCatalogue[2]});
};

// Exit, the close box and Open all ask first; Cancel leaves everything as it was.
TEST_F(Unsaved, CancelKeepsTheWindowTheListAndTheFile) {
  act(ExitBtn, {press(IDCANCEL)}, {kExitQuestion});
  EXPECT_FALSE(ended_);
  boxes_.answer({press(IDCANCEL)});
  close_window();
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{kExitQuestion});
  EXPECT_FALSE(ended_);
  act(OpenBtn, {press(IDCANCEL)}, {kOpenQuestion});
  EXPECT_EQ(text(LinkCountTxt), "4");
  EXPECT_EQ(lines(ListViewLinks).size(), 4u);
  EXPECT_EQ(FileSaved, 0);
  EXPECT_EQ(get("links.txt"), crlf_lines(kCatalogue));
  EXPECT_FALSE(exists("links-BK.txt"));
}

// Enter takes the default answer, Yes: the catalogue and its backup are written, then the program ends.
TEST_F(Unsaved, YesSavesBeforeTheProgramEnds) {
  boxes_.answer({press_enter()});
  close_window();
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{kExitQuestion});
  EXPECT_TRUE(ended_);
  EXPECT_EQ(get("links.txt"), after_add_);
  EXPECT_EQ(get("links-BK.txt"), crlf_lines(kCatalogue));
}

TEST_F(Unsaved, NoGoesOnWithoutSaving) {
  put("other.txt", "Other[]One[]https://one.example/[]\r\n");
  act(OpenBtn, {press(IDNO), choose_file(path("other.txt"))}, {kOpenQuestion, {"Select Your Rolos Text File", ""}});
  EXPECT_EQ(lines(ListViewLinks), std::vector<std::string>{"Other[]One[]https://one.example/[]"});
  EXPECT_EQ(get("links.txt"), crlf_lines(kCatalogue));
  // Opening does not count as a save: the change made before still asks, now naming the new file.
  act(ExitBtn, {press(IDNO)},
      {{" WARNING - File Not Saved", "Do you want \"other.txt\" to be saved before exiting ?"}});
  EXPECT_TRUE(ended_);
  EXPECT_EQ(get("links.txt"), crlf_lines(kCatalogue));
  EXPECT_FALSE(exists("other-BK.txt"));
}

// After a save nothing is unsaved; a change after it asks again.
TEST_F(Unsaved, ASaveEndsTheQuestionUntilTheNextChange) {
  act(SaveFileBtn, {}, {});
  act(OpenBtn, {choose_file(""), press(IDOK)},
      {{"Select Your Rolos Text File", ""}, {"No File Loaded :", "Try Again !"}});
  EXPECT_EQ(status(), "links.txtNo File Loaded :  Try Again !");
  EXPECT_EQ(text(LinkCountTxt), "0");
  add_link("Z", "z", "z");
  act(ExitBtn, {press(IDYES)}, {kExitQuestion});
  EXPECT_TRUE(ended_);
  EXPECT_EQ(get("links.txt"), crlf_lines({"Z[]z[]z[]"}));
  EXPECT_EQ(get("links-BK.txt"), after_add_);
}

}  // namespace
