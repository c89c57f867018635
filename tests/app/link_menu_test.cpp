// The link list's context menu as a person uses it: a right click on a line or the menu keys,
// then keys in the menu. Linux only: the menu's own loop takes real input.
#ifndef _WIN32
#include <ctime>
#include <regex>

#include "app_fixture.h"

namespace {

// What the person does once the menu is up, from a timer that fires inside its loop.
RECT g_menu_at;
std::vector<UINT> g_keys;
void CALLBACK in_menu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  GetWindowRect(FindWindowW(TEXT("#32768"), nullptr), &g_menu_at);
  for (UINT k : g_keys) headless::key(k);
}

class LinkMenu : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    put("m.txt", crlf_lines({"News[]Daily[]u1[]", "Tools[]Maps[]u2[]", "Tools[]Mail[]u3[]"}));
    open_catalogue("m.txt");
  }
  // Presses the keys in the menu that what was done opens.
  void then_in_menu(std::vector<UINT> keys) {
    g_keys = std::move(keys);
    g_menu_at = RECT{};
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, in_menu);
    run();
    KillTimer(nullptr, timer);  // when no menu came, its keys must not go anywhere else later
  }
  POINT line_bottom_left(int index) {
    RECT r{};
    SendMessageW(gadget_handle(ListViewLinks), LB_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&r));
    return headless::on_screen(gadget_handle(ListViewLinks), r.left, r.bottom);
  }
  std::string clipboard() {
    std::string text;
    if (!OpenClipboard(win_handle(MainWindow))) return "<busy>";
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
      text = u8(static_cast<const WCHAR*>(GlobalLock(block)));
      GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
  }
};

}  // namespace

TEST_F(LinkMenu, ARightClickOnALineSelectsItAndCopyLinkAddressCopiesItsAddress) {
  const POINT p = line_bottom_left(1);
  headless::click(p.x + 30, p.y - 2, 2);
  then_in_menu({VK_DOWN, VK_DOWN, VK_RETURN});  // past Visit Link to Copy Link Address
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(text(LinkTitleTxt), "Maps") << "the clicked line's fields show, as after a left click";
  EXPECT_EQ(clipboard(), "u2");
  EXPECT_EQ(status(), "Clipboard =  u2");
}

TEST_F(LinkMenu, TheMenuKeysOpenItBelowTheSelectedLineAndVisitLinkIsTheDoubleClick) {
  SetFocus(gadget_handle(ListViewLinks));
  boxes_.answer({choose_file("")});
  headless::key(VK_APPS);
  then_in_menu({VK_DOWN, VK_RETURN});
  EXPECT_NE(g_menu_at.right, 0) << "the Menu key opened it";
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Select Your Browser Bookmarks File", ""}}))
      << "with no line selected the first item that can act is the import";
  EXPECT_EQ(status(), "  m.txt ... Open And Loaded");

  click_line(2);
  forget_opened();
  put("u3", "");
  boxes_.answer({press(IDYES)});
  headless::key_down(VK_SHIFT);
  headless::key(VK_F10);
  headless::key_up(VK_SHIFT);
  then_in_menu({VK_DOWN, VK_RETURN});
  const POINT below = line_bottom_left(2);
  EXPECT_EQ(std::pair(g_menu_at.left, g_menu_at.top), std::pair(below.x, below.y)) << "below the selected line";
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Do you want to visit this Website ?", "u3"}}));
  EXPECT_EQ(status(), "Browser =  u3");
  EXPECT_EQ(opened(), "args: [" + real_path(path("u3")) + "]");
}
// Undo and Redo come before the two bookmark items; a greyed one is passed over.
TEST_F(LinkMenu, UndoAndRedoFromTheMenu) {
  click_line(0);
  click(DeleteBtn);
  SetFocus(gadget_handle(ListViewLinks));
  for (const auto& [status_after, count] : {std::pair("Undone: Delete Link  News[]Daily[]u1[]", 3u),
                                            std::pair("Redone: Delete Link  News[]Daily[]u1[]", 2u),
                                            std::pair("Undone: Delete Link  News[]Daily[]u1[]", 3u)}) {
    headless::key(VK_APPS);
    then_in_menu({VK_END, VK_UP, VK_UP, VK_RETURN});
    EXPECT_EQ(status(), status_after);
    EXPECT_EQ(lines(ListViewLinks).size(), count);
  }
}

TEST_F(LinkMenu, ExportAndImportAsBrowserBookmarksThroughTheMenu) {
  const POINT p = line_bottom_left(0);
  const std::time_t before = std::time(nullptr);
  boxes_.answer({choose_file(path("out.html"))});
  headless::click(p.x + 30, p.y - 2, 2);
  then_in_menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // past the separator to the export
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Export as Browser Bookmarks", ""}}));
  EXPECT_EQ(status(), "Exported 3 links in 2 menus to out.html");
  const std::string written = get("out.html");
  std::smatch dated;
  ASSERT_TRUE(std::regex_search(written, dated, std::regex("ADD_DATE=\"(\\d+)\"")));
  const std::string date = "ADD_DATE=\"" + dated[1].str() + "\"";
  EXPECT_TRUE(std::stoll(dated[1].str()) >= before && std::stoll(dated[1].str()) <= after);
  EXPECT_EQ(written, crlf_lines({"<!DOCTYPE NETSCAPE-Bookmark-file-1>",
                                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">",
                                 "<TITLE>Bookmarks</TITLE>", "<H1>Bookmarks</H1>", "<DL><p>",
                                 "    <DT><H3 " + date + ">News</H3>", "    <DL><p>",
                                 "        <DT><A HREF=\"u1\" " + date + ">Daily</A>", "    </DL><p>",
                                 "    <DT><H3 " + date + ">Tools</H3>", "    <DL><p>",
                                 "        <DT><A HREF=\"u2\" " + date + ">Maps</A>",
                                 "        <DT><A HREF=\"u3\" " + date + ">Mail</A>", "    </DL><p>", "</DL><p>"}));
  // Imported back through the menu and saved, it is the catalogue again, byte for byte.
  boxes_.answer({choose_file(path("out.html"))});
  headless::click(p.x + 30, p.y - 2, 2);
  then_in_menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(boxes_.taken(), (std::vector<SeenBox>{{"Select Your Browser Bookmarks File", ""}}));
  EXPECT_EQ(status(), "Imported 3 links in 2 menus from out.html");
  act(SaveFileBtn, {}, {});
  EXPECT_EQ(get("out (2).txt"), get("m.txt")) << "out.txt's page would be the bookmark file";
}
#endif
