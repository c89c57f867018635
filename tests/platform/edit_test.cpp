// The single-line "Edit" control in the Win32 conformance style: driven by
// messages sent to it as the system would send them, observed through its
// messages and the notifications its parent gets. Keys that need Shift or
// Ctrl held are in the headless tests, which can hold them.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/test_text.h"
#include "control_parent.h"

namespace {

constexpr int kId = 42;
using Wide = std::basic_string<WCHAR>;

struct EditTest : ::testing::Test {
  HWND parent = nullptr;
  void SetUp() override { parent = make_control_parent(); }
  void TearDown() override { DestroyWindow(parent); }

  HWND make(DWORD style = 0, const WCHAR* text = TEXT(""), int id = kId) {
    HWND e = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("Edit"), text, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style, 10,
                             10, 200, 24, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return e;
  }
};

std::string text_of(HWND w) {
  WCHAR buffer[512] = {};
  GetWindowTextW(w, buffer, 512);
  return u8(buffer);
}

std::pair<DWORD, DWORD> sel(HWND w) {
  DWORD start = 12345, end = 12345;
  SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

void type(HWND w, const char* text) {
  for (const char* p = text; *p; ++p) SendMessageW(w, WM_CHAR, static_cast<WPARAM>(*p), 1);
}

void key(HWND w, UINT vk) {
  SendMessageW(w, WM_KEYDOWN, vk, 1);
  SendMessageW(w, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

// A client point on the leading edge of character index (narrow letters leave no room inside them).
LPARAM at_char(HWND w, int index) {
  LRESULT pos = SendMessageW(w, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
  return MAKELPARAM(static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos)) + 2);
}

Wide clipboard_text() {
  Wide out;
  if (!OpenClipboard(nullptr)) return out;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const WCHAR*>(GlobalLock(h))) {
      out = p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return out;
}

void set_clipboard(HWND owner, const WCHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (n + 1) * sizeof(WCHAR));
  auto* p = static_cast<WCHAR*>(GlobalLock(h));
  for (size_t i = 0; i <= n; ++i) p[i] = text[i];
  GlobalUnlock(h);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  ASSERT_TRUE(SetClipboardData(CF_UNICODETEXT, h));
  CloseClipboard();
}

TEST_F(EditTest, CreationTextAndGetText) {
  HWND e = make(0, TEXT("hello"));
  ASSERT_TRUE(e);
  EXPECT_EQ(text_of(e), "hello");
  EXPECT_EQ(GetWindowTextLengthW(e), 5);
  EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 30000);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{0}));
  // The creation text raises no notification.
  EXPECT_TRUE(codes_from(e).empty());
  // A short buffer gets what fits, terminated; no room at all gets nothing.
  WCHAR small[3] = {u'x', u'x', u'x'};
  EXPECT_EQ(SendMessageW(e, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(small)), 2);
  EXPECT_EQ(u8(small), "he");
  small[0] = u'z';
  EXPECT_EQ(SendMessageW(e, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(small[0], u'z');
  EXPECT_EQ(SendMessageW(e, WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS),
            DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
  EXPECT_EQ(SendMessageW(e, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(EditTest, SetTextNotifiesUpdateThenChange) {
  HWND e = make(0, TEXT("old"));
  SendMessageW(e, EM_SETSEL, 1, 3);
  EXPECT_TRUE(SetWindowTextW(e, TEXT("new text")));
  EXPECT_EQ(text_of(e), "new text");
  EXPECT_EQ(codes_from(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(parent_state().text_seen, Wide(TEXT("new text")));  // the change is made before EN_CHANGE
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{0}));        // the caret goes to the start
  // Setting the same text again is still a change; no text is the empty text.
  forget_notices();
  SetWindowTextW(e, TEXT("new text"));
  EXPECT_EQ(count_code(e, EN_CHANGE), 1);
  EXPECT_TRUE(SendMessageW(e, WM_SETTEXT, 0, 0));
  EXPECT_EQ(GetWindowTextLengthW(e), 0);
  // The text limit holds back the user, not WM_SETTEXT.
  SendMessageW(e, EM_SETLIMITTEXT, 4, 0);
  SetWindowTextW(e, TEXT("longer than four"));
  EXPECT_EQ(text_of(e), "longer than four");
  // The notifications carry the control's identifier and handle.
  ASSERT_FALSE(parent_state().notices.empty());
  EXPECT_EQ(parent_state().notices.back().id, kId);
}

TEST_F(EditTest, TypingDeletingAndMoving) {
  HWND e = make();
  type(e, "abc");
  EXPECT_EQ(text_of(e), "abc");
  EXPECT_EQ(sel(e), std::make_pair(DWORD{3}, DWORD{3}));
  EXPECT_EQ(codes_from(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  key(e, VK_HOME);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{0}));
  key(e, VK_RIGHT);
  key(e, VK_DELETE);  // deletes right of the caret
  EXPECT_EQ(text_of(e), "ac");
  SendMessageW(e, WM_CHAR, 0x08, 1);  // Backspace deletes left of it
  EXPECT_EQ(text_of(e), "c");
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{0}));
  SendMessageW(e, WM_CHAR, 0x08, 1);  // nothing left of the caret: nothing happens
  EXPECT_EQ(text_of(e), "c");
  key(e, VK_END);
  type(e, "de");
  EXPECT_EQ(text_of(e), "cde");
  key(e, VK_LEFT);
  key(e, VK_LEFT);
  key(e, VK_LEFT);
  key(e, VK_LEFT);  // stops at the start
  type(e, "b");
  EXPECT_EQ(text_of(e), "bcde");
  // Typing over a selection replaces it.
  SendMessageW(e, EM_SETSEL, 1, 3);
  type(e, "X");
  EXPECT_EQ(text_of(e), "bXe");
  // Control characters type nothing into a single line.
  forget_notices();
  SendMessageW(e, WM_CHAR, '\r', 1);
  SendMessageW(e, WM_CHAR, '\t', 1);
  SendMessageW(e, WM_CHAR, 0x1B, 1);
  EXPECT_EQ(text_of(e), "bXe");
  EXPECT_EQ(count_code(e, EN_CHANGE), 0);
}

TEST_F(EditTest, TextLimitAndMaxText) {
  HWND e = make();
  SendMessageW(e, EM_SETLIMITTEXT, 5, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 5);
  type(e, "abcdefg");
  EXPECT_EQ(text_of(e), "abcde");
  EXPECT_EQ(count_code(e, EN_MAXTEXT), 2);
  // EM_REPLACESEL keeps to the limit too: what fits goes in.
  SendMessageW(e, EM_SETSEL, 1, 2);
  forget_notices();
  SendMessageW(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(TEXT("XYZ")));
  EXPECT_EQ(text_of(e), "aXcde");
  EXPECT_EQ(count_code(e, EN_MAXTEXT), 1);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{2}));
  // Over a selection the limit counts what stays.
  SendMessageW(e, EM_SETSEL, 0, -1);
  type(e, "z");
  EXPECT_EQ(text_of(e), "z");
  // 0 means as much as a single line can hold; EM_LIMITTEXT is the same message.
  SendMessageW(e, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
  SendMessageW(e, EM_LIMITTEXT, 7, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 7);
  // A limit below the text keeps the text, and refuses any growth.
  SetWindowTextW(e, TEXT("0123456789"));
  SendMessageW(e, EM_SETSEL, 10, 10);
  forget_notices();
  type(e, "x");
  EXPECT_EQ(text_of(e), "0123456789");
  EXPECT_EQ(count_code(e, EN_MAXTEXT), 1);
}

TEST_F(EditTest, ReadOnlyIgnoresTheUser) {
  HWND e = make(ES_READONLY, TEXT("fixed"));
  type(e, "x");
  SendMessageW(e, WM_CHAR, 0x08, 1);
  key(e, VK_END);
  SendMessageW(e, WM_CHAR, 0x08, 1);
  key(e, VK_HOME);
  key(e, VK_DELETE);
  SendMessageW(e, EM_SETSEL, 0, -1);
  SendMessageW(e, WM_CLEAR, 0, 0);
  SendMessageW(e, WM_CUT, 0, 0);
  set_clipboard(parent, TEXT("pasted"));
  SendMessageW(e, WM_PASTE, 0, 0);
  SendMessageW(e, WM_CHAR, 0x16, 1);
  EXPECT_EQ(text_of(e), "fixed");
  EXPECT_EQ(count_code(e, EN_CHANGE), 0);
  // Copying is still allowed.
  SendMessageW(e, EM_SETSEL, 0, 3);
  SendMessageW(e, WM_CHAR, 0x03, 1);
  EXPECT_EQ(clipboard_text(), Wide(TEXT("fix")));
  // The program itself may still change it.
  SendMessageW(e, EM_SETSEL, 0, 5);
  SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(TEXT("set")));
  EXPECT_EQ(text_of(e), "set");
  // EM_SETREADONLY switches the style both ways.
  EXPECT_TRUE(SendMessageW(e, EM_SETREADONLY, FALSE, 0));
  EXPECT_EQ(GetWindowLongW(e, GWL_STYLE) & ES_READONLY, 0);
  type(e, "!");
  EXPECT_EQ(text_of(e), "set!");
  EXPECT_TRUE(SendMessageW(e, EM_SETREADONLY, TRUE, 0));
  EXPECT_NE(GetWindowLongW(e, GWL_STYLE) & ES_READONLY, 0);
  type(e, "?");
  EXPECT_EQ(text_of(e), "set!");
}

TEST_F(EditTest, SelectionRules) {
  HWND e = make(0, TEXT("hello world"));
  SendMessageW(e, EM_SETSEL, 0, -1);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{11}));
  SendMessageW(e, EM_SETSEL, 2, 5);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{5}));
  EXPECT_EQ(SendMessageW(e, EM_GETSEL, 0, 0), MAKELONG(2, 5));  // null pointers are allowed
  // A start of -1 takes the selection away, leaving the caret where it was.
  SendMessageW(e, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{5}, DWORD{5}));
  // A backward selection reads in order; the caret stays at its end value.
  SendMessageW(e, EM_SETSEL, 5, 2);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{5}));
  key(e, VK_RIGHT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{3}, DWORD{3}));
  SendMessageW(e, EM_SETSEL, 2, 5);
  key(e, VK_RIGHT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{6}, DWORD{6}));
  // Past the end means the end.
  SendMessageW(e, EM_SETSEL, 3, 100);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{3}, DWORD{11}));
  SendMessageW(e, EM_SETSEL, 50, 60);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{11}, DWORD{11}));
  // Moving the selection is no change of the text.
  EXPECT_EQ(count_code(e, EN_CHANGE), 0);
  // EM_REPLACESEL replaces it and leaves the caret after the new text.
  SendMessageW(e, EM_SETSEL, 0, 5);
  SendMessageW(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(TEXT("goodbye")));
  EXPECT_EQ(text_of(e), "goodbye world");
  EXPECT_EQ(sel(e), std::make_pair(DWORD{7}, DWORD{7}));
  EXPECT_EQ(codes_from(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditTest, MouseSelectsAndTakesTheFocus) {
  HWND e = make(0, TEXT("hello world"));
  LRESULT p1 = SendMessageW(e, EM_POSFROMCHAR, 1, 0), p5 = SendMessageW(e, EM_POSFROMCHAR, 5, 0);
  EXPECT_LT(static_cast<SHORT>(LOWORD(p1)), static_cast<SHORT>(LOWORD(p5)));
  EXPECT_EQ(HIWORD(p1), HIWORD(p5));
  EXPECT_EQ(SendMessageW(e, EM_POSFROMCHAR, 11, 0), -1);  // past the last character
  EXPECT_EQ(LOWORD(SendMessageW(e, EM_CHARFROMPOS, 0, at_char(e, 4))), 4);

  SendMessageW(e, WM_LBUTTONDOWN, MK_LBUTTON, at_char(e, 2));
  EXPECT_EQ(GetCapture(), e);
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(count_code(e, EN_SETFOCUS), 1);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{2}));
  SendMessageW(e, WM_MOUSEMOVE, MK_LBUTTON, at_char(e, 7));
  SendMessageW(e, WM_LBUTTONUP, 0, at_char(e, 7));
  EXPECT_NE(GetCapture(), e);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{7}));
  // A move without a press selects nothing more.
  SendMessageW(e, WM_MOUSEMOVE, 0, at_char(e, 9));
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{7}));
  // Shift with a click stretches the selection from where it began.
  SendMessageW(e, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at_char(e, 9));
  SendMessageW(e, WM_LBUTTONUP, MK_SHIFT, at_char(e, 9));
  EXPECT_EQ(sel(e), std::make_pair(DWORD{2}, DWORD{9}));
  // A double click selects the word, with the blanks after it.
  SendMessageW(e, WM_LBUTTONDOWN, MK_LBUTTON, at_char(e, 8));
  SendMessageW(e, WM_LBUTTONUP, 0, at_char(e, 8));
  SendMessageW(e, WM_LBUTTONDBLCLK, MK_LBUTTON, at_char(e, 8));
  SendMessageW(e, WM_LBUTTONUP, 0, at_char(e, 8));
  EXPECT_EQ(sel(e), std::make_pair(DWORD{6}, DWORD{11}));
  SendMessageW(e, WM_LBUTTONDOWN, MK_LBUTTON, at_char(e, 1));
  SendMessageW(e, WM_LBUTTONUP, 0, at_char(e, 1));
  SendMessageW(e, WM_LBUTTONDBLCLK, MK_LBUTTON, at_char(e, 1));
  SendMessageW(e, WM_LBUTTONUP, 0, at_char(e, 1));
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{6}));
  EXPECT_EQ(count_code(e, EN_SETFOCUS), 1);  // it kept the focus throughout
}

TEST_F(EditTest, FocusNotificationsInOrder) {
  HWND a = make(0, TEXT("a"), 1), b = make(0, TEXT("b"), 2);
  SetFocus(a);
  SetFocus(b);
  SetFocus(parent);
  std::vector<std::pair<HWND, WORD>> seen;
  for (const Notice& n : parent_state().notices)
    if (n.message == WM_COMMAND) seen.emplace_back(n.from, n.code);
  std::vector<std::pair<HWND, WORD>> want = {{a, static_cast<WORD>(EN_SETFOCUS)},
                                             {a, static_cast<WORD>(EN_KILLFOCUS)},
                                             {b, static_cast<WORD>(EN_SETFOCUS)},
                                             {b, static_cast<WORD>(EN_KILLFOCUS)}};
  EXPECT_EQ(seen, want);
}

TEST_F(EditTest, ClipboardKeysCutCopyAndPaste) {
  HWND e = make(0, TEXT("hello world"));
  SendMessageW(e, EM_SETSEL, 0, 5);
  SendMessageW(e, WM_CHAR, 0x03, 1);  // Ctrl+C
  EXPECT_EQ(clipboard_text(), Wide(TEXT("hello")));
  EXPECT_EQ(text_of(e), "hello world");
  SendMessageW(e, EM_SETSEL, 5, 11);
  SendMessageW(e, WM_CHAR, 0x18, 1);  // Ctrl+X
  EXPECT_EQ(clipboard_text(), Wide(TEXT(" world")));
  EXPECT_EQ(text_of(e), "hello");
  // Copying nothing leaves the clipboard as it was.
  SendMessageW(e, WM_COPY, 0, 0);
  EXPECT_EQ(clipboard_text(), Wide(TEXT(" world")));
  SendMessageW(e, EM_SETSEL, 0, 0);
  SendMessageW(e, WM_CHAR, 0x16, 1);  // Ctrl+V
  EXPECT_EQ(text_of(e), " worldhello");
  // A single line takes pasted text up to its first line break.
  set_clipboard(parent, TEXT("one\r\ntwo"));
  SendMessageW(e, EM_SETSEL, 0, -1);
  forget_notices();
  SendMessageW(e, WM_PASTE, 0, 0);
  EXPECT_EQ(text_of(e), "one");
  EXPECT_EQ(codes_from(e), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  set_clipboard(parent, TEXT("two\nthree"));
  SendMessageW(e, WM_PASTE, 0, 0);
  EXPECT_EQ(text_of(e), "onetwo");
  // Pasting keeps to the text limit.
  SendMessageW(e, EM_SETLIMITTEXT, 9, 0);
  set_clipboard(parent, TEXT("12345"));
  forget_notices();
  SendMessageW(e, WM_PASTE, 0, 0);
  EXPECT_EQ(text_of(e), "onetwo123");
  EXPECT_EQ(count_code(e, EN_MAXTEXT), 1);
  // WM_CLEAR deletes the selection without touching the clipboard.
  SendMessageW(e, EM_SETSEL, 0, 3);
  SendMessageW(e, WM_CLEAR, 0, 0);
  EXPECT_EQ(text_of(e), "two123");
  EXPECT_EQ(clipboard_text(), Wide(TEXT("12345")));
}

TEST_F(EditTest, UndoIsOneStepThatUndoesItself) {
  HWND e = make(0, TEXT("x"));
  SendMessageW(e, EM_SETSEL, 1, 1);
  type(e, "yz");
  EXPECT_TRUE(SendMessageW(e, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessageW(e, WM_UNDO, 0, 0));
  EXPECT_EQ(text_of(e), "x");
  SendMessageW(e, EM_UNDO, 0, 0);
  EXPECT_EQ(text_of(e), "xyz");
  SendMessageW(e, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessageW(e, EM_CANUNDO, 0, 0));
  SendMessageW(e, WM_UNDO, 0, 0);
  EXPECT_EQ(text_of(e), "xyz");
}

TEST_F(EditTest, ColourRequestsFollowTheState) {
  HWND editable = make(0, TEXT("e"), 1), read_only = make(ES_READONLY, TEXT("r"), 2);
  auto asked = [](HWND w, UINT message) {
    forget_notices();
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    int n = 0;
    for (const Notice& x : parent_state().notices)
      if (x.message == message && x.from == w) ++n;
    return n;
  };
  EXPECT_GE(asked(editable, WM_CTLCOLOREDIT), 1);
  EXPECT_EQ(asked(editable, WM_CTLCOLORSTATIC), 0);
  EXPECT_GE(asked(read_only, WM_CTLCOLORSTATIC), 1);
  EXPECT_EQ(asked(read_only, WM_CTLCOLOREDIT), 0);
  EnableWindow(editable, FALSE);
  EXPECT_GE(asked(editable, WM_CTLCOLORSTATIC), 1);
  EXPECT_EQ(asked(editable, WM_CTLCOLOREDIT), 0);
}

TEST_F(EditTest, DestroyedFromItsOwnNotification) {
  // A parent that destroys the control while the control is busy notifying must not bring it down.
  HWND e = make();
  parent_state().destroy_on = EN_CHANGE;
  type(e, "a");
  EXPECT_FALSE(IsWindow(e));
  e = make();
  parent_state().destroy_on = EN_UPDATE;
  SetWindowTextW(e, TEXT("gone"));
  EXPECT_FALSE(IsWindow(e));
  e = make();
  SendMessageW(e, EM_SETLIMITTEXT, 1, 0);
  type(e, "a");
  parent_state().destroy_on = EN_MAXTEXT;
  type(e, "b");
  EXPECT_FALSE(IsWindow(e));
  e = make(0, TEXT("text"));
  parent_state().destroy_on = EN_SETFOCUS;
  SendMessageW(e, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(e));
  EXPECT_NE(GetCapture(), e);
}

TEST_F(EditTest, LongTextScrollsAndStaysWhole) {
  HWND e = make();
  SendMessageW(e, EM_SETLIMITTEXT, 0, 0);
  Wide text(20000, u'w');
  for (size_t i = 0; i < text.size(); i += 7) text[i] = u' ';
  SetWindowTextW(e, text.c_str());
  EXPECT_EQ(GetWindowTextLengthW(e), 20000);
  // With the caret at the end, the end is in view and the start is scrolled out at the left.
  SendMessageW(e, EM_SETSEL, 20000, 20000);
  LRESULT first = SendMessageW(e, EM_POSFROMCHAR, 0, 0);
  LRESULT last = SendMessageW(e, EM_POSFROMCHAR, 19999, 0);
  RECT client;
  GetClientRect(e, &client);
  EXPECT_LT(static_cast<SHORT>(LOWORD(first)), 0);
  EXPECT_GE(static_cast<SHORT>(LOWORD(last)), 0);
  EXPECT_LT(static_cast<SHORT>(LOWORD(last)), client.right);
  key(e, VK_HOME);
  EXPECT_GE(static_cast<SHORT>(LOWORD(SendMessageW(e, EM_POSFROMCHAR, 0, 0))), 0);
}

#ifndef _WIN32
// Where Win32 leaves the result open or the stand-in checks more than Win32 must.
TEST_F(EditTest, StandInRefusesBadInputSafely) {
  HWND e = make(0, TEXT("abc"));
  EXPECT_EQ(SendMessageW(e, WM_GETTEXT, 10, 0), 0);
  SendMessageW(e, EM_SETSEL, 0, -1);
  SendMessageW(e, EM_REPLACESEL, TRUE, 0);  // no text: the selection goes
  EXPECT_EQ(GetWindowTextLengthW(e), 0);
  SendMessageW(e, EM_GETRECT, 0, 0);
  EXPECT_EQ(SendMessageW(e, EM_GETLINE, 0, 0), 0);
  // A selection beyond what a word holds cannot be answered in one result.
  SendMessageW(e, EM_SETLIMITTEXT, 0, 0);
  Wide big(70000, u'b');
  SetWindowTextW(e, big.c_str());
  SendMessageW(e, EM_SETSEL, 0, -1);
  EXPECT_EQ(SendMessageW(e, EM_GETSEL, 0, 0), -1);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{70000}));
  // Without ES_AUTOHSCROLL what would not fit the field is refused.
  HWND narrow = CreateWindowExW(0, TEXT("Edit"), TEXT(""), WS_CHILD | WS_VISIBLE, 0, 0, 30, 20, parent, nullptr,
                                nullptr, nullptr);
  forget_notices();
  type(narrow, "wwwwwwwwwwwwwwwwwwww");
  EXPECT_LT(GetWindowTextLengthW(narrow), 20);
  EXPECT_GT(GetWindowTextLengthW(narrow), 0);
  EXPECT_GE(count_code(narrow, EN_MAXTEXT), 1);
}
#endif

}  // namespace
