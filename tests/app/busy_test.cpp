// Long actions show the wait cursor: opening, building and saving put it up
// once they have run the busy delay, and take it down when they are done;
// short ones never show it. The texts of the status line are the usual ones.
#include <map>

#include "app_fixture.h"
#include "gui/busy.h"

namespace {

// The cursor each list saw while the program put lines in or read them out.
std::map<HWND, WNDPROC> g_previous;
std::vector<HCURSOR> g_seen;

LRESULT CALLBACK watch(HWND list, UINT message, WPARAM wp, LPARAM lp) {
  if (message == LB_INSERTSTRING || message == LB_GETTEXT) g_seen.push_back(GetCursor());
  return CallWindowProcW(g_previous[list], list, message, wp, lp);
}

class Busy : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    wait_ = LoadCursorW(nullptr, IDC_WAIT);
    put("Webrolo_HtmlHdr.txt", "<html><body><table><tr><td>\r\n");
    put("links.txt", crlf_lines({"A[]a[]https://a.example/[]", "B[]b[]https://b.example/[]"}));
    for (int64_t list : {ListViewLinks, HtmlLinesList}) {
      HWND handle = gadget_handle(list);
      g_previous[handle] = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch)));
    }
  }
  void TearDown() override {
    for (const auto& [handle, previous] : g_previous)
      SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    g_previous.clear();
    win_set_busy_delay(WIN_BUSY_DELAY);
    AppTest::TearDown();
  }
  // The cursors seen since the last call: whether the wait cursor was among them.
  bool waited() {
    bool any = false;
    for (HCURSOR seen : g_seen) any = any || seen == wait_;
    g_seen.clear();
    return any;
  }
  HCURSOR wait_ = nullptr;
};

TEST_F(Busy, LongActionsShowTheWaitCursorWhileTheyRun) {
  win_set_busy_delay(0);  // every action counts as long
  open_catalogue("links.txt");
  EXPECT_TRUE(waited()) << "opening";
  EXPECT_NE(GetCursor(), wait_);
  EXPECT_EQ(status(), "  links.txt ... Open And Loaded");

  act(BuildBtn, {}, {});
  EXPECT_TRUE(waited()) << "building";
  EXPECT_NE(GetCursor(), wait_);
  EXPECT_EQ(status(), "Builded  links.html  File is Ready.   Click on [View Html FIle] Button To View");

  act(SaveFileBtn, {}, {});
  EXPECT_TRUE(waited()) << "saving";
  EXPECT_NE(GetCursor(), wait_);
  EXPECT_EQ(status(), "  links.txt  and  links-BK.txt  SAVED !");

  // A box in the middle of a long action: its answer is taken, the action goes on and ends as usual.
  put("bad.txt", crlf_lines({"A[]a[]https://a.example/[]", "no delimiters"}));
  open_catalogue("bad.txt");
  waited();
  act(BuildBtn, {press(IDOK)},
      {{"URL Link ERROR:", "Missing delimiters []2   no delimiters\r\nListViewLinksLineIn$ = no delimiters"}});
  EXPECT_TRUE(waited());
  EXPECT_NE(GetCursor(), wait_);
  EXPECT_EQ(get("bad.html"), crlf_lines({"<html><body><table><tr><td>",
                                         "<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); "
                                         "background-color:rgb(231,169,126);\" name=\"menu\" onchange=\"window.open("
                                         "this.value); window.location.reload();\">",
                                         "  <option selected=\"0\" value=\"\">A</option>",
                                         "<option value=\"https://a.example/\">a</option>",
                                         "</select></td></tr></table><br></body></html>"}));
}

TEST_F(Busy, ShortActionsNeverShowIt) {
  open_catalogue("links.txt");
  act(BuildBtn, {}, {});
  act(SaveFileBtn, {}, {});
  EXPECT_FALSE(waited()) << "two lines take far less than a fifth of a second";
  EXPECT_EQ(status(), "  links.txt  and  links-BK.txt  SAVED !");
}

}  // namespace
