// Painting under the headless display (Linux only), probed by pixels of the
// composed pictures: class brushes, children over parents in z-order and
// clipped to them, text in a colour, the caption, PNG files.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/test_text.h"
#include "message_log.h"
#include "platform/win32/display/headless_driver.h"

namespace {

COLORREF fill_color(HWND h) { return static_cast<COLORREF>(GetWindowLongPtrW(h, GWLP_USERDATA)); }

LRESULT CALLBACK filling_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH brush = CreateSolidBrush(fill_color(hwnd));
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    WCHAR text[16];
    int n = GetWindowTextW(hwnd, text, 16);
    if (n) {
      SetTextColor(dc, RGB(0, 0, 255));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, text, n, &r, DT_SINGLELINE | DT_LEFT | DT_TOP);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND filled(HWND parent, int x, int y, int cx, int cy, COLORREF color, const WCHAR* text = TEXT("")) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = filling_proc;
  wc.lpszClassName = TEXT("HeadlessFilled");
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, TEXT("HeadlessFilled"), text, WS_CHILD | WS_VISIBLE, x, y, cx, cy, parent, nullptr,
                           nullptr, nullptr);
  SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<LONG_PTR>(color));
  return h;
}

HWND brushed_top(HBRUSH brush, DWORD style = WS_POPUP | WS_VISIBLE) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hbrBackground = brush;
  wc.lpszClassName = brush == reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1) ? TEXT("HeadlessFace") : TEXT("HeadlessRed");
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, TEXT("Pixels"), style, 50, 50, 300, 200, nullptr, nullptr, nullptr,
                         nullptr);
}

TEST(HeadlessPaint, BackgroundsAndChildren) {
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  HWND top = brushed_top(red);
  HWND a = filled(top, 10, 10, 100, 60, RGB(0, 160, 0));
  HWND b = filled(top, 60, 40, 100, 60, RGB(0, 0, 160));  // created later: below a
  HWND wide = filled(top, 250, 150, 200, 200, RGB(255, 255, 0));
  headless::pump();
  EXPECT_EQ(headless::pixel(top, 5, 5), RGB(200, 0, 0));
  EXPECT_EQ(headless::pixel(top, 200, 20), RGB(200, 0, 0));
  EXPECT_EQ(headless::pixel(a, 5, 5), RGB(0, 160, 0));
  EXPECT_EQ(headless::pixel(top, 80, 50), RGB(0, 160, 0));  // where they overlap, a is on top
  EXPECT_EQ(headless::pixel(top, 150, 90), RGB(0, 0, 160));
  // Clipped to the parent: the picture ends with the parent.
  EXPECT_EQ(headless::pixel(top, 299, 199), RGB(255, 255, 0));
  EXPECT_EQ(headless::pixel(top, 300, 199), CLR_INVALID);

  // Raising b puts it over a.
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  headless::pump();
  EXPECT_EQ(headless::pixel(top, 80, 50), RGB(0, 0, 160));
  // Hiding it shows what lay beneath again.
  ShowWindow(b, SW_HIDE);
  headless::pump();
  EXPECT_EQ(headless::pixel(top, 80, 50), RGB(0, 160, 0));
  EXPECT_EQ(headless::pixel(top, 150, 90), RGB(200, 0, 0));
  // Moving a child repaints nothing of it but shows it elsewhere.
  MoveWindow(wide, 0, 150, 50, 50, TRUE);
  headless::pump();
  EXPECT_EQ(headless::pixel(top, 10, 160), RGB(255, 255, 0));
  EXPECT_EQ(headless::pixel(top, 290, 190), RGB(200, 0, 0));
  DestroyWindow(top);
  DeleteObject(red);
}

TEST(HeadlessPaint, TextCaptionAndPng) {
  HWND top = brushed_top(reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1), WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  HWND label = filled(top, 10, 10, 200, 40, RGB(255, 255, 255), TEXT("WWWWWW"));
  headless::pump();
  EXPECT_EQ(headless::pixel(top, 250, 150), GetSysColor(COLOR_3DFACE));
  // Some of the text is blue, none of the background is.
  int blue = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF c = headless::pixel(label, x, y);
      if (GetBValue(c) > 150 && GetRValue(c) < 100 && GetGValue(c) < 100) ++blue;
    }
  EXPECT_GT(blue, 10);
  EXPECT_EQ(headless::pixel(label, 190, 35), RGB(255, 255, 255));
  // The caption of the active window, above the client area.
  ASSERT_EQ(GetActiveWindow(), top);
  RECT r;
  GetWindowRect(top, &r);
  POINT client{0, 0};
  ClientToScreen(top, &client);
  // Right of the title, left of the close box.
  EXPECT_EQ(headless::pixel(top, 180, -(client.y - r.top) / 2 + 2), GetSysColor(COLOR_ACTIVECAPTION));

  std::string path = test_dir() + "window.png";
  EXPECT_TRUE(headless::save_png(label, path.c_str()));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_TRUE(f);
  unsigned char magic[4] = {};
  EXPECT_EQ(std::fread(magic, 1, 4, f), 4u);
  std::fclose(f);
  EXPECT_EQ(magic[1], 'P');
  EXPECT_FALSE(headless::save_png(nullptr, path.c_str()));
  DestroyWindow(top);
}

}  // namespace
#endif
