// Painting through Win32 calls only: invalid regions, WM_PAINT and
// WM_ERASEBKGND, RedrawWindow's flags, window device contexts.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "message_log.h"

namespace {

const WCHAR* kClass = TEXT("PaintTestClass");

RECT last_paint;
BOOL last_erase;
int paints = 0;

LRESULT CALLBACK painting_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  log_message(hwnd, message, wParam, lParam);
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    EXPECT_TRUE(dc);
    EXPECT_EQ(WindowFromDC(dc), hwnd);
    last_paint = ps.rcPaint;
    last_erase = ps.fErase;
    ++paints;
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND make_window(DWORD style, HWND parent = nullptr, int x = 0, int y = 0, int cx = 200, int cy = 150) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = painting_proc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  return CreateWindowExW(0, kClass, TEXT("p"), style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
}

void settle(HWND w) {
  UpdateWindow(w);
  drain_messages();
  paints = 0;
  message_log().clear();
}

TEST(Paint, InvalidateUpdateValidate) {
  HWND w = make_window(WS_POPUP | WS_VISIBLE, nullptr, 20, 20);
  settle(w);
  RECT r1{10, 10, 30, 30}, r2{50, 20, 60, 40};
  InvalidateRect(w, &r1, TRUE);
  InvalidateRect(w, &r2, FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
  RECT both{10, 10, 60, 40};
  EXPECT_TRUE(EqualRect(&update, &both));
  // UpdateWindow paints at once: erase first, then paint, with the whole invalid area.
  UpdateWindow(w);
  EXPECT_EQ(paints, 1);
  // Erasing happens inside BeginPaint, on the context it hands out.
  EXPECT_TRUE(same_sequence(logged(w, {WM_PAINT, WM_ERASEBKGND}), {sent(WM_PAINT, 0, 0), sent(WM_ERASEBKGND)}));
  EXPECT_TRUE(EqualRect(&last_paint, &both));
  EXPECT_FALSE(last_erase);  // the class brush erased it
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, w, WM_PAINT, WM_PAINT, PM_REMOVE));

  // Validating takes the area away again.
  InvalidateRect(w, nullptr, FALSE);
  ValidateRect(w, nullptr);
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  UpdateWindow(w);
  EXPECT_EQ(paints, 1);
  // Outside the client area counts for nothing.
  RECT outside{500, 500, 600, 600};
  InvalidateRect(w, &outside, TRUE);
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  DestroyWindow(w);
}

TEST(Paint, RedrawWindowFlags) {
  HWND top = make_window(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, nullptr, 20, 20, 300, 200);
  HWND child = make_window(WS_CHILD | WS_VISIBLE, top, 10, 10, 50, 50);
  settle(top);
  // A parent that clips its children invalidates only itself, unless asked.
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(find_logged(top, WM_PAINT));
  EXPECT_FALSE(find_logged(child, WM_PAINT));
  message_log().clear();
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(find_logged(top, WM_PAINT));
  ASSERT_TRUE(find_logged(child, WM_PAINT));
  EXPECT_LT(position_of(top, WM_PAINT), position_of(child, WM_PAINT));  // parents first
  EXPECT_TRUE(find_logged(child, WM_ERASEBKGND));

  // An internal paint gives WM_PAINT with nothing to paint.
  message_log().clear();
  RedrawWindow(child, nullptr, nullptr, RDW_INTERNALPAINT);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, child);
  DispatchMessageW(&msg);
  EXPECT_TRUE(IsRectEmpty(&last_paint));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));

  // The child's area in the parent's coordinates, given to the parent, reaches the child.
  message_log().clear();
  RECT part{0, 0, 30, 30};
  RedrawWindow(top, &part, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(child, &update, FALSE));
  RECT want{0, 0, 20, 20};
  EXPECT_TRUE(EqualRect(&update, &want));
  RedrawWindow(top, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
  EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
  DestroyWindow(top);
}

TEST(Paint, WindowContexts) {
  HWND w = make_window(WS_POPUP | WS_VISIBLE, nullptr, 20, 20);
  HDC dc = GetDC(w);
  ASSERT_TRUE(dc);
  EXPECT_EQ(WindowFromDC(dc), w);
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(ReleaseDC(w, dc), 1);
  HDC screen = GetDC(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_GT(GetDeviceCaps(screen, LOGPIXELSY), 0);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  HDC whole = GetWindowDC(w);
  EXPECT_TRUE(whole);
  EXPECT_EQ(ReleaseDC(w, whole), 1);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x777)), nullptr);
  PAINTSTRUCT ps;
  EXPECT_EQ(BeginPaint(nullptr, &ps), nullptr);
  DestroyWindow(w);
}

}  // namespace
