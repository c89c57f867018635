// The link list's context menu as a person uses it: a right click on a line or the menu keys,
// then keys in the menu. Linux only: the menu's own loop takes real input.
#ifndef _WIN32
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
  headless::key(VK_APPS);
  then_in_menu({VK_DOWN, VK_RETURN});
  EXPECT_NE(g_menu_at.right, 0) << "the Menu key opened it";
  EXPECT_EQ(status(), "  m.txt ... Open And Loaded") << "with no line selected nothing could be chosen";

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
#endif
