// The program from the keyboard alone: a whole session, the keys that act on
// what has the focus (and leave the text fields their editing keys), undo and
// redo, and Tab to every button. Both builds: the keys go through the real
// accelerator lookup, the headless display's keyboard here, posted key
// messages and the thread's key state under Windows.
#include "app_fixture.h"

namespace {

const std::vector<std::string> kSession = {
    "News[]Daily[]https://daily.example/[]", "News[]Weekly[]https://weekly.example/[]",
    "Tools[]Maps[]https://maps.example/[]", "Tools[]Search[]https://search.example/[]"};

using Keys = AppTest;

TEST_F(Keys, AWholeSessionWithoutTheMouse) {
  put("Webrolo_HtmlHdr.txt", "<html><body><table><tr><td>\r\n");
  put("links.txt", crlf_lines(kSession));
  boxes_.answer({type_file(path("links.txt"))});
  chord({VK_CONTROL}, 'O');
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Select Your Rolos Text File", ""}}));
  EXPECT_EQ(lines(ListViewLinks), kSession);

  key(VK_TAB);  // nothing had the focus: the first tab stop is the list
  ASSERT_EQ(gadget_get_focus(), ListViewLinks);
  key(VK_HOME);
  key(VK_DOWN);
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(text(LinkTitleTxt), "Weekly") << "the arrows show the line's fields";

  chord({VK_CONTROL}, 'F');
  ASSERT_EQ(gadget_get_focus(), FindLinkTxt);
  type(FindLinkTxt, "maps");
  key(VK_RETURN);
  EXPECT_EQ(selected(), 2);
  EXPECT_EQ(text(LinkAddressTxt), "https://maps.example/");

  for (int i = 0; i < 5; ++i) key(VK_TAB);  // past the count and the status line, round to the list
  ASSERT_EQ(gadget_get_focus(), ListViewLinks);
  key(VK_DELETE);
  EXPECT_EQ(status(), " Link: Tools[]Maps[]https://maps.example/[]  DELETED !");
  chord({VK_CONTROL}, 'Z');
  EXPECT_EQ(status(), "Undone: Delete Link  Tools[]Maps[]https://maps.example/[]");
  EXPECT_EQ(lines(ListViewLinks), kSession) << "back at its place";
  EXPECT_EQ(selected(), 2);
  EXPECT_EQ(FileSaved, 1) << "the list is the file again";

  key(VK_HOME);
  key(VK_DELETE);
  chord({VK_CONTROL}, 'S');
  EXPECT_EQ(status(), "  links.txt  and  links-BK.txt  SAVED !");
  chord({VK_CONTROL}, 'B');
  chord({VK_CONTROL}, 'Q');
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{}) << "saved: Exit asks nothing";
  EXPECT_TRUE(ended_);

  const std::vector<std::string> kept(kSession.begin() + 1, kSession.end());
  EXPECT_EQ(get("links.txt"), crlf_lines(kept));
  EXPECT_EQ(get("links-BK.txt"), crlf_lines(kSession));
  const std::string select =
      "<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); background-color:rgb(231,169,126);\" "
      "name=\"menu\" onchange=\"window.open(this.value); window.location.reload();\">";
  EXPECT_EQ(get("links.html"),
            crlf_lines({"<html><body><table><tr><td>", select, "  <option selected=\"0\" value=\"\">News</option>",
                        "<option value=\"https://weekly.example/\">Weekly</option>", "</select>", select,
                        "  <option selected=\"0\" value=\"\">Tools</option>",
                        "<option value=\"https://maps.example/\">Maps</option>",
                        "<option value=\"https://search.example/\">Search</option>",
                        "</select></td></tr></table><br></body></html>"}));
}

// One step: the focus given to a gadget (null: left), keys pressed (VK_CONTROL and VK_SHIFT held for the key
// after them), boxes answered, and what shows after it (a status of "" is not looked at).
struct Step {
  const char* what;
  int64_t* focus;
  std::vector<UINT> keys;
  std::vector<BoxAnswer> answers;
  std::string status, menu_name;
  int selected;
  size_t lines;
  int64_t saved;
};

TEST_F(Keys, EachKeyWhereItActs) {
  put("m.txt", crlf_lines({"News[]Daily[]u1[]", "Tools[]Maps[]u2[]", "Tools[]Mail[]u3[]"}));
  open_catalogue("m.txt");
  const UINT ctrl = VK_CONTROL, shift = VK_SHIFT;
  const std::string opened = "  m.txt ... Open And Loaded", misc = "Misc[]Notes[]u4[]";
  auto run_steps = [&](const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      if (step.focus) SetFocus(gadget_handle(*step.focus));
      for (const BoxAnswer& answer : step.answers) boxes_.answer({answer});
      std::vector<UINT> held;
      for (UINT k : step.keys) {
        if (k == ctrl || k == shift) {
          held.push_back(k);
        } else {
          chord(held, k);
          held.clear();
        }
      }
      EXPECT_EQ(boxes_.taken().size(), step.answers.size());
      EXPECT_TRUE(step.status.empty() || status() == step.status) << status();
      EXPECT_EQ(text(MenuNameTxt), step.menu_name);
      EXPECT_EQ(selected(), step.selected);
      EXPECT_EQ(lines(ListViewLinks).size(), step.lines);
      EXPECT_EQ(FileSaved, step.saved);
    }
  };
  // clang-format off
  run_steps({
      {"a letter in the list: the next line it begins", &ListViewLinks, {'T'}, {}, opened, "Tools", 1, 3, 1},
      {"the same letter again", nullptr, {'T'}, {}, opened, "Tools", 2, 3, 1},
      {"Ctrl+C in the list", nullptr, {ctrl, 'C'}, {}, "Clipboard =  u3", "Tools", 2, 3, 1},
      {"Enter in the list", nullptr, {VK_RETURN}, {press(IDNO)}, "Browser =  WebSite-visit cancelled", "Tools", 2, 3, 1},
      {"Delete in a work area", &MenuNameTxt, {VK_HOME, VK_DELETE}, {}, "", "ools", 2, 3, 1},
      {"Ctrl+Z in a work area", nullptr, {ctrl, 'Z'}, {}, "", "Tools", 2, 3, 1},
      {"Esc in a work area", nullptr, {VK_ESCAPE}, {}, "", "", 2, 3, 1},
  });
  type(MenuNameTxt, "Misc");
  type(LinkTitleTxt, "Notes");
  type(LinkAddressTxt, "u4");
  run_steps({
      {"Enter in a work area", nullptr, {VK_RETURN}, {}, "  Link: " + misc + "   ADDED !", "Misc", 0, 4, 0},
      {"Ctrl+Z on a button", &AddSaveBtn, {ctrl, 'Z'}, {}, "Undone: Add Link  " + misc, "Misc", -1, 3, 1},
      {"Ctrl+Y", nullptr, {ctrl, 'Y'}, {}, "Redone: Add Link  " + misc, "Misc", 0, 4, 0},
      {"Ctrl+Shift+Z", nullptr, {ctrl, shift, 'Z'}, {}, "Nothing to Redo", "Misc", 0, 4, 0},
      {"Space on a button", &ClearBtn, {VK_SPACE}, {}, "", "", 0, 4, 0},
      {"Enter on a button", &FindLinkBtn, {VK_RETURN}, {press(IDOK), press(IDOK)}, "", "", 0, 4, 0},
      {"Delete in the list, twice undone", &ListViewLinks, {VK_DELETE, ctrl, 'Z', ctrl, 'Z'}, {},
       "Undone: Add Link  " + misc, "Misc", -1, 3, 1},
      {"Ctrl+Z with nothing left", nullptr, {ctrl, 'Z'}, {}, "Nothing to Undo", "Misc", -1, 3, 1},
  });
  // clang-format on
  chord({ctrl}, 'Q');
  EXPECT_TRUE(ended_) << "undone to the file as opened: Exit asks nothing";
}

// The keys of the remaining buttons, Ctrl+F over an earlier search text, F3; then undo back
// to a save (nothing unsaved, Exit asks nothing) and Open starting a new history.
TEST_F(Keys, ButtonKeysAndUndoBackToTheSave) {
  put("Webrolo_HtmlHdr.txt", "<html><body>\r\n");
  put("links.txt", crlf_lines(kSession));
  open_catalogue("links.txt");
  type(FindLinkTxt, "maps");
  SetFocus(gadget_handle(ListViewLinks));
  chord({VK_CONTROL}, 'F');
  type(FindLinkTxt, "news");
  EXPECT_EQ(text(FindLinkTxt), "news") << "the earlier text was selected, so typing replaced it";
  key(VK_RETURN);
  EXPECT_EQ(selected(), 0);
  key(VK_F3);
  EXPECT_EQ(selected(), 1) << "F3 finds the next one";
  chord({VK_CONTROL}, 'B');
  chord({VK_CONTROL, VK_SHIFT}, 'B');
  EXPECT_EQ(status(), "  links.html ... on Display in Browser");
  boxes_.answer({press(IDOK)});
  key(VK_F1);
  EXPECT_EQ(status(), "  Webrolo_Help.html ... on Display in Browser");
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"HelpBtn", " Procedure HelpBtn_clicked()  ;   WebroloHelpFile$"}}));

  const SeenBox exit_question{" WARNING - File Not Saved", "Do you want \"links.txt\" to be saved before exiting ?"};
  SetFocus(gadget_handle(ListViewLinks));
  key(VK_DELETE);
  chord({VK_CONTROL}, 'S');
  key(VK_HOME);
  key(VK_DELETE);
  struct Case {
    UINT key;
    int64_t saved;
    std::string count;
  };
  // Back to the save, before it (the list as opened, no longer what the file holds), forward to it again.
  for (const Case& c :
       {Case{'Z', 1, "3"}, Case{'Z', 0, "4"}, Case{'Y', 1, "3"}, Case{'Y', 0, "2"}, Case{'Z', 1, "3"}}) {
    chord({VK_CONTROL}, c.key);
    EXPECT_EQ(FileSaved, c.saved) << status();
    EXPECT_EQ(text(LinkCountTxt), c.count);
  }
  key(VK_DELETE);
  boxes_.answer({press(IDCANCEL)});
  chord({VK_CONTROL}, 'Q');
  EXPECT_EQ(boxes_.taken(), std::vector<SeenBox>{exit_question}) << "a change after the save asks";
  EXPECT_FALSE(ended_);
  chord({VK_CONTROL}, 'Z');
  boxes_.answer({type_file(path("links.txt"))});
  chord({VK_CONTROL}, 'O');
  chord({VK_CONTROL}, 'Z');
  EXPECT_EQ(status(), "Nothing to Undo") << "Open starts a new history";
  chord({VK_CONTROL}, 'Q');
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Select Your Rolos Text File", ""}})) << "Exit asked nothing";
  EXPECT_TRUE(ended_);
  EXPECT_EQ(get("links.txt"), crlf_lines({kSession[0], kSession[2], kSession[3]}));
}

// Tab comes to every button, which shows its focus; Shift+Tab goes back.
TEST_F(Keys, TabReachesEveryButton) {
  for (int64_t* button : {&OpenBtn, &SaveFileBtn, &BuildBtn, &ViewBtn, &AddSaveBtn, &ClearBtn, &DeleteBtn, &HelpBtn,
                          &ExitBtn, &FindLinkBtn}) {
    for (int tabs = 0; tabs < 30 && gadget_get_focus() != *button; ++tabs) key(VK_TAB);
    ASSERT_EQ(gadget_get_focus(), *button);
    EXPECT_EQ(SendMessageW(gadget_handle(*button), BM_GETSTATE, 0, 0) & BST_FOCUS, BST_FOCUS);
    EXPECT_EQ(SendMessageW(gadget_handle(*button), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0) << "a focus rectangle";
  }
  key(VK_TAB);
  chord({VK_SHIFT}, VK_TAB);
  EXPECT_EQ(gadget_get_focus(), FindLinkBtn);
}

}  // namespace
