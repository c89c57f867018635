// Figures for the event queue: posting and taking events, each post looking
// up its five binding keys in the bindings table.
//   gui_bench [events]   (default 1,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "gui/event.h"
#include "platform/win32.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int64_t callback_runs = 0;
void count_run() { callback_runs++; }

// Posts the events in batches (so the queue's nodes are reused) and takes them all.
double post_and_take(int64_t events, int64_t batch, bool repeats) {
  const Clock::time_point start = Clock::now();
  int64_t taken = 0;
  for (int64_t done = 0; done < events; done += batch) {
    for (int64_t i = 0; i < batch; i++) {
      // Distinct neighbours never merge; repeats all merge into one queued event.
      event_post(EVENT_GADGET, repeats ? 7 : (done + i) % 50, 1, 0);
    }
    while (event_pending()) {
      event_take();
      taken++;
    }
  }
  const double elapsed = seconds_since(start);
  if (!repeats && taken != events)
    std::fprintf(stderr, "took %lld of %lld events\n", (long long)taken, (long long)events);
  return elapsed * 1e9 / static_cast<double>(events);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t events = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (events <= 0) return 1;
  mem_heap_init();
  text_heap_init();
  event_init();

  std::printf("event_post + take, %lld events, empty bindings table:\n", static_cast<long long>(events));
  std::printf("  distinct events, batches of 1:     %7.1f ns per event\n", post_and_take(events, 1, false));
  std::printf("  distinct events, batches of 1000:  %7.1f ns per event\n", post_and_take(events, 1000, false));
  std::printf("  repeats merged into the tail:      %7.1f ns per event\n", post_and_take(events, 1000, true));

  // With some bindings present, a few of them hit.
  for (int g = 0; g < 200; g++) event_bind(EVENT_GADGET + g % 3, g % 4, g, 0, count_run);
  std::printf("with 200 bindings:\n");
  const double bound = post_and_take(events, 1000, false);
  std::printf("  distinct events, batches of 1000:  %7.1f ns per event (%lld callbacks run)\n", bound,
              static_cast<long long>(callback_runs));

  event_end();
  text_heap_end();
  mem_heap_end();
  return 0;
}
