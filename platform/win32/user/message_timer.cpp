// Timers: WM_TIMER is made when a timer is due and nothing else is waiting,
// and a timer that fell behind fires once, not once per missed period.
// Time is the display's clock (virtual under the headless display).
#include "platform/win32/user/window_internal.h"

namespace user {

bool timer_take(Queue* q, HWND filter, bool remove, MSG* msg) {
  uint64_t t = now();
  Timer* best = nullptr;
  for (Timer& timer : q->timers) {
    if (timer.due > t) continue;
    bool matches = !filter                                ? true
                   : filter == reinterpret_cast<HWND>(-1) ? timer.window == nullptr
                                                          : timer.window == filter || IsChild(filter, timer.window);
    if (matches && (!best || timer.due < best->due)) best = &timer;
  }
  if (!best) return false;
  *msg = MSG{best->window, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), static_cast<DWORD>(t), cursor_pos};
  if (remove) best->due = t + best->interval;
  return true;
}

uint64_t next_timer_due(Queue* q) {
  uint64_t due = UINT64_MAX;
  for (const Timer& t : q->timers)
    if (t.due < due) due = t.due;
  return due;
}

void kill_timers_of(Queue* q, HWND window) {
  for (size_t i = 0; i < q->timers.size();)
    if (q->timers[i].window == window) q->timers.erase(q->timers.begin() + static_cast<std::ptrdiff_t>(i));
    else ++i;
}

}  // namespace user

using namespace user;

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  Queue* q = current_queue();
  if (window) {
    Window* w = find_or_fail(window);
    if (!w) return 0;
    if (w->queue != q) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
  if (elapse > USER_TIMER_MAXIMUM) elapse = USER_TIMER_MAXIMUM;
  if (!window) {
    // A thread timer: a new identifier unless id names one of ours.
    bool ours = false;
    for (const Timer& t : q->timers)
      if (!t.window && t.id == id && id) ours = true;
    if (!ours) {
      static UINT_PTR next = 0x7FFE;
      do {
        id = next;
        next = next > 0x100 ? next - 1 : 0x7FFE;
        ours = false;
        for (const Timer& t : q->timers)
          if (!t.window && t.id == id) ours = true;
      } while (ours);
    }
  }
  uint64_t due = now() + elapse;
  for (Timer& t : q->timers)
    if (t.window == window && t.id == id) {
      t.interval = elapse;
      t.proc = proc;
      t.due = due;
      return window ? (id ? id : 1) : id;
    }
  q->timers.push_back(Timer{window, id, elapse, proc, due});
  return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  Queue* q = current_queue();
  for (size_t i = 0; i < q->timers.size(); ++i)
    if (q->timers[i].window == window && q->timers[i].id == id) {
      q->timers.erase(q->timers.begin() + static_cast<std::ptrdiff_t>(i));
      return TRUE;
    }
  SetLastError(window && !find(window) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
  return FALSE;
}
