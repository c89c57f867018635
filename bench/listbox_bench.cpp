// Figures for the "ListBox" control with a catalogue-sized list, through
// window messages as the program sends them: appending a million lines,
// one sorted LB_ADDSTRING into them (worst and middle place), the worst
// LB_FINDSTRINGEXACT, one full paint, one scroll step, and memory per line.
//   listbox_bench [lines]   (default 1,000,000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of the process in bytes, where the system tells it (0 elsewhere).
long long resident_bytes() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word)
    if (word == "VmRSS:") {
      long long kb = 0;
      status >> kb;
      return kb * 1024;
    }
  return 0;
}

// Catalogue line i, in sorted order as i grows, ASCII, zero-terminated.
int make_line(long long i, WCHAR* out, int room) {
  char bytes[160];
  int n = snprintf(bytes, sizeof bytes, "Menu %04lld[]Some link title %07lld[]https://www.example.com/path/%lld[]",
                   i / 1000, i, i);
  if (n >= room) n = room - 1;
  for (int k = 0; k < n; ++k) out[k] = static_cast<WCHAR>(bytes[k]);
  out[n] = 0;
  return n;
}

void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Time of one full repaint of the list: invalidated, painted, and shown.
double full_paint(HWND list) {
  Clock::time_point start = Clock::now();
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  pump();
  return ms_since(start);
}

// The top-level window and the link list in it, as the program makes it:
// the list gadget's styles with LBS_SORT. Null when there is no window.
HWND make_list(HWND* top) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  wc.lpszClassName = TEXT("ListBenchWindow");
  RegisterClassW(&wc);
  *top = CreateWindowExW(0, wc.lpszClassName, TEXT("list bench"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 900, 700,
                         nullptr, nullptr, nullptr, nullptr);
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, TEXT("ListBox"), nullptr, 0x50330141 | LBS_SORT, 10, 10, 860, 640, *top,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), nullptr, nullptr);
  if (!*top || !list) return nullptr;
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, 1000, 0);
  pump();
  return list;
}

// The lines, made first so that only the list's own work is timed and measured.
struct Lines {
  std::vector<WCHAR> made;
  std::vector<size_t> starts;
};

Lines make_lines(long long lines) {
  Lines out;
  std::vector<WCHAR> line(200);
  for (long long i = 0; i < lines; ++i) {
    out.starts.push_back(out.made.size());
    int n = make_line(i, line.data(), 200);
    out.made.insert(out.made.end(), line.data(), line.data() + n + 1);
  }
  return out;
}

// Append, as loading a catalogue does (LB_INSERTSTRING at -1).
void append_all(HWND list, long long lines, const Lines& made) {
  long long units = static_cast<long long>(made.made.size()) - lines;
  long long before = resident_bytes();
  Clock::time_point start = Clock::now();
  for (long long i = 0; i < lines; ++i)
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&made.made[made.starts[i]]));
  double append_ms = ms_since(start);
  long long after = resident_bytes();
  pump();
  std::printf("lines: %lld, %.1f text units a line on average\n", lines, static_cast<double>(units) / lines);
  std::printf("append all (LB_INSERTSTRING -1): %.1f ms (%.0f ns a line)\n", append_ms,
              append_ms * 1e6 / static_cast<double>(lines));
  if (before > 0 && after > before) {
    double per_line = static_cast<double>(after - before) / static_cast<double>(lines);
    double text = 2.0 * static_cast<double>(units) / static_cast<double>(lines);
    std::printf("memory: %.1f bytes a line resident, of which %.1f text, %.1f bookkeeping\n", per_line, text,
                per_line - text);
  }
}

// One sorted insertion: before the first line (the most records to move) and in the middle.
void sorted_insertion(HWND list, long long lines) {
  std::vector<WCHAR> line(200);
  std::vector<double> first, middle;
  for (int k = 0; k < 20; ++k) {
    make_line(-1, line.data(), 200);
    line[0] = u'A';  // "Anu ..." sorts before every "Menu ..."
    Clock::time_point start = Clock::now();
    LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.data()));
    first.push_back(ms_since(start));
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
    make_line(lines / 2, line.data(), 200);
    start = Clock::now();
    at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.data()));
    middle.push_back(ms_since(start));
    if (at != lines / 2)
      std::printf("  (sorted insertion landed at %lld, expected %lld)\n", static_cast<long long>(at), lines / 2);
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
  }
  std::printf("LB_ADDSTRING into the sorted list: %.3f ms before the first line, %.3f ms in the middle (medians)\n",
              median(first), median(middle));
}

// Append again into an emptied list, as building the page does: storage
// reserved first (LB_INITSTORAGE) and drawing off (WM_SETREDRAW) until the end.
void append_reserved(HWND list, long long lines, const Lines& made) {
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const long long units = static_cast<long long>(made.made.size());
  Clock::time_point start = Clock::now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(lines), static_cast<LPARAM>(units * sizeof(WCHAR)));
  for (long long i = 0; i < lines; ++i)
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&made.made[made.starts[i]]));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  const double append_ms = ms_since(start);
  pump();
  std::printf("append all reserved, drawing off: %.1f ms (%.0f ns a line)\n", append_ms,
              append_ms * 1e6 / static_cast<double>(lines));
}

// Every line read back, as writing the page and saving do: its length, then its text.
void read_all(HWND list, long long lines) {
  std::vector<WCHAR> line(256);
  long long units = 0;
  Clock::time_point start = Clock::now();
  for (long long i = 0; i < lines; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    if (length >= static_cast<LRESULT>(line.size())) line.resize(static_cast<size_t>(length) + 1);
    units += SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
  }
  const double read_ms = ms_since(start);
  std::printf("read all (LB_GETTEXTLEN, LB_GETTEXT): %.1f ms (%.0f ns a line, %lld units)\n", read_ms,
              read_ms * 1e6 / static_cast<double>(lines), units);
}

// The worst search: a line that is not there (every line looked at), and the last line.
void worst_search(HWND list, long long lines) {
  std::vector<WCHAR> line(200);
  std::vector<double> absent, last;
  for (int k = 0; k < 5; ++k) {
    make_line(lines, line.data(), 200);
    Clock::time_point start = Clock::now();
    LRESULT found = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(line.data()));
    absent.push_back(ms_since(start));
    if (found != LB_ERR) std::printf("  (found a missing line at %lld)\n", static_cast<long long>(found));
    make_line(lines - 1, line.data(), 200);
    start = Clock::now();
    found = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line.data()));
    last.push_back(ms_since(start));
    if (found != lines - 1) std::printf("  (the last line was found at %lld)\n", static_cast<long long>(found));
  }
  std::printf("LB_FINDSTRINGEXACT over all lines: %.2f ms for a missing line, %.2f ms for the last (medians)\n",
              median(absent), median(last));
}

// Painting: the list in the middle of its lines, one line selected on screen;
// then scrolling one line, repainted and shown.
void paint_and_scroll(HWND list, long long lines) {
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(lines / 2), 0);
  pump();
  std::vector<double> paints;
  for (int k = 0; k < 30; ++k) paints.push_back(full_paint(list));
  RECT client;
  GetClientRect(list, &client);
  int shown = (client.bottom - client.top) / static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  std::printf("one full paint (%d lines shown): %.2f ms (median of %zu)\n", shown, median(paints), paints.size());

  std::vector<double> steps;
  for (int k = 0; k < 100; ++k) {
    Clock::time_point start = Clock::now();
    SendMessageW(list, WM_VSCROLL, SB_LINEDOWN, 0);
    UpdateWindow(list);
    pump();
    steps.push_back(ms_since(start));
  }
  std::printf("one scroll step (SB_LINEDOWN, repainted): %.2f ms (median of %zu)\n", median(steps), steps.size());
}

}  // namespace

int main(int argc, char** argv) {
  long long lines = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (lines < 10) lines = 10;
  HWND top = nullptr;
  HWND list = make_list(&top);
  if (!list) {
    std::fprintf(stderr, "listbox_bench: no window\n");
    return 1;
  }
  Lines made = make_lines(lines);
  append_all(list, lines, made);
  append_reserved(list, lines, made);
  read_all(list, lines);
  sorted_insertion(list, lines);
  worst_search(list, lines);
  paint_and_scroll(list, lines);

  Clock::time_point start = Clock::now();
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  std::printf("LB_RESETCONTENT: %.1f ms\n", ms_since(start));
  DestroyWindow(top);
  return 0;
}
