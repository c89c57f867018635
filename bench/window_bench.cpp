// Figures for the windowing half of the stand-in: SendMessageW round trips,
// and a full repaint of a 600x735 window holding 40 child windows that paint
// themselves (invalidate all, paint now, compose, present).
//   window_bench [round trips] [repaints]   (default 1,000,000 and 200)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/child_window.h"
#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

LRESULT CALLBACK echo_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) return static_cast<LRESULT>(wParam) + lParam;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

long child_paints = 0;

// Each child fills itself, frames itself and writes a short text, as a control would.
LRESULT CALLBACK child_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    ++child_paints;
    paint_child_window(hwnd);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void register_class(const WCHAR* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

int main(int argc, char** argv) {
  long trips = argc > 1 ? std::atol(argv[1]) : 1000000;
  int repaints = argc > 2 ? std::atoi(argv[2]) : 200;
  if (trips <= 0 || repaints <= 0) {
    std::fprintf(stderr, "usage: window_bench [round trips] [repaints]\n");
    return 2;
  }

  register_class(TEXT("BenchEcho"), echo_proc, nullptr);
  HWND echo = CreateWindowExW(0, TEXT("BenchEcho"), TEXT(""), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  LRESULT sum = 0;
  Clock::time_point start = Clock::now();
  for (long i = 0; i < trips; ++i) sum += SendMessageW(echo, WM_USER, static_cast<WPARAM>(i & 7), 1);
  double send_seconds = seconds_since(start);
  DestroyWindow(echo);

  register_class(TEXT("BenchParent"), DefWindowProcW, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1));
  register_class(TEXT("BenchChild"), child_proc, nullptr);
  RECT outer{0, 0, 600, 735};
  AdjustWindowRectEx(&outer, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE, 0);
  HWND top = CreateWindowExW(0, TEXT("BenchParent"), TEXT("Bench"), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 20, 20,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 40; ++i) {
    int column = i % 4, row = i / 4;
    CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("BenchChild"), TEXT(""), WS_CHILD | WS_VISIBLE, 10 + column * 147,
                    10 + row * 72, 140, 64, top, nullptr, nullptr, nullptr);
  }
  ShowWindow(top, SW_SHOW);
  pump();
  child_paints = 0;
  start = Clock::now();
  for (int i = 0; i < repaints; ++i) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump();  // an idle queue composes and presents what was painted
  }
  double paint_seconds = seconds_since(start);
  DestroyWindow(top);

  std::printf("SendMessageW round trip: %.1f ns (%ld calls, check %lld)\n", send_seconds * 1e9 / trips, trips,
              static_cast<long long>(sum));
  std::printf("full repaint, 600x735 window with 40 self-painting children: %.2f ms (%d repaints, %ld child paints)\n",
              paint_seconds * 1e3 / repaints, repaints, child_paints);
  return 0;
}
