// The edit and push button controls as the headless display shows them, and
// driven by injected input: pixel probes of the colours the parent answers,
// the selection, the caret and its blinking, the pressed button; keys held
// with Shift and Ctrl; a mouse drag and a double click. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/test_text.h"
#include "control_parent.h"
#include "platform/win32/display/headless_driver.h"

namespace {

using Wide = std::basic_string<WCHAR>;

struct Headless : ::testing::Test {
  HWND parent = nullptr;
  void SetUp() override {
    parent = make_control_parent();
    headless::pump();
  }
  void TearDown() override {
    DestroyWindow(parent);
    headless::pump();
  }

  HWND edit(DWORD style = 0, const WCHAR* text = TEXT(""), int x = 10, int y = 10) {
    HWND e = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("Edit"), text, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style, x, y,
                             200, 24, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(5)), nullptr, nullptr);
    SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return e;
  }

  HWND button(int x = 10, int y = 60) {
    return CreateWindowExW(0, TEXT("Button"), TEXT("Go"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y, 80, 26, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(6)), nullptr, nullptr);
  }
};

// Paints what is pending and runs what is waiting.
void settle(HWND w) {
  UpdateWindow(GetAncestor(w, GA_ROOT));
  headless::pump();
}

std::pair<DWORD, DWORD> sel(HWND w) {
  DWORD start = 0, end = 0;
  SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

std::string text_of(HWND w) {
  WCHAR buffer[256] = {};
  GetWindowTextW(w, buffer, 256);
  return u8(buffer);
}

int x_of(HWND e, int index) { return static_cast<SHORT>(LOWORD(SendMessageW(e, EM_POSFROMCHAR, index, 0))); }

POINT screen_at_char(HWND e, int index) { return headless::on_screen(e, x_of(e, index) + 1, 8); }

// The darkest pixel of the client area less inset pixels at each side, as the sum of its red, green and blue.
int darkest(HWND w, int inset = 0) {
  RECT c;
  GetClientRect(w, &c);
  InflateRect(&c, -inset, -inset);
  int least = 3 * 255;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x) {
      COLORREF p = headless::pixel(w, x, y);
      int sum = GetRValue(p) + GetGValue(p) + GetBValue(p);
      if (sum < least) least = sum;
    }
  return least;
}

// How many pixels of the client area have the colour.
int count_colour_pixels(HWND w, COLORREF colour) {
  RECT c;
  GetClientRect(w, &c);
  int n = 0;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x)
      if (headless::pixel(w, x, y) == colour) ++n;
  return n;
}

void with_key(UINT held, UINT key) {
  headless::key_down(held);
  headless::key(key);
  headless::key_up(held);
  headless::pump();
}

TEST_F(Headless, FieldColoursComeFromTheParent) {
  HWND editable = edit(0, TEXT("a"), 10, 10), read_only = edit(ES_READONLY, TEXT("a"), 10, 40);
  settle(parent);
  // Unanswered, an editable field has the window colour and a read-only one the dialog face.
  EXPECT_EQ(headless::pixel(editable, 180, 10), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(headless::pixel(read_only, 180, 10), GetSysColor(COLOR_3DFACE));
  // The parent's answer is painted, for either request.
  parent_state().answer = CreateSolidBrush(RGB(200, 30, 30));
  parent_state().answer_back = RGB(200, 30, 30);
  InvalidateRect(editable, nullptr, TRUE);
  InvalidateRect(read_only, nullptr, TRUE);
  settle(parent);
  EXPECT_EQ(headless::pixel(editable, 180, 10), RGB(200, 30, 30));
  EXPECT_EQ(headless::pixel(read_only, 180, 10), RGB(200, 30, 30));
  // Text is drawn in the text colour (black) over the answered background.
  EXPECT_LT(darkest(editable), 3 * 60);
  DestroyWindow(editable);
  DestroyWindow(read_only);
  DeleteObject(parent_state().answer);
  parent_state().answer = nullptr;
}

TEST_F(Headless, SelectionShowsOnlyWithTheFocus) {
  HWND e = edit(0, TEXT("WWWW WWWW"));
  SendMessageW(e, EM_SETSEL, 0, -1);
  settle(e);
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(count_colour_pixels(e, highlight), 0);
  SetFocus(e);
  settle(e);
  EXPECT_GT(count_colour_pixels(e, highlight), 20);
  EXPECT_EQ(headless::pixel(e, 190, 10), GetSysColor(COLOR_WINDOW));  // right of the text: no highlight
  SendMessageW(e, EM_SETSEL, 0, 0);
  settle(e);
  EXPECT_EQ(count_colour_pixels(e, highlight), 0);
  // A disabled field greys its text.
  EnableWindow(e, FALSE);
  settle(e);
  COLORREF g = GetSysColor(COLOR_GRAYTEXT);
  int grey = GetRValue(g) + GetGValue(g) + GetBValue(g);
  EXPECT_GE(darkest(e), grey - 30);
  EXPECT_LT(darkest(e), 3 * 200);
}

TEST_F(Headless, CaretIsDrawnAndBlinks) {
  HWND e = edit();
  SetFocus(e);
  settle(e);
  POINT caret;
  ASSERT_TRUE(GetCaretPos(&caret));
  COLORREF background = GetSysColor(COLOR_WINDOW), inverted = RGB(0, 0, 0);
  EXPECT_EQ(headless::pixel(e, caret.x, caret.y + 3), inverted);
  EXPECT_EQ(headless::pixel(e, caret.x + 3, caret.y + 3), background);
  headless::advance(GetCaretBlinkTime());
  headless::pump();
  EXPECT_EQ(headless::pixel(e, caret.x, caret.y + 3), background);
  headless::advance(GetCaretBlinkTime());
  headless::pump();
  EXPECT_EQ(headless::pixel(e, caret.x, caret.y + 3), inverted);
  // A repaint keeps the caret as it was, and typing moves it right, drawn at once.
  InvalidateRect(e, nullptr, TRUE);
  settle(e);
  EXPECT_EQ(headless::pixel(e, caret.x, caret.y + 3), inverted);
  headless::key('M');
  headless::pump();
  settle(e);
  POINT moved;
  GetCaretPos(&moved);
  EXPECT_GT(moved.x, caret.x);
  EXPECT_EQ(headless::pixel(e, moved.x, moved.y + 3), inverted);
  // Losing the focus takes the caret away.
  SetFocus(parent);
  settle(e);
  EXPECT_NE(headless::pixel(e, moved.x, moved.y + 3), inverted);
}

TEST_F(Headless, KeysWithShiftAndCtrl) {
  HWND e = edit();
  SetFocus(e);
  for (const char* k = "ONE TWO"; *k; ++k) headless::key(static_cast<UINT>(*k == ' ' ? VK_SPACE : *k));
  headless::pump();
  EXPECT_EQ(text_of(e), "one two");
  with_key(VK_SHIFT, VK_LEFT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{6}, DWORD{7}));
  with_key(VK_SHIFT, VK_HOME);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{7}));
  headless::key(VK_END);
  with_key(VK_CONTROL, VK_LEFT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{4}, DWORD{4}));
  with_key(VK_CONTROL, VK_LEFT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{0}));
  with_key(VK_CONTROL, VK_RIGHT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{4}, DWORD{4}));
  // Ctrl+A selects all; Ctrl+C copies, Ctrl+V pastes, Ctrl+X cuts.
  with_key(VK_CONTROL, 'A');
  EXPECT_EQ(sel(e), std::make_pair(DWORD{0}, DWORD{7}));
  EXPECT_EQ(text_of(e), "one two");  // Ctrl+A types nothing
  with_key(VK_CONTROL, 'C');
  headless::key(VK_END);
  with_key(VK_CONTROL, 'V');
  headless::pump();
  EXPECT_EQ(text_of(e), "one twoone two");
  with_key(VK_CONTROL, 'A');
  with_key(VK_CONTROL, 'X');
  EXPECT_EQ(text_of(e), "");
  with_key(VK_SHIFT, VK_INSERT);  // Shift+Insert pastes what was cut
  EXPECT_EQ(text_of(e), "one twoone two");
  // Shift+Delete cuts a selection; Ctrl+Delete deletes to the end.
  headless::key(VK_HOME);
  with_key(VK_SHIFT, VK_RIGHT);
  with_key(VK_SHIFT, VK_DELETE);
  EXPECT_EQ(text_of(e), "ne twoone two");
  with_key(VK_CONTROL, VK_DELETE);
  EXPECT_EQ(text_of(e), "");
  with_key(VK_CONTROL, 'Z');  // and Ctrl+Z takes that back
  EXPECT_EQ(text_of(e), "ne twoone two");
  with_key(VK_CONTROL, 'A');
  with_key(VK_CONTROL, VK_INSERT);  // Ctrl+Insert copies
  headless::key(VK_END);
  with_key(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(text_of(e), "ne twoone twone twoone two");
}

TEST_F(Headless, MouseDragAndDoubleClick) {
  HWND e = edit(0, TEXT("alpha beta gamma"));
  settle(e);
  POINT a = screen_at_char(e, 1), b = screen_at_char(e, 8);
  headless::mouse_down(a.x, a.y);
  headless::mouse_move(b.x, b.y);
  headless::mouse_up(b.x, b.y);
  headless::pump();
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{1}, DWORD{8}));
  // Two quick clicks on a word select it (well after the last click, so that counts as none).
  headless::advance(1000);
  POINT c = screen_at_char(e, 7);
  headless::click(c.x, c.y);
  headless::click(c.x, c.y);
  headless::pump();
  EXPECT_EQ(sel(e), std::make_pair(DWORD{6}, DWORD{11}));
}

// Latin, Arabic, Latin: each run is drawn in its own direction and a selection, a logical
// range, is painted over the characters it holds without moving any; the caret walks the
// stored order (leftwards through the Arabic) a whole character at a time.
TEST_F(Headless, MixedDirectionsAndCharactersOfSeveralUnits) {
  HWND e = edit(0, reinterpret_cast<const WCHAR*>(u"ab \u0627\u0628\u062A cd"));
  settle(e);
  EXPECT_LT(x_of(e, 5), x_of(e, 4)) << "the Arabic runs leftwards";
  EXPECT_GT(x_of(e, 8), x_of(e, 7));
  auto row = [e] {
    std::vector<COLORREF> pixels;
    for (int x = 0; x < 120; ++x) pixels.push_back(headless::pixel(e, x, 10));
    return pixels;
  };
  const std::vector<COLORREF> plain = row();
  SetFocus(e);
  headless::key(VK_HOME);
  for (int i = 0; i < 4; ++i) headless::key(VK_RIGHT);
  with_key(VK_SHIFT, VK_RIGHT);
  with_key(VK_SHIFT, VK_RIGHT);
  EXPECT_EQ(sel(e), std::make_pair(DWORD{4}, DWORD{6}));
  settle(e);
  const std::vector<COLORREF> selected = row();
  const int left = x_of(e, 6), right = x_of(e, 4);  // the two letters after the first Arabic one
  for (int x = 0; x < 120; ++x) {
    if (x >= left - 1 && x <= right + 1) continue;
    EXPECT_EQ(selected[static_cast<size_t>(x)], plain[static_cast<size_t>(x)]) << "column " << x;
  }
  EXPECT_EQ(headless::pixel(e, (left + right) / 2, 3), GetSysColor(COLOR_HIGHLIGHT));
  // A surrogate pair and a letter with its vowel sign are stepped over whole; Backspace takes
  // the pair whole and the sign alone.
  SetWindowTextW(e, reinterpret_cast<const WCHAR*>(u"a\U0001F600\u0915\u093F"));
  headless::key(VK_HOME);
  const DWORD stops[] = {1, 3, 5, 5};
  for (DWORD stop : stops) {
    headless::key(VK_RIGHT);
    headless::pump();
    EXPECT_EQ(sel(e).first, stop);
  }
  headless::key(VK_BACK);
  headless::key(VK_LEFT);
  headless::key(VK_BACK);
  headless::pump();
  EXPECT_EQ(w16(text_of(e)), u"a\u0915");
}

TEST_F(Headless, ButtonLooksPressedWhileHeld) {
  HWND b = button();
  settle(b);
  EXPECT_EQ(headless::pixel(b, 0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(headless::pixel(b, 40, 3), GetSysColor(COLOR_BTNFACE));
  POINT inside = headless::on_screen(b, 40, 13);
  headless::mouse_down(inside.x, inside.y);
  headless::pump();
  settle(b);
  EXPECT_EQ(headless::pixel(b, 0, 0), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);
  headless::mouse_up(inside.x, inside.y);
  headless::pump();
  settle(b);
  EXPECT_EQ(headless::pixel(b, 0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(count_code(b, BN_CLICKED), 1);
  // Pressed, then released away from it: raised again and no click.
  headless::mouse_down(inside.x, inside.y);
  headless::mouse_move(inside.x + 200, inside.y);
  headless::pump();
  settle(b);
  EXPECT_EQ(headless::pixel(b, 0, 0), GetSysColor(COLOR_3DLIGHT));
  headless::mouse_up(inside.x + 200, inside.y);
  headless::pump();
  EXPECT_EQ(count_code(b, BN_CLICKED), 1);
  // The Space key, with the focus on it.
  headless::key(VK_SPACE);
  headless::pump();
  EXPECT_EQ(count_code(b, BN_CLICKED), 2);
  // Disabled, its label turns grey and a click does nothing.
  // (Inside the edges and the focus rectangle: the label alone.)
  EXPECT_LT(darkest(b, 4), 3 * 60);
  EnableWindow(b, FALSE);
  settle(b);
  COLORREF g = GetSysColor(COLOR_GRAYTEXT);
  EXPECT_GE(darkest(b, 4), GetRValue(g) + GetGValue(g) + GetBValue(g) - 30);
  headless::click(inside.x, inside.y);
  headless::pump();
  EXPECT_EQ(count_code(b, BN_CLICKED), 2);
}

}  // namespace
#endif
