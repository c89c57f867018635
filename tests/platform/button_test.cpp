// The push "Button" control in the Win32 conformance style: presses and
// releases sent as the system would send them, BN_CLICKED seen by the parent.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "control_parent.h"

namespace {

constexpr int kId = 7;

struct ButtonTest : ::testing::Test {
  HWND parent = nullptr;
  void SetUp() override { parent = make_control_parent(); }
  void TearDown() override { DestroyWindow(parent); }

  HWND make(DWORD style = BS_PUSHBUTTON, const WCHAR* text = TEXT("Press")) {
    return CreateWindowExW(0, TEXT("Button"), text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10, 10, 100, 24, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), GetModuleHandleW(nullptr), nullptr);
  }
};

bool pushed(HWND b) { return (SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }

TEST_F(ButtonTest, ClickOnReleaseInsideOnly) {
  HWND b = make();
  ASSERT_TRUE(b);
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  EXPECT_TRUE(pushed(b));
  EXPECT_EQ(GetCapture(), b);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);  // not on the press
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_FALSE(pushed(b));
  EXPECT_NE(GetCapture(), b);
  EXPECT_EQ(codes_from(b), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_EQ(parent_state().notices.back().id, kId);

  // Released outside: no click, and the press is over.
  forget_notices();
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);
  EXPECT_FALSE(pushed(b));
  EXPECT_NE(GetCapture(), b);
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-5), 10));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);

  // The look follows the pointer while pressed; back inside, the release clicks.
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 10));
  EXPECT_FALSE(pushed(b));
  SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 12));
  EXPECT_TRUE(pushed(b));
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(30, 12));
  EXPECT_EQ(count_code(b, BN_CLICKED), 1);

  // A release without a press is nothing.
  forget_notices();
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);

  // Losing the capture ends a press without a click.
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  ReleaseCapture();
  EXPECT_FALSE(pushed(b));
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);
}

TEST_F(ButtonTest, SpaceKeyAndBmClick) {
  HWND b = make();
  SetFocus(b);
  SendMessageW(b, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(pushed(b));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);
  SendMessageW(b, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_FALSE(pushed(b));
  EXPECT_EQ(count_code(b, BN_CLICKED), 1);
  // Other keys do nothing.
  SendMessageW(b, WM_KEYDOWN, 'A', 1);
  SendMessageW(b, WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(count_code(b, BN_CLICKED), 1);
  forget_notices();
  SendMessageW(b, BM_CLICK, 0, 0);
  EXPECT_EQ(codes_from(b), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_FALSE(pushed(b));
  EXPECT_NE(GetCapture(), b);
}

TEST_F(ButtonTest, StateCheckAndStyle) {
  HWND b = make();
  // A push button keeps no check state.
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // BM_SETSTATE sets the look alone, and clicks nothing.
  SendMessageW(b, BM_SETSTATE, TRUE, 0);
  EXPECT_TRUE(pushed(b));
  SendMessageW(b, BM_SETSTATE, FALSE, 0);
  EXPECT_FALSE(pushed(b));
  EXPECT_EQ(count_code(b, BN_CLICKED), 0);
  // The focus shows in the state.
  EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_FOCUS, 0);
  SetFocus(b);
  EXPECT_NE(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_FOCUS, 0);
  SetFocus(parent);
  EXPECT_EQ(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_FOCUS, 0);
  // Without BS_NOTIFY the focus raises no notification.
  EXPECT_EQ(count_code(b, BN_SETFOCUS), 0);
  // The default button says so to the dialog manager; BM_SETSTYLE changes which it is.
  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON),
            DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON),
            DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  // Text and font.
  SetWindowTextW(b, TEXT("Other"));
  WCHAR text[16];
  GetWindowTextW(b, text, 16);
  EXPECT_EQ(u8(text), "Other");
  SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  EXPECT_EQ(SendMessageW(b, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(ButtonTest, NotifyStyleAndColourRequest) {
  HWND b = make(BS_PUSHBUTTON | BS_NOTIFY);
  SetFocus(b);
  SetFocus(parent);
  EXPECT_EQ(codes_from(b), (std::vector<WORD>{BN_SETFOCUS, BN_KILLFOCUS}));
  forget_notices();
  InvalidateRect(b, nullptr, TRUE);
  UpdateWindow(b);
  EXPECT_GE(count_colour(WM_CTLCOLORBTN), 1);
}

TEST_F(ButtonTest, DestroyedByItsClickHandler) {
  HWND b = make();
  parent_state().destroy_on = BN_CLICKED;
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_FALSE(IsWindow(b));
  b = make();
  SendMessageW(b, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_NE(GetCapture(), b);
}

}  // namespace
