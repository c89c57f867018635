// Figures for the list gadget: appending lines with gadget_add_item (each
// through suppression, the gadget procedure and the list's own procedure)
// and reading them back with gadget_item_text onto the temporary string stack.
//   gadget_bench [lines]   (default 1,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "platform/win32.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A catalogue-like line: menu, title and address fields, about 60 units.
const WCHAR* line_for(int64_t i, int32_t offset) {
  text_stack_cut(offset);
  text_push(TEXT("Menu "));
  text_from_int(i % 97, text_stack_top());
  text_push(TEXT("[]Link title number "));
  text_from_int(i, text_stack_top());
  text_push(TEXT("[]https://example.org/page/"));
  text_from_int(i, text_stack_top());
  text_push(TEXT("[]"));
  return text_stack_at(offset);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (lines <= 0) return 1;
  mem_heap_init();
  text_heap_init();
  event_init();
  win_init();
  gadget_init();
  const int64_t window = win_open(-1, 10, 10, 600, 400, TEXT("bench"), WIN_DEFAULT_FLAGS | WIN_HIDDEN);
  const int64_t list = gadget_new_list(-1, 0, 0, 576, 380, 0x142);
  if (!window || !list) {
    std::fprintf(stderr, "no window or list\n");
    return 1;
  }
  const int32_t base = text_stack_top();

  Clock::time_point start = Clock::now();
  for (int64_t i = 0; i < lines; i++) {
    gadget_add_item(list, -1, line_for(i, base));
  }
  const double add = seconds_since(start);
  text_stack_cut(base);
  std::printf("gadget_add_item, %lld lines at the end of a sorted-style list: %.3f s, %.0f ns per line\n",
              static_cast<long long>(lines), add, add * 1e9 / static_cast<double>(lines));

  const int64_t count = gadget_item_count(list);
  int64_t units = 0;
  start = Clock::now();
  for (int64_t i = 0; i < count; i++) {
    units += text_length(gadget_item_text(list, i, base));
    text_stack_cut(base);
  }
  const double read = seconds_since(start);
  std::printf("gadget_item_text, %lld lines in order: %.3f s, %.0f ns per line (%lld units read)\n",
              static_cast<long long>(count), read, read * 1e9 / static_cast<double>(count > 0 ? count : 1),
              static_cast<long long>(units));
  if (count != lines) {
    std::fprintf(stderr, "the list holds %lld of %lld lines\n", static_cast<long long>(count),
                 static_cast<long long>(lines));
    return 1;
  }

  start = Clock::now();
  gadget_clear(list);
  std::printf("gadget_clear of %lld lines: %.3f s\n", static_cast<long long>(count), seconds_since(start));
  win_end();
  return 0;
}
