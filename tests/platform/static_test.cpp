// The "Static" control in the Win32 conformance style: its text, the pointer
// going through it unless SS_NOTIFY, clicks reported with SS_NOTIFY, the
// colour request to the parent when it paints, and the icon of SS_ICON. A
// headless pixel probe shows the parent's brush and the text. Pixel probes
// run on the stand-in only.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "control_parent.h"

#ifndef _WIN32
#include "platform/win32/display/headless_driver.h"
#endif

namespace {

constexpr int kId = 9;

struct StaticTest : ::testing::Test {
  HWND parent = nullptr;
  void SetUp() override { parent = make_control_parent(); }
  void TearDown() override { DestroyWindow(parent); }

  HWND make(DWORD style, const WCHAR* text = TEXT("Status")) {
    return CreateWindowExW(0, TEXT("Static"), text, WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 40, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), GetModuleHandleW(nullptr), nullptr);
  }
  static LRESULT hit(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(r.left + 5, r.top + 5));
  }
};

}  // namespace

TEST_F(StaticTest, TextHitTestingAndClicks) {
  HWND s = make(SS_LEFT);
  ASSERT_NE(s, nullptr);
  WCHAR buffer[32] = {};
  GetWindowTextW(s, buffer, 32);
  EXPECT_EQ(u8(buffer), "Status");
  EXPECT_TRUE(SetWindowTextW(s, TEXT("  Open And Loaded")));
  GetWindowTextW(s, buffer, 32);
  EXPECT_EQ(u8(buffer), "  Open And Loaded");
  EXPECT_EQ(SendMessageW(s, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  EXPECT_EQ(hit(s), HTTRANSPARENT) << "the pointer goes through a plain static";
  SendMessageW(s, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(s, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(codes_from(s).empty());

  HWND n = make(SS_LEFT | SS_NOTIFY);
  EXPECT_EQ(hit(n), HTCLIENT);
  SendMessageW(n, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(n, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(count_code(n, STN_CLICKED), 1);

  // Painting asks the parent for the colours, naming the control.
  forget_notices();
  InvalidateRect(s, nullptr, TRUE);
  UpdateWindow(s);
  bool asked = false;
  for (const Notice& x : parent_state().notices) asked = asked || (x.message == WM_CTLCOLORSTATIC && x.from == s);
  EXPECT_TRUE(asked);
}

TEST_F(StaticTest, IconsOfSsIcon) {
  HWND s = make(SS_ICON, nullptr);
  ASSERT_NE(s, nullptr);
  HICON icon = LoadIconW(nullptr, IDI_INFORMATION);
  EXPECT_EQ(SendMessageW(s, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(s, STM_GETICON, 0, 0)), icon);
}

#ifndef _WIN32
TEST_F(StaticTest, PaintsOnTheParentsBrushWithItsText) {
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
  parent_state().answer = green;
  parent_state().answer_back = RGB(0, 160, 0);
  HWND s = make(SS_CENTER, TEXT("Webrolo"));
  UpdateWindow(parent);
  headless::pump();
  EXPECT_EQ(headless::pixel(s, 2, 2), RGB(0, 160, 0));
  int text = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 60; x < 140; ++x) text += headless::pixel(s, x, y) != RGB(0, 160, 0);
  EXPECT_GT(text, 20) << "the text, centred at the top";
  int left = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) left += headless::pixel(s, x, y) != RGB(0, 160, 0);
  EXPECT_EQ(left, 0) << "nothing at the left edge of a centred text";
  DestroyWindow(s);
  DeleteObject(green);
}
#endif
