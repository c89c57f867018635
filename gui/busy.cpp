// One thread runs every handler, so nothing can show the cursor while the
// handler works except the handler itself: its steps look at the clock.
#include "gui/busy.h"

#include <cassert>

namespace {

constexpr int kStepsPerLook = 256;  // steps between two looks at the clock

struct Busy {
  int depth = 0;
  ULONGLONG started = 0;
  int steps = 0;
  bool shown = false;
  HCURSOR before = nullptr;  // the cursor the span found, put back at its end
  HCURSOR wait = nullptr;
  DWORD delay = WIN_BUSY_DELAY;
};

Busy g_busy;

}  // namespace

void win_busy_begin() {
  if (g_busy.depth++ > 0) return;
  g_busy.started = GetTickCount64();
  g_busy.steps = 0;
  g_busy.shown = false;
}

void win_busy_step() {
  if (g_busy.depth == 0 || g_busy.steps++ % kStepsPerLook != 0) return;
  if (GetTickCount64() - g_busy.started < g_busy.delay) return;
  if (!g_busy.wait) g_busy.wait = LoadCursorW(nullptr, IDC_WAIT);
  // A box the action opened may have put the arrow up over it meanwhile: the wait cursor comes back.
  const HCURSOR now = GetCursor();
  if (now == g_busy.wait) return;
  if (!g_busy.shown) {
    g_busy.before = now;
    g_busy.shown = true;
  }
  SetCursor(g_busy.wait);
}

void win_busy_end() {
  assert(g_busy.depth > 0 && "win_busy_end without win_busy_begin");
  if (g_busy.depth == 0 || --g_busy.depth > 0) return;
  if (g_busy.shown && GetCursor() == g_busy.wait) SetCursor(g_busy.before);
  g_busy.shown = false;
}

void win_set_busy_delay(DWORD milliseconds) { g_busy.delay = milliseconds; }
