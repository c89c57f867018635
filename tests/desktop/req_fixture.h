// What the requester tests share: the libraries started per test, plain
// top-level windows of this thread, and a thread timer that finds the
// requester's box while its own message loop runs and answers it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "desktop/req.h"
#include "runtime/mem.h"
#include "runtime/text.h"

inline LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}

inline bool is_topmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

inline std::string window_text(HWND window) {
  WCHAR buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return u8(buffer);
}

// The visible dialog box ("#32770") of this thread, whatever its caption.
inline HWND find_box() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM param) -> BOOL {
        WCHAR cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (u8(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs call while a thread timer waits for the box, hands it to look (once) and then to answer,
// until the box is gone. A box that ignores its answers is destroyed, so that it fails the test
// rather than hang it.
struct BoxDriver {
  std::function<void(HWND box)> look;
  std::function<void(HWND box)> answer;
  int ticks = 0;
  int answers = 0;
  bool seen = false;

  static BoxDriver*& current() {
    static BoxDriver* driver = nullptr;
    return driver;
  }

  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    BoxDriver* d = current();
    if (!d) return;
    ++d->ticks;
    HWND box = find_box();
    if (!box) return;
    if (!d->seen) {
      d->seen = true;
      if (d->look) d->look(box);
    }
    if (++d->answers > 40) DestroyWindow(box);
    else if (d->answer) d->answer(box);
  }

  template <typename Call>
  auto run(Call call) {
    current() = this;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, tick);
    auto result = call();
    KillTimer(nullptr, timer);
    current() = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    return result;
  }
};

class ReqTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem_heap_init();
    text_heap_init();
    req_init();
    WNDCLASSW cls = {};
    cls.lpfnWndProc = plain_window_proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = TEXT("ReqTestWindow");
    RegisterClassW(&cls);
  }
  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
    req_set_file_dialog_routine(nullptr);
    req_end();
    text_heap_end();
    mem_heap_end();
  }

  HWND make_window(const WCHAR* title, DWORD ex_style = 0, DWORD style = WS_VISIBLE) {
    int n = static_cast<int>(windows_.size());
    HWND window = CreateWindowExW(ex_style, TEXT("ReqTestWindow"), title, WS_OVERLAPPEDWINDOW | style, 40 + 30 * n,
                                  40 + 30 * n, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    windows_.push_back(window);
    return window;
  }

  std::vector<HWND> windows_;
};
