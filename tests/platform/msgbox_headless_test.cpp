// MessageBoxW on the headless display, driven by injected keys and clicks
// from a timer that the box's own loop runs: its layout (the text wrapped at
// a reading width, a long word widening it, the icon drawn), the foreground
// coming back to the owner, a quit message or the owner's end finishing the
// box, and bad styles. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "control_parent.h"
#include "modal_script.h"
#include "platform/win32/display/headless_driver.h"

namespace {

using Step = ModalStep;

int run_box(HWND owner, const WCHAR* text, UINT type, std::vector<Step> steps) {
  ModalScript script{std::move(steps)};
  return run_modal(script, [&] { return MessageBoxW(owner, text, TEXT("Headless box"), type); });
}

Step key(UINT vk, const WCHAR* text = nullptr) {
  return [vk, text](HWND) { headless::key(vk, text); };
}

RECT child_rect(HWND box, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

BOOL CALLBACK first_static(HWND child, LPARAM param) {
  WCHAR cls[16] = {};
  GetClassNameW(child, cls, 16);
  if (u8(cls) == "Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
  }
  return TRUE;
}

HWND text_control(HWND box) {
  HWND found = nullptr;
  EnumChildWindows(box, first_static, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND make_owner() {
  HWND w = make_control_parent();
  headless::pump();
  return w;
}

}  // namespace

TEST(MsgBoxHeadless, TypedKeysAndClicksAnswer) {
  HWND owner = make_owner();
  EXPECT_EQ(run_box(owner, TEXT("Visit?"), MB_YESNO, {key('Y', TEXT("y"))}), IDYES);
  EXPECT_EQ(GetForegroundWindow(), owner) << "the owner is in front again";
  EXPECT_EQ(run_box(owner, TEXT("Visit?"), MB_YESNO, {key('N', TEXT("n"))}), IDNO);
  EXPECT_EQ(run_box(owner, TEXT("Visit?"), MB_YESNO, {key(VK_ESCAPE), key(VK_RIGHT), key(VK_RETURN)}), IDNO);
  EXPECT_EQ(run_box(owner, TEXT("Visit?"), MB_YESNO, {key(VK_TAB), key(VK_SPACE)}), IDNO);
  EXPECT_EQ(run_box(owner, TEXT("Done"), MB_OK, {key(VK_ESCAPE)}), IDOK);
  EXPECT_EQ(run_box(owner, TEXT("Done"), MB_OKCANCEL | MB_DEFBUTTON2, {key(VK_RETURN)}), IDCANCEL);
  // A click on No, where the box shows it.
  EXPECT_EQ(run_box(owner, TEXT("Visit?"), MB_YESNO, {[](HWND box) {
                      RECT r;
                      GetWindowRect(GetDlgItem(box, IDNO), &r);
                      headless::click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                    }}),
            IDNO);
  // The owner's click while the box is up goes nowhere: it is disabled.
  EXPECT_EQ(run_box(owner, TEXT("Done"), MB_OK,
                    {[owner](HWND) {
                       POINT p = headless::on_screen(owner, 5, 5);
                       headless::click(p.x, p.y);
                     },
                     [](HWND box) { EXPECT_EQ(GetActiveWindow(), box); }, key(VK_RETURN)}),
            IDOK);
  DestroyWindow(owner);
}

TEST(MsgBoxHeadless, TextWrapsAtAReadingWidthAndTheIconShows) {
  HWND owner = make_owner();
  std::u16string words;
  for (int i = 0; i < 60; ++i) words += u"catalogue ";
  RECT text{}, box_rect{};
  COLORREF icon_pixel = 0, face = GetSysColor(COLOR_3DFACE);
  int line = 0;
  run_box(owner, reinterpret_cast<const WCHAR*>(words.c_str()), MB_OK | MB_ICONHAND,
          {[&](HWND box) {
             UpdateWindow(box);
             headless::pump();
             GetClientRect(box, &box_rect);
             HWND t = text_control(box);
             ASSERT_NE(t, nullptr);
             text = child_rect(box, t);
             icon_pixel = headless::pixel(box, 14 + 16, 14 + 16);
             HDC dc = GetDC(t);
             SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
             TEXTMETRICW tm;
             GetTextMetricsW(dc, &tm);
             line = tm.tmHeight;
             ReleaseDC(t, dc);
           },
           key(VK_RETURN)});
  EXPECT_LE(text.right - text.left, 440) << "wrapped at a reading width";
  EXPECT_GE(text.bottom - text.top, 4 * line) << "on several lines";
  EXPECT_GE(text.left, 14 + 32) << "beside the icon";
  EXPECT_NE(icon_pixel, face) << "the error icon is drawn";
  EXPECT_LE(box_rect.right, GetSystemMetrics(SM_CXSCREEN));

  // One long word widens the box, but never past the screen.
  std::u16string word(2000, u'w');
  run_box(owner, reinterpret_cast<const WCHAR*>(word.c_str()), MB_OK,
          {[&](HWND box) {
             GetWindowRect(box, &box_rect);
             text = child_rect(box, text_control(box));
           },
           key(VK_RETURN)});
  EXPECT_GT(text.right - text.left, 440);
  EXPECT_GE(box_rect.left, 0);
  EXPECT_LE(box_rect.right, GetSystemMetrics(SM_CXSCREEN));
  DestroyWindow(owner);
}

TEST(MsgBoxHeadless, QuitOwnerEndAndBadStyles) {
  HWND owner = make_owner();
  // A quit message ends the box as Esc would and is left for the program's own loop.
  EXPECT_EQ(run_box(owner, TEXT("x"), MB_OKCANCEL, {[](HWND) { PostQuitMessage(3); }}), IDCANCEL);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(IsWindowEnabled(owner));

  // The owner going away takes its box with it; a Yes/No box then answers 0, as no button was pressed.
  EXPECT_EQ(run_box(owner, TEXT("x"), MB_YESNO, {[owner](HWND) { DestroyWindow(owner); }}), 0);
  EXPECT_FALSE(IsWindow(owner));

  SetLastError(0);
  EXPECT_EQ(MessageBoxW(nullptr, TEXT("x"), TEXT("x"), 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
  EXPECT_EQ(MessageBoxW(nullptr, TEXT("x"), TEXT("x"), 15), 0);
}
#endif
