// Window scroll bars and keyboard cues: SetScrollInfo showing and hiding the
// bar with its client area, position clamping, clicks on the arrows and the
// track (headless); WM_UPDATEUISTATE reaching the children.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "message_log.h"
#ifndef _WIN32
#include "platform/win32/display/headless_driver.h"
#endif

namespace {

const WCHAR* kClass = TEXT("ScrollTestClass");

HWND make_window(DWORD style, HWND parent = nullptr) {
  register_logging_class(kClass, 0);
  return CreateWindowExW(0, kClass, TEXT("s"), style, 100, 100, 300, 200, parent, nullptr, nullptr, nullptr);
}

TEST(ScrollBars, RangeShowsAndHidesTheBar) {
  HWND top = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND plain = make_window(WS_CHILD | WS_VISIBLE, top);
  HWND w = make_window(WS_CHILD | WS_VISIBLE | WS_VSCROLL, top);
  RECT without, before;
  GetClientRect(plain, &without);
  GetClientRect(w, &before);
  EXPECT_EQ(before.right, without.right - GetSystemMetrics(SM_CXVSCROLL));
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 50, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 50);
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_VSCROLL);
  RECT after;

  // The position stays within the range less the page.
  si.fMask = SIF_POS;
  si.nPos = 1000;
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 90);
  si.nPos = -5;
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 0);
  EXPECT_EQ(SetScrollPos(w, SB_VERT, 20, TRUE), 0);  // answers the previous position
  SCROLLINFO got{sizeof got, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(w, SB_VERT, &got));
  EXPECT_EQ(got.nMin, 0);
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nPos, 20);

  // A page that holds the whole range needs no bar: it goes, and the client area grows...
  si.fMask = SIF_PAGE;
  si.nPage = 100;
  message_log().clear();
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(w, &after);
  EXPECT_EQ(after.right, without.right);
  EXPECT_TRUE(find_logged(w, WM_SIZE));
  // ... unless SIF_DISABLENOSCROLL keeps it, disabled.
  HWND kept = make_window(WS_CHILD | WS_VISIBLE | WS_VSCROLL, top);
  SCROLLINFO all{sizeof all, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 99, 100, 0, 0};
  SetScrollInfo(kept, SB_VERT, &all, TRUE);
  EXPECT_TRUE(GetWindowLongW(kept, GWL_STYLE) & WS_VSCROLL);
#ifndef _WIN32
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, nullptr, TRUE), 0);
#endif
  DestroyWindow(top);
}

TEST(KeyboardCues, UpdateReachesChildren) {
  // Wine keeps the cues always shown (its default keyboard-cues setting), so nothing changes there.
  if (running_under_wine()) GTEST_SKIP() << "Wine ignores WM_UPDATEUISTATE with keyboard cues always on";
  HWND top = make_window(WS_OVERLAPPEDWINDOW);
  HWND child = make_window(WS_CHILD | WS_VISIBLE, top);
  HWND grandchild = make_window(WS_CHILD | WS_VISIBLE, child);
  SendMessageW(top, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  EXPECT_EQ(SendMessageW(top, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS | UISF_HIDEACCEL);
  EXPECT_EQ(SendMessageW(grandchild, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS | UISF_HIDEACCEL);
  SendMessageW(top, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
  EXPECT_EQ(SendMessageW(top, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS);
  EXPECT_EQ(SendMessageW(child, WM_QUERYUISTATE, 0, 0), UISF_HIDEFOCUS);
  EXPECT_TRUE(find_logged(grandchild, WM_UPDATEUISTATE));
  DestroyWindow(top);
}

#ifndef _WIN32
TEST(HeadlessScrollBars, ClicksScroll) {
  HWND top = make_window(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND w = CreateWindowExW(0, kClass, TEXT(""), WS_CHILD | WS_VISIBLE, 10, 10, 200, 150, top, nullptr, nullptr,
                           nullptr);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  headless::pump();
  RECT r;
  GetWindowRect(w, &r);
  int x = r.right - GetSystemMetrics(SM_CXVSCROLL) / 2;
  message_log().clear();
  headless::click(x, r.bottom - 3);  // the down arrow
  headless::advance(1000);
  headless::click(x, r.bottom - GetSystemMetrics(SM_CYVSCROLL) - 10);  // the track below the thumb
  headless::pump();
  std::vector<WPARAM> codes;
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == w && m.message == WM_VSCROLL) codes.push_back(LOWORD(m.wParam));
  std::vector<WPARAM> want{SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL};
  EXPECT_EQ(codes, want);
  EXPECT_EQ(GetCapture(), nullptr);
  // Dragging the thumb reports its track position, then where it was let go.
  message_log().clear();
  headless::advance(1000);
  int thumb_y = r.top + GetSystemMetrics(SM_CYVSCROLL) + 3;
  headless::mouse_down(x, thumb_y);
  headless::mouse_move(x, thumb_y + 60);
  headless::mouse_up(x, thumb_y + 60);
  headless::pump();
  const LoggedMessage* track = find_logged(w, WM_VSCROLL);
  ASSERT_TRUE(track);
  EXPECT_EQ(LOWORD(track->wParam), SB_THUMBTRACK);
  EXPECT_GT(HIWORD(track->wParam), 0);
  int ends = 0, positions = 0;
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == w && m.message == WM_VSCROLL) {
      if (LOWORD(m.wParam) == SB_THUMBPOSITION) ++positions;
      if (LOWORD(m.wParam) == SB_ENDSCROLL) ++ends;
    }
  EXPECT_EQ(positions, 1);
  EXPECT_EQ(ends, 1);
  DestroyWindow(top);
}
#endif

}  // namespace
