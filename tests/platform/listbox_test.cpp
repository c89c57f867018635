// The "ListBox" control through Win32 calls only, so that the same tests
// hold on Windows: the line store, sorted insertion, searching, selection,
// item data, hit testing, scrolling, and which actions notify the parent
// (the user's, delivered as posted mouse and key messages) and which do not
// (the program's own messages).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "message_log.h"

namespace {

// Text of the platform's own wide characters, as the list takes and gives it.
using Wide = std::basic_string<WCHAR>;
Wide wide(const std::string& text) {
  std::u16string u = w16(text);
  return Wide(u.begin(), u.end());
}

const WCHAR* kParentClass = TEXT("ListTestParent");
constexpr int kId = 7;
constexpr DWORD kScrolls = WS_VSCROLL | WS_HSCROLL;

struct List {
  HWND parent = nullptr, list = nullptr;

  explicit List(DWORD style, int height = 164) {
    register_logging_class(kParentClass);
    parent = CreateWindowExW(0, kParentClass, TEXT("lists"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 420, 360,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    list = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("ListBox"), nullptr, WS_CHILD | WS_VISIBLE | style, 10, 10, 220,
                           height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)),
                           GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    drain_messages();
    message_log().clear();
  }
  ~List() {
    DestroyWindow(parent);
    drain_messages();
  }

  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(list, message, wParam, lParam);
  }
  LRESULT add(const WCHAR* text) const { return send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
  LRESULT insert(int index, const WCHAR* text) const {
    return send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  }
  LRESULT find(int start, const WCHAR* text, bool exact = true) const {
    return send(exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text));
  }
  void fill(int count) const {
    for (int i = 0; i < count; ++i) {
      Wide line = wide("line " + std::to_string(i));
      add(line.c_str());
    }
  }
  std::string text(int index) const {
    LRESULT n = send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (n < 0) return "<LB_ERR>";
    Wide buffer(static_cast<size_t>(n) + 1, u'?');
    EXPECT_EQ(send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data())), n);
    EXPECT_EQ(buffer[static_cast<size_t>(n)], 0) << "the text is terminated";
    return u8(buffer.c_str());
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < send(LB_GETCOUNT); ++i) out.push_back(text(i));
    return out;
  }
  int page() const {
    RECT c;
    GetClientRect(list, &c);
    return static_cast<int>((c.bottom - c.top) / send(LB_GETITEMHEIGHT));
  }
  // The notifications the parent got, in order.
  std::vector<LoggedMessage> notes() const { return logged(parent, {WM_COMMAND}); }
  // Whether they are exactly these codes from the list: WM_COMMAND, sent, with its identifier and handle.
  ::testing::AssertionResult reported(const std::vector<LoggedMessage>& got, const std::vector<int>& codes) const {
    std::vector<Expected> want;
    for (int code : codes) want.push_back(sent(WM_COMMAND, MAKEWPARAM(kId, code), handle_arg(list)));
    return same_sequence(got, want);
  }
  LPARAM point_of(int index) const {
    RECT r{};
    EXPECT_NE(send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)), LB_ERR);
    return MAKELPARAM(r.left + 6, (r.top + r.bottom) / 2);
  }
  void post(UINT message, WPARAM wParam, LPARAM lParam) const {
    PostMessageW(list, message, wParam, lParam);
    drain_messages();
  }
  // A press on a line and its release: what they reported.
  std::vector<LoggedMessage> press(int index, UINT message = WM_LBUTTONDOWN) const {
    message_log().clear();
    post(message, MK_LBUTTON, point_of(index));
    post(WM_LBUTTONUP, 0, point_of(index));
    return notes();
  }
  std::vector<LoggedMessage> key(UINT vk) const {
    message_log().clear();
    post(WM_KEYDOWN, vk, 1);
    std::vector<LoggedMessage> got = notes();
    post(WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    return got;
  }
};

const std::vector<int> kSelChange{LBN_SELCHANGE};
const std::vector<int> kNone{};

TEST(ListBox, LineStore) {
  List l(LBS_NOTIFY | LBS_HASSTRINGS | kScrolls);
  EXPECT_EQ(l.send(LB_GETCOUNT), 0);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(l.send(LB_GETTEXTLEN, 0), LB_ERR);
  WCHAR buffer[16] = {u'x', 0};
  EXPECT_EQ(l.send(LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
  EXPECT_EQ(buffer[0], u'x') << "nothing written for a missing line";
  EXPECT_EQ(l.send(LB_DELETESTRING, 0), LB_ERR);

  // Without LBS_SORT, adding appends; inserting never reorders; -1 appends.
  EXPECT_EQ(l.add(TEXT("one")), 0);
  EXPECT_EQ(l.add(TEXT("two")), 1);
  EXPECT_EQ(l.insert(0, TEXT("zero")), 0);
  EXPECT_EQ(l.insert(2, TEXT("one and a half")), 2);
  EXPECT_EQ(l.insert(-1, TEXT("three")), 4);
  EXPECT_EQ(l.insert(6, TEXT("past the end")), LB_ERR);
  EXPECT_EQ(l.add(nullptr), 5) << "no text is the empty line";
  std::vector<std::string> want{"zero", "one", "one and a half", "two", "three", ""};
  EXPECT_EQ(l.lines(), want);
  EXPECT_EQ(l.send(LB_GETTEXTLEN, 2), 14);
  EXPECT_EQ(l.send(LB_GETTEXTLEN, 6), LB_ERR);
  EXPECT_EQ(l.send(LB_GETTEXTLEN, static_cast<WPARAM>(-2)), LB_ERR);

  // Deleting answers the lines left.
  EXPECT_EQ(l.send(LB_DELETESTRING, 5), 5);
  EXPECT_EQ(l.send(LB_DELETESTRING, 0), 4);
  EXPECT_EQ(l.send(LB_DELETESTRING, 4), LB_ERR);
  want = {"one", "one and a half", "two", "three"};
  EXPECT_EQ(l.lines(), want);

  // A long line comes back whole.
  Wide longer(100000, u'w');
  longer[99999] = u'!';
  EXPECT_EQ(l.add(longer.c_str()), 4);
  EXPECT_EQ(l.send(LB_GETTEXTLEN, 4), 100000);
  Wide back(100001, 0);
  EXPECT_EQ(l.send(LB_GETTEXT, 4, reinterpret_cast<LPARAM>(back.data())), 100000);
  EXPECT_EQ(back.substr(0, 100000), longer);

  EXPECT_EQ(l.send(LB_RESETCONTENT), 0);
  EXPECT_EQ(l.send(LB_GETCOUNT), 0);
  EXPECT_EQ(l.add(TEXT("again")), 0);
  EXPECT_TRUE(l.notes().empty()) << "the program's own messages notify nothing";
}

TEST(ListBox, ManyLinesSurviveDeletions) {
  // Enough text that erased lines leave much room behind (megabytes, as a big
  // catalogue's are), some lines far longer than the rest, and one of megabytes.
  List l(LBS_HASSTRINGS | kScrolls);
  l.send(WM_SETREDRAW, FALSE);
  std::vector<Wide> made;
  for (int i = 0; i < 3000; ++i) {
    Wide line = wide("line " + std::to_string(100000 + i) + std::string(1000, '.'));
    if (i % 500 == 7) line += Wide(20000, static_cast<WCHAR>(u'a' + i / 500));
    if (i == 2999) line += Wide(1 << 20, static_cast<WCHAR>(0x044F));
    made.push_back(line);
    ASSERT_EQ(l.add(line.c_str()), i);
  }
  for (int i = 0; i < 2400; ++i) ASSERT_EQ(l.send(LB_DELETESTRING, 0), 2999 - i);
  l.send(WM_SETREDRAW, TRUE);
  ASSERT_EQ(l.send(LB_GETCOUNT), 600);
  for (int i = 0; i < 600; ++i) {
    const Wide& line = made[static_cast<size_t>(2400 + i)];
    ASSERT_EQ(l.send(LB_GETTEXTLEN, static_cast<WPARAM>(i)), static_cast<LRESULT>(line.size())) << i;
    Wide back(line.size() + 1, 0);
    l.send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(back.data()));
    ASSERT_EQ(back.substr(0, line.size()), line) << i;
  }
  Wide last = wide("LINE 102998" + std::string(1000, '.'));
  EXPECT_EQ(l.find(-1, last.c_str()), 598);
  Wide gone = wide("line 100001" + std::string(1000, '.'));
  EXPECT_EQ(l.find(-1, gone.c_str()), LB_ERR) << "a deleted line is not found";
}

TEST(ListBox, SortedInsertionIgnoresCase) {
  List l(LBS_SORT | LBS_HASSTRINGS | kScrolls);
  EXPECT_EQ(l.add(TEXT("pear")), 0);
  EXPECT_EQ(l.add(TEXT("Apple")), 0);
  EXPECT_EQ(l.add(TEXT("banana")), 1);
  EXPECT_EQ(l.add(TEXT("Cherry")), 2);
  std::vector<std::string> want{"Apple", "banana", "Cherry", "pear"};
  EXPECT_EQ(l.lines(), want);
  // A new line goes before the line that equals it without regard to case.
  EXPECT_EQ(l.add(TEXT("apple")), 0);
  EXPECT_EQ(l.add(TEXT("cherry")), 3);
  // A line that begins another sorts before it.
  EXPECT_EQ(l.add(TEXT("b")), 2);
  EXPECT_EQ(l.add(TEXT("zebra")), 7);
  want = {"apple", "Apple", "b", "banana", "cherry", "Cherry", "pear", "zebra"};
  EXPECT_EQ(l.lines(), want);

  // The selection stays with its line while lines arrive before it.
  EXPECT_EQ(l.send(LB_SETCURSEL, 6), 6);  // pear
  EXPECT_EQ(l.add(TEXT("kiwi")), 6);
  EXPECT_EQ(l.send(LB_GETCURSEL), 7);
  EXPECT_EQ(l.text(7), "pear");

  // Inserting by position never reorders, even in a sorted list.
  EXPECT_EQ(l.insert(0, TEXT("zzz")), 0);
  EXPECT_EQ(l.insert(-1, TEXT("aaa")), 10);
  EXPECT_EQ(l.text(0), "zzz");
  EXPECT_EQ(l.text(10), "aaa");
  EXPECT_EQ(l.send(LB_GETCURSEL), 8);
  EXPECT_TRUE(l.notes().empty());

  // Out of order by LB_INSERTSTRING, a list still places an added line by the same binary search.
  List u(LBS_SORT | LBS_HASSTRINGS | kScrolls);
  u.insert(-1, TEXT("zulu"));
  u.insert(-1, TEXT("alpha"));
  EXPECT_EQ(u.add(TEXT("Mike")), 0);
  EXPECT_EQ(u.add(TEXT("beta")), 0);
}

TEST(ListBox, FindStringExactWholeLineIgnoringCase) {
  List l(LBS_HASSTRINGS | kScrolls);
  for (const WCHAR* s : {TEXT("alpha"), TEXT("Beta"), TEXT("gamma"), TEXT("beta"), TEXT("betamax")}) l.add(s);
  // The search starts after the given line and wraps round to it.
  EXPECT_EQ(l.find(-1, TEXT("BETA")), 1);
  EXPECT_EQ(l.find(1, TEXT("BETA")), 3);
  EXPECT_EQ(l.find(3, TEXT("beta")), 1);
  EXPECT_EQ(l.find(4, TEXT("beta")), 1);
  EXPECT_EQ(l.find(0, TEXT("alpha")), 0) << "the start line itself comes last";
  EXPECT_EQ(l.find(99, TEXT("gamma")), 2) << "a start past the end searches from the top";
  // Whole lines only.
  EXPECT_EQ(l.find(-1, TEXT("bet")), LB_ERR);
  EXPECT_EQ(l.find(-1, TEXT("alpha ")), LB_ERR);
  EXPECT_EQ(l.find(-1, TEXT("delta")), LB_ERR);
  EXPECT_EQ(l.find(-1, TEXT("")), LB_ERR);
  // LB_FINDSTRING matches the beginning of a line.
  EXPECT_EQ(l.find(-1, TEXT("BET"), false), 1);
  EXPECT_EQ(l.find(1, TEXT("bet"), false), 3);
  EXPECT_EQ(l.find(3, TEXT("bet"), false), 4);
  EXPECT_EQ(l.find(4, TEXT("bet"), false), 1);
  EXPECT_EQ(l.find(-1, TEXT("x"), false), LB_ERR);
  EXPECT_TRUE(l.notes().empty());
}

TEST(ListBox, SingleSelection) {
  List l(LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls);
  l.fill(100);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(l.send(LB_SETCURSEL, 2), 2);
  EXPECT_EQ(l.send(LB_GETCURSEL), 2);
  EXPECT_GT(l.send(LB_GETSEL, 2), 0);
  EXPECT_EQ(l.send(LB_GETSEL, 1), 0);
  EXPECT_EQ(l.send(LB_GETSEL, 100), LB_ERR);
  // -1 clears, and is answered with LB_ERR although nothing failed.
  EXPECT_EQ(l.send(LB_SETCURSEL, static_cast<WPARAM>(-1)), LB_ERR);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(l.send(LB_GETSEL, 2), 0);
  EXPECT_EQ(l.send(LB_SETCURSEL, 100), LB_ERR);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  // Selecting scrolls the line into view.
  EXPECT_EQ(l.send(LB_SETCURSEL, 50), 50);
  LRESULT top = l.send(LB_GETTOPINDEX);
  EXPECT_LE(top, 50);
  EXPECT_GT(top + l.page(), 50);
  // The selection follows deletions.
  EXPECT_EQ(l.send(LB_DELETESTRING, 0), 99);
  EXPECT_EQ(l.send(LB_GETCURSEL), 49);
  EXPECT_EQ(l.send(LB_DELETESTRING, 49), 98);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  // The multiple-selection messages refuse a single-selection list.
  int first = -5;
  EXPECT_EQ(l.send(LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&first)), LB_ERR);
  EXPECT_EQ(l.send(LB_GETSELCOUNT), LB_ERR);
  EXPECT_EQ(l.send(LB_SELITEMRANGEEX, 0, 3), LB_ERR);
  EXPECT_EQ(l.send(LB_RESETCONTENT), 0);
  EXPECT_EQ(l.send(LB_GETCURSEL), LB_ERR);
  EXPECT_TRUE(l.notes().empty());
}

TEST(ListBox, MultipleSelection) {
  List l(LBS_NOTIFY | LBS_HASSTRINGS | LBS_EXTENDEDSEL | kScrolls);
  l.fill(5);
  EXPECT_EQ(l.send(LB_SELITEMRANGEEX, 1, 3), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETSELCOUNT), 3);
  int got[10] = {-1, -1, -1, -1};
  EXPECT_EQ(l.send(LB_GETSELITEMS, 10, reinterpret_cast<LPARAM>(got)), 3);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[1], 2);
  EXPECT_EQ(got[2], 3);
  int one = -1;
  EXPECT_EQ(l.send(LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&one)), 1);
  EXPECT_EQ(one, 1) << "the first selected line";
  // From the last line down to the first clears them all.
  EXPECT_EQ(l.send(LB_SELITEMRANGEEX, 4, 0), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETSELCOUNT), 0);
  EXPECT_EQ(l.send(LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&one)), 0);
  EXPECT_EQ(l.send(LB_SETSEL, TRUE, 4), LB_OKAY);
  EXPECT_GT(l.send(LB_GETSEL, 4), 0);
  EXPECT_EQ(l.send(LB_GETCURSEL), 4) << "a multiple-selection list answers its caret";
  EXPECT_EQ(l.send(LB_SETSEL, FALSE, 4), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETSEL, 4), 0);
  EXPECT_EQ(l.send(LB_SETSEL, TRUE, static_cast<LPARAM>(-1)), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETSELCOUNT), 5);
  EXPECT_EQ(l.send(LB_SETSEL, FALSE, static_cast<LPARAM>(-1)), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETSELCOUNT), 0);
  EXPECT_EQ(l.send(LB_SETSEL, TRUE, 5), LB_ERR);
  EXPECT_EQ(l.send(LB_SETCURSEL, 1), LB_ERR);
  // Selection marks move with their lines.
  l.send(LB_SETSEL, TRUE, 2);
  l.insert(0, TEXT("new"));
  EXPECT_EQ(l.send(LB_GETSEL, 3), 1);
  EXPECT_EQ(l.send(LB_GETSEL, 2), 0);
  l.send(LB_DELETESTRING, 1);
  EXPECT_EQ(l.send(LB_GETSEL, 2), 1);
  EXPECT_TRUE(l.notes().empty());
}

TEST(ListBox, ItemData) {
  List l(LBS_HASSTRINGS | kScrolls);
  l.fill(3);
  EXPECT_EQ(l.send(LB_GETITEMDATA, 1), 0);
  EXPECT_NE(l.send(LB_SETITEMDATA, 1, 0x1234), LB_ERR);
  EXPECT_NE(l.send(LB_SETITEMDATA, 2, 77), LB_ERR);
  EXPECT_EQ(l.send(LB_GETITEMDATA, 1), 0x1234);
  EXPECT_EQ(l.send(LB_SETITEMDATA, 3, 5), LB_ERR);
  EXPECT_EQ(l.send(LB_GETITEMDATA, 3), LB_ERR);
  // Data stays with its line.
  l.insert(0, TEXT("first"));
  EXPECT_EQ(l.send(LB_GETITEMDATA, 2), 0x1234);
  EXPECT_EQ(l.send(LB_GETITEMDATA, 0), 0);
  l.send(LB_DELETESTRING, 2);
  EXPECT_EQ(l.send(LB_GETITEMDATA, 2), 77);
}

TEST(ListBox, UserActionsNotify) {
  List l(LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls);
  l.fill(30);
  SetFocus(l.list);
  std::vector<int> want{LBN_SETFOCUS};
  EXPECT_TRUE(l.reported(l.notes(), want));

  EXPECT_TRUE(l.reported(l.press(3), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 3);
  want = {LBN_DBLCLK};
  EXPECT_TRUE(l.reported(l.press(3, WM_LBUTTONDBLCLK), want));
  EXPECT_EQ(l.send(LB_GETCURSEL), 3);

  // The navigation keys move the selection and say so.
  EXPECT_TRUE(l.reported(l.key(VK_DOWN), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 4);
  EXPECT_TRUE(l.reported(l.key(VK_UP), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 3);
  EXPECT_TRUE(l.reported(l.key(VK_END), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 29);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 30 - l.page()) << "the last line is brought into view";
  EXPECT_TRUE(l.reported(l.key(VK_HOME), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 0);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 0);
  EXPECT_TRUE(l.reported(l.key(VK_NEXT), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), l.page() - 1);
  EXPECT_TRUE(l.reported(l.key(VK_PRIOR), kSelChange));
  EXPECT_EQ(l.send(LB_GETCURSEL), 0);

  // The program's messages never notify, whatever they change.
  message_log().clear();
  l.send(LB_SETCURSEL, 5);
  l.add(TEXT("more"));
  l.insert(0, TEXT("before"));
  l.send(LB_DELETESTRING, 1);
  l.send(LB_SETTOPINDEX, 4);
  l.send(WM_VSCROLL, SB_LINEDOWN);
  l.send(LB_SETCURSEL, static_cast<WPARAM>(-1));
  EXPECT_TRUE(l.reported(l.notes(), kNone));

  SetFocus(l.parent);
  want = {LBN_KILLFOCUS};
  EXPECT_TRUE(l.reported(l.notes(), want));
}

TEST(ListBox, LosingTheFocusEndsAPress) {
  List l(LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls);
  l.fill(10);
  SetFocus(l.list);
  message_log().clear();
  // A press whose release never comes: the selection moves and the list holds the mouse.
  l.post(WM_LBUTTONDOWN, MK_LBUTTON, l.point_of(4));
  EXPECT_EQ(l.send(LB_GETCURSEL), 4);
  EXPECT_EQ(GetCapture(), l.list);
  SetFocus(l.parent);
  EXPECT_EQ(GetCapture(), nullptr);
  std::vector<int> want{LBN_SELCHANGE, LBN_KILLFOCUS};
  EXPECT_TRUE(l.reported(l.notes(), want));
}

TEST(ListBox, WithoutNotifyOnlyFocusIsReported) {
  List l(LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls);
  l.fill(10);
  SetFocus(l.list);
  std::vector<int> want{LBN_SETFOCUS};
  EXPECT_TRUE(l.reported(l.notes(), want));
  EXPECT_TRUE(l.reported(l.press(2), kNone));
  EXPECT_EQ(l.send(LB_GETCURSEL), 2);
  EXPECT_TRUE(l.reported(l.press(2, WM_LBUTTONDBLCLK), kNone));
  EXPECT_TRUE(l.reported(l.key(VK_DOWN), kNone));
  EXPECT_EQ(l.send(LB_GETCURSEL), 3);
  message_log().clear();
  SetFocus(l.parent);
  want = {LBN_KILLFOCUS};
  EXPECT_TRUE(l.reported(l.notes(), want));
}

TEST(ListBox, ItemFromPoint) {
  List l(LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls);
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 5)), 0x1FFFF) << "an empty list";
  l.fill(50);
  LRESULT h = l.send(LB_GETITEMHEIGHT);
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 2 * h + 1)), MAKELONG(2, 0));
  EXPECT_EQ(l.send(LB_SETTOPINDEX, 10), LB_OKAY);
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 1)), MAKELONG(10, 0));
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, h + 1)), MAKELONG(11, 0));
  // Outside the client area: the nearest line, with the high word set.
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, -5)), MAKELONG(10, 1));
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5000, h + 1)), MAKELONG(11, 1));
  // Below the last line: the last line, not on it.
  l.send(LB_RESETCONTENT);
  l.fill(3);
  EXPECT_EQ(l.send(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 5 * h)), MAKELONG(2, 1));
  RECT r{};
  EXPECT_EQ(l.send(LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r)), LB_ERR);
  EXPECT_NE(l.send(LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), LB_ERR);
  EXPECT_EQ(r.top, h);
  EXPECT_EQ(r.bottom, 2 * h);
}

TEST(ListBox, GeometryAndScrolling) {
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  List whole(LBS_HASSTRINGS | kScrolls, 167);
  LRESULT h = whole.send(LB_GETITEMHEIGHT);
  HDC dc = GetDC(whole.list);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(whole.list, dc);
  EXPECT_EQ(h, tm.tmHeight) << "lines are as high as the font";
  EXPECT_EQ(reinterpret_cast<HFONT>(whole.send(WM_GETFONT)), font);
  // Without LBS_NOINTEGRALHEIGHT a list trims itself to whole lines when sized.
  SetWindowPos(whole.list, nullptr, 0, 0, 220, 10 * static_cast<int>(h) + 4 + static_cast<int>(h) / 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT c;
  GetClientRect(whole.list, &c);
  EXPECT_EQ(c.bottom, 10 * h);

  List l(LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | kScrolls, 167);
  int page = l.page();
  ASSERT_GT(page, 3);
  l.fill(100);
  EXPECT_EQ(l.send(LB_SETTOPINDEX, 1000), LB_OKAY);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 100 - page) << "the top stops where the last line shows";
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(l.list, SB_VERT, &si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 99);
  EXPECT_EQ(si.nPage, static_cast<UINT>(page));
  EXPECT_EQ(si.nPos, 100 - page);

  l.send(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 0);
  l.send(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 1);
  l.send(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 1 + page);
  l.send(WM_VSCROLL, SB_LINEUP);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), page);
  l.send(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40));
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 40);
  l.send(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 100 - page);

  // The wheel: three lines a notch, half notches adding up.
  l.send(WM_VSCROLL, SB_TOP);
  LPARAM at = MAKELPARAM(100, 100);
  l.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 3);
  l.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), at);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 0);
  l.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)), at);
  l.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)), at);
  EXPECT_EQ(l.send(LB_GETTOPINDEX), 3);

  // Horizontal extent and scrolling.
  EXPECT_EQ(l.send(LB_GETHORIZONTALEXTENT), 0);
  l.send(LB_SETHORIZONTALEXTENT, 1000);
  EXPECT_EQ(l.send(LB_GETHORIZONTALEXTENT), 1000);
  GetClientRect(l.list, &c);
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(l.list, SB_HORZ, &si));
  EXPECT_EQ(si.nMax, 999);
  l.send(WM_HSCROLL, SB_PAGERIGHT);
  si.fMask = SIF_POS;
  GetScrollInfo(l.list, SB_HORZ, &si);
  EXPECT_EQ(si.nPos, c.right);
  l.send(WM_HSCROLL, SB_RIGHT);
  GetScrollInfo(l.list, SB_HORZ, &si);
  EXPECT_EQ(si.nPos, 1000 - c.right);
  l.send(WM_HSCROLL, SB_LEFT);
  GetScrollInfo(l.list, SB_HORZ, &si);
  EXPECT_EQ(si.nPos, 0);
}

}  // namespace
