// The background the four standard controls paint under the headless
// display (Linux only), for each answer their parent gives to WM_CTLCOLOR*:
// a brush of its own, nothing, a handle that is no brush (a pen); and a parent that
// destroys the control while it is asked.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "platform/win32/display/headless_driver.h"

namespace {

const COLORREF kTint = RGB(10, 200, 30);
HGDIOBJ answer = nullptr;  // the parent's answer; null: DefWindowProcW's
bool destroy_asker = false;

LRESULT CALLBACK parent_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    if (destroy_asker) {
      DestroyWindow(reinterpret_cast<HWND>(lParam));
      return 0;
    }
    if (answer) return reinterpret_cast<LRESULT>(answer);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Control {
  const WCHAR* name;
  DWORD style;
  int system_back;   // the background when the parent gives no brush
  bool takes_brush;  // push buttons keep the system's colours whatever the answer
};

TEST(ControlColours, ParentBrushOrTheDefaultOfEachKind) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = parent_proc;
  wc.lpszClassName = TEXT("ColourParent");
  RegisterClassW(&wc);
  HWND top = CreateWindowExW(0, wc.lpszClassName, TEXT("colours"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                             nullptr, nullptr, nullptr, nullptr);
  HBRUSH tint = CreateSolidBrush(kTint);
  HPEN pen = CreatePen(PS_SOLID, 1, kTint);
  const Control controls[] = {{TEXT("Static"), SS_LEFT, COLOR_3DFACE, true},
                              {TEXT("Edit"), ES_LEFT, COLOR_WINDOW, true},
                              {TEXT("Edit"), ES_READONLY, COLOR_3DFACE, true},
                              {TEXT("ListBox"), LBS_NOTIFY, COLOR_WINDOW, true},
                              {TEXT("Button"), BS_PUSHBUTTON, COLOR_BTNFACE, false}};
  const HGDIOBJ answers[] = {tint, nullptr, pen};
  for (const Control& c : controls) {
    for (HGDIOBJ a : answers) {
      answer = a;
      HWND control = CreateWindowExW(0, c.name, nullptr, WS_CHILD | WS_VISIBLE | c.style, 10, 10, 120, 40, top, nullptr,
                                     nullptr, nullptr);
      headless::pump();
      COLORREF expected = c.takes_brush && a == tint ? kTint : GetSysColor(c.system_back);
      EXPECT_EQ(headless::pixel(control, 60, 20), expected) << static_cast<const void*>(a);
      DestroyWindow(control);
    }
    answer = nullptr;
    destroy_asker = true;
    HWND doomed = CreateWindowExW(0, c.name, nullptr, WS_CHILD | WS_VISIBLE | c.style, 10, 10, 120, 40, top, nullptr,
                                  nullptr, nullptr);
    headless::pump();
    EXPECT_FALSE(IsWindow(doomed));
    destroy_asker = false;
  }
  DestroyWindow(top);
  DeleteObject(tint);
  DeleteObject(pen);
  headless::pump();
}

}  // namespace
#endif
