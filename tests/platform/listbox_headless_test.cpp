// The "ListBox" control under the headless display (Linux only): its
// pixels (highlight, the parent's colours, disabled text, the focus
// rectangle), scrolling by injected wheel turns and scroll bar clicks, real
// clicks, drags and double clicks, and the stand-in's own answers where
// Win32 leaves a case open or Wine's list differs.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "message_log.h"
#include "platform/win32/controls/listbox_memory.h"
#include "platform/win32/display/headless_driver.h"

namespace {

constexpr int kId = 9;
const COLORREF kTint = RGB(200, 220, 255);
const COLORREF kInk = RGB(255, 0, 0);

// The parent: logs everything, answers WM_CTLCOLORLISTBOX with its own colours
// when asked to, and destroys the list on LBN_SELCHANGE when asked to.
bool tint_lists = false;
bool destroy_on_change = false;

LRESULT CALLBACK parent_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  log_message(hwnd, message, wParam, lParam);
  if (message == WM_CTLCOLORLISTBOX && tint_lists) {
    static HBRUSH brush = CreateSolidBrush(kTint);
    SetTextColor(reinterpret_cast<HDC>(wParam), kInk);
    SetBkColor(reinterpret_cast<HDC>(wParam), kTint);
    return reinterpret_cast<LRESULT>(brush);
  }
  if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE && destroy_on_change) {
    DestroyWindow(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Scene {
  HWND top = nullptr, list = nullptr;
  int h = 0;
  explicit Scene(int lines, DWORD style = LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = parent_proc;
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = TEXT("ListHeadlessParent");
    RegisterClassW(&wc);
    top = CreateWindowExW(0, wc.lpszClassName, TEXT("lists"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 360,
                          nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("ListBox"), nullptr,
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | style, 10, 10, 220, 200, top,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    for (int i = 0; i < lines; ++i) {
      std::u16string line = w16("Line number " + std::to_string(i));
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    h = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    headless::pump();
    message_log().clear();
  }
  ~Scene() {
    tint_lists = destroy_on_change = false;
    DestroyWindow(top);
    headless::pump();
  }
  LRESULT send(UINT m, WPARAM w = 0, LPARAM l = 0) const { return SendMessageW(list, m, w, l); }
  int width() const {
    RECT c;
    GetClientRect(list, &c);
    return c.right;
  }
  int height() const {
    RECT c;
    GetClientRect(list, &c);
    return c.bottom;
  }
  int row_y(int row) const { return row * h + h / 2; }
  COLORREF at(int x, int y) const { return headless::pixel(list, x, y); }
  POINT screen(int x, int y) const { return headless::on_screen(list, x, y); }
  // Screen points on the vertical scroll bar, which lies just right of the client area.
  POINT vbar(int y) const { return screen(width() + 8, y); }
  // The notifications the parent got, in order.
  std::vector<LoggedMessage> notes() const { return logged(top, {WM_COMMAND}); }
  // Whether they are exactly these codes from the list: WM_COMMAND, sent, with its identifier and handle.
  ::testing::AssertionResult reported(const std::vector<int>& codes) const {
    std::vector<Expected> want;
    for (int code : codes) want.push_back(sent(WM_COMMAND, MAKEWPARAM(kId, code), handle_arg(list)));
    return same_sequence(notes(), want);
  }
  // Pixels of a line's text span that differ from its background.
  int inked(int row, COLORREF background) const {
    int n = 0;
    for (int x = 1; x < 80; ++x)
      for (int y = row * h; y < (row + 1) * h; ++y) n += at(x, y) != background ? 1 : 0;
    return n;
  }
  int darkest(int row) const {
    int low = 255;
    for (int x = 1; x < 80; ++x)
      for (int y = row * h; y < (row + 1) * h; ++y) {
        COLORREF c = at(x, y);
        int v = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
        if (v < low) low = v;
      }
    return low;
  }
};

TEST(ListBoxPixels, HighlightColoursAndFocus) {
  Scene s(5);
  COLORREF window = GetSysColor(COLOR_WINDOW), highlight = GetSysColor(COLOR_HIGHLIGHT);
  s.send(LB_SETCURSEL, 2);
  headless::pump();
  int right = s.width() - 3;
  EXPECT_EQ(s.at(right, s.row_y(2)), highlight);
  EXPECT_EQ(s.at(right, s.row_y(1)), window);
  EXPECT_EQ(s.at(right, s.row_y(3)), window);
  EXPECT_EQ(s.at(right, s.row_y(8)), window) << "below the last line";
  EXPECT_GT(s.inked(2, highlight), 10) << "the selected line's text is drawn";
  EXPECT_GT(s.inked(3, window), 10);
  EXPECT_LT(s.darkest(3), 80) << "enabled text is dark";

  // The focus rectangle dots the caret's line while the list has the focus.
  auto dotted = [&](int row) {
    int n = 0;
    for (int x = s.width() - 40; x < s.width() - 1; ++x) n += s.at(x, row * s.h) != highlight ? 1 : 0;
    return n;
  };
  EXPECT_EQ(dotted(2), 0);
  SetFocus(s.list);
  headless::pump();
  EXPECT_GT(dotted(2), 10);
  SetFocus(s.top);
  headless::pump();
  EXPECT_EQ(dotted(2), 0);

  // The parent's colours, for everything but the selection.
  tint_lists = true;
  InvalidateRect(s.list, nullptr, TRUE);
  headless::pump();
  EXPECT_EQ(s.at(right, s.row_y(1)), kTint);
  EXPECT_EQ(s.at(right, s.row_y(8)), kTint) << "the brush fills what lies below the lines";
  EXPECT_EQ(s.at(right, s.row_y(2)), highlight);
  bool red = false;
  for (int x = 1; x < 80 && !red; ++x)
    for (int y = s.h; y < 2 * s.h && !red; ++y) {
      COLORREF c = s.at(x, y);
      red = GetRValue(c) > GetGValue(c) + 60;
    }
  EXPECT_TRUE(red) << "text in the parent's colour";
  tint_lists = false;

  // A disabled list writes in the grey text colour.
  EnableWindow(s.list, FALSE);
  headless::pump();
  EXPECT_GE(s.darkest(3), GetRValue(GetSysColor(COLOR_GRAYTEXT)) - 12);
  EXPECT_GT(s.inked(3, window), 10);
}

TEST(ListBoxPixels, WheelAndScrollBar) {
  Scene s(100);
  int page = s.height() / s.h;
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  s.send(LB_SETCURSEL, 5);
  SetFocus(s.list);
  message_log().clear();
  POINT mid = s.screen(50, 50);
  headless::wheel(mid.x, mid.y, -WHEEL_DELTA);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 3);
  EXPECT_EQ(s.at(s.width() - 3, s.row_y(2)), highlight) << "line 5 now shows third";
  headless::wheel(mid.x, mid.y, WHEEL_DELTA);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 0);

  // Arrows step a line, the track a page, the thumb drags.
  POINT down = s.vbar(s.height() - 8), up = s.vbar(8);
  headless::click(down.x, down.y);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 1);
  headless::click(up.x, up.y);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 0);
  POINT track = s.vbar(s.height() - 17 - 6);
  headless::click(track.x, track.y);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), page);
  s.send(WM_VSCROLL, SB_TOP);
  POINT thumb = s.vbar(17 + 3);
  headless::mouse_down(thumb.x, thumb.y);
  headless::mouse_move(thumb.x, thumb.y + s.height());
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 100 - page) << "dragged to the end";
  headless::mouse_up(thumb.x, thumb.y + s.height());
  headless::pump();
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 100 - page) << "the release keeps the place";
  EXPECT_TRUE(s.notes().empty()) << "scrolling is no selection change";

  // A horizontal extent brings the horizontal bar; its right arrow moves the text left.
  s.send(LB_SETHORIZONTALEXTENT, 1000);
  headless::pump();
  RECT c;
  GetClientRect(s.list, &c);
  POINT right = s.screen(c.right - 8, c.bottom + 8);
  headless::click(right.x, right.y);
  headless::pump();
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  GetScrollInfo(s.list, SB_HORZ, &si);
  EXPECT_GT(si.nPos, 0);
}

TEST(ListBoxInput, ClicksDragsAndDoubleClicks) {
  Scene s(20);
  POINT p1 = s.screen(20, s.row_y(1));
  headless::click(p1.x, p1.y);
  headless::pump();
  std::vector<int> want{LBN_SETFOCUS, LBN_SELCHANGE};
  EXPECT_TRUE(s.reported(want)) << "one change for a whole click, none from the release";
  EXPECT_EQ(s.send(LB_GETCURSEL), 1);
  EXPECT_EQ(GetFocus(), s.list);

  // Dragging with the button down carries the selection along, and past the bottom scrolls.
  message_log().clear();
  headless::advance(1000);
  POINT p4 = s.screen(20, s.row_y(4));
  headless::mouse_down(p1.x, p1.y);
  headless::mouse_move(p4.x, p4.y);
  headless::pump();
  EXPECT_EQ(s.send(LB_GETCURSEL), 4);
  POINT below = s.screen(20, s.height() + 30);
  headless::mouse_move(below.x, below.y);
  headless::pump();
  int page = s.height() / s.h;
  EXPECT_EQ(s.send(LB_GETCURSEL), page);
  EXPECT_EQ(s.send(LB_GETTOPINDEX), 1);
  EXPECT_TRUE(s.notes().empty()) << "reported when the press ends";
  headless::mouse_up(below.x, below.y);
  headless::pump();
  want = {LBN_SELCHANGE};
  EXPECT_TRUE(s.reported(want));
  EXPECT_EQ(GetCapture(), nullptr);

  // A press that leaves the selection where it was reports nothing (Wine's list reports it all the same).
  message_log().clear();
  headless::advance(1000);
  POINT here = s.screen(20, s.row_y(page - 1));
  headless::click(here.x, here.y);
  headless::pump();
  EXPECT_TRUE(s.notes().empty());

  // A double click: the first press selects, the second reports the double click.
  s.send(WM_VSCROLL, SB_TOP);
  message_log().clear();
  headless::advance(1000);
  POINT p2 = s.screen(20, s.row_y(2));
  headless::click(p2.x, p2.y);
  headless::advance(50);
  headless::click(p2.x, p2.y);
  headless::pump();
  want = {LBN_SELCHANGE, LBN_DBLCLK};
  EXPECT_TRUE(s.reported(want));

  // Keys reach the focused list; a key that cannot move says nothing.
  message_log().clear();
  headless::key(VK_HOME);
  headless::key(VK_UP);
  headless::key(VK_DOWN);
  headless::pump();
  want = {LBN_SELCHANGE, LBN_SELCHANGE};
  EXPECT_TRUE(s.reported(want));
  EXPECT_EQ(s.send(LB_GETCURSEL), 1);
  // Typing a character selects the next line that begins with it.
  s.send(LB_INSERTSTRING, 15, reinterpret_cast<LPARAM>(TEXT("xylophone")));
  message_log().clear();
  headless::key('X', TEXT("x"));
  headless::pump();
  EXPECT_EQ(s.send(LB_GETCURSEL), 15);
  EXPECT_TRUE(s.reported(std::vector<int>{LBN_SELCHANGE}));
}

TEST(ListBoxInput, ParentDestroyingTheListMidNotification) {
  Scene s(10);
  destroy_on_change = true;
  POINT p = s.screen(20, s.row_y(3));
  headless::click(p.x, p.y);
  headless::pump();
  EXPECT_FALSE(IsWindow(s.list));
  EXPECT_EQ(GetCapture(), nullptr) << "a destroyed list holds no capture";

  Scene k(10);
  SetFocus(k.list);
  SendMessageW(k.list, LB_SETCURSEL, 2, 0);
  destroy_on_change = true;
  headless::key(VK_DOWN);
  headless::pump();
  EXPECT_FALSE(IsWindow(k.list));
}

TEST(ListBoxStandIn, AnswersWin32LeavesOpen) {
  Scene s(3, LBS_HASSTRINGS);
  // LB_SETSEL belongs to multiple-selection lists; a single-selection list selects or clears the line.
  EXPECT_EQ(s.send(LB_SETSEL, TRUE, 1), LB_OKAY);
  EXPECT_EQ(s.send(LB_GETCURSEL), 1);
  EXPECT_EQ(s.send(LB_SETSEL, FALSE, 0), LB_OKAY);
  EXPECT_EQ(s.send(LB_GETCURSEL), 1) << "another line's mark is not there to clear";
  EXPECT_EQ(s.send(LB_SETSEL, FALSE, 1), LB_OKAY);
  EXPECT_EQ(s.send(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(s.send(LB_SETSEL, TRUE, 3), LB_ERR);
  // No buffer: the length alone.
  EXPECT_EQ(s.send(LB_GETTEXT, 1, 0), 13);
  // A null text finds nothing and adds the empty line.
  EXPECT_EQ(s.send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), 0), LB_ERR);
  EXPECT_EQ(s.send(LB_INSERTSTRING, 0, 0), 0);
  EXPECT_EQ(s.send(LB_GETTEXTLEN, 0), 0);
  // A tie: a new line goes before the first of several lines equal to it.
  Scene sorted(0, LBS_HASSTRINGS | LBS_SORT);
  for (const WCHAR* t : {TEXT("b"), TEXT("a1"), TEXT("A1"), TEXT("a1"), TEXT("c")})
    sorted.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  EXPECT_EQ(sorted.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("A1"))), 0);
  // Punctuation and digits sort by their unit values after lowering: "[" after the digits.
  EXPECT_EQ(sorted.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("a["))), 4);
  EXPECT_EQ(sorted.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TEXT("a0"))), 0);
}

TEST(ListBoxStandIn, AMillionLines) {
  Scene s(0, LBS_HASSTRINGS | LBS_SORT | LBS_NOINTEGRALHEIGHT);
  constexpr int kLines = 1000000;
  EXPECT_GE(s.send(LB_INITSTORAGE, kLines, kLines * 100), kLines);
  const std::u16string stem = w16("Catalogue[]Title[]https://example.org/page/");
  auto numbered = [&](int i) {
    std::u16string line = stem + u"0000000";
    for (size_t k = line.size(); i; i /= 10) line[--k] = static_cast<char16_t>(u'0' + i % 10);
    return line;
  };
  // Appended in order, so the sorted list is in order too.
  std::u16string line = numbered(0);
  for (int i = 0; i < kLines; ++i) {
    for (size_t k = line.size(), v = static_cast<size_t>(i); k > stem.size(); v /= 10)
      line[--k] = static_cast<char16_t>(u'0' + v % 10);
    ASSERT_EQ(s.send(LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line.c_str())), i);
  }
  std::u16string same = numbered(500000), after = numbered(500000) + u"x";
  same[0] = u'C', same[1] = u'A';
  EXPECT_EQ(s.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(after.c_str())), 500001);
  EXPECT_EQ(s.send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(same.c_str())), 500000);
  EXPECT_EQ(s.send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(TEXT("CATALOGUE[]title[]https://example.org/page/0999999"))),
            kLines + 1);
  EXPECT_EQ(s.send(LB_SETCURSEL, kLines), kLines);
  headless::pump();
  int page = s.height() / s.h;
  EXPECT_EQ(s.send(LB_GETTOPINDEX), kLines + 1 - page);
  // The row's first pixel row: above the glyphs of any face, where the line may reach the right edge.
  EXPECT_EQ(s.at(s.width() - 3, (page - 1) * s.h), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(s.send(LB_DELETESTRING, 500000), kLines + 1);
  EXPECT_EQ(s.send(LB_GETCURSEL), kLines - 1);
}

// Text blocks filled front to back while the helper makes pages present
// ahead, their unused ends given back, then freed while it may still be busy.
TEST(ListBoxStandIn, TextBlocksKeepWhatIsWritten) {
  constexpr size_t kStep = 48 * 1024 + 7;
  for (size_t size : {size_t{1000}, size_t{2} << 20, (size_t{7} << 20) + 3, size_t{40} << 20}) {
    uint8_t* block = listbox::allocate_text_block(size);
    ASSERT_NE(block, nullptr);
    const size_t used = size / 2 + 1;
    for (size_t at = 0; at < used; at += kStep) {
      const size_t end = std::min(at + kStep, used);
      for (size_t i = at; i < end; ++i) block[i] = static_cast<uint8_t>(i * 7 + 1);
      listbox::block_written(block, size, at, end);
    }
    listbox::release_tail(block, used, size);
    size_t wrong = 0;
    for (size_t i = 0; i < used; ++i) wrong += block[i] != static_cast<uint8_t>(i * 7 + 1);
    for (size_t i = used; i < size; i += 4093) wrong += size >= (size_t{2} << 20) && block[i] != 0;
    EXPECT_EQ(wrong, 0u) << size;
    listbox::free_large(block, size);
  }
}

}  // namespace
#endif
