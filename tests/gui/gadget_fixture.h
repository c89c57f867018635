// What the gadget tests share: the libraries started once per test program,
// a fresh window per test, and the gadget events read back from the queue.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "gui/event.h"
#include "gui/font.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "runtime/mem.h"
#include "runtime/text.h"

inline void gui_test_start() {
  static bool started;
  if (started) {
    return;
  }
  started = true;
  mem_heap_init();
  text_heap_init();
  event_init();
  font_init();
  win_init();
  gadget_init();
}

struct SeenEvent {
  int64_t code;
  int64_t gadget;
  int64_t window;
  int64_t type;
};

// Serves every pending platform message and takes every queued event.
inline std::vector<SeenEvent> take_events() {
  std::vector<SeenEvent> seen;
  for (int guard = 0; guard < 10000; guard++) {
    const int64_t code = event_wait_timeout(0);
    if (code >= EVENT_GADGET && code <= EVENT_SIZE_WINDOW) {
      seen.push_back({code, event_source(), event_window(), event_subtype()});
      continue;
    }
    MSG waiting;
    if (code == 0 && !event_pending() && !PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
      break;
    }
  }
  return seen;
}

// The types of the gadget events of one gadget, in order.
inline std::vector<int64_t> gadget_types(const std::vector<SeenEvent>& seen, int64_t gadget) {
  std::vector<int64_t> types;
  for (const SeenEvent& event : seen) {
    if (event.code == EVENT_GADGET && event.gadget == gadget) {
      types.push_back(event.type);
    }
  }
  return types;
}

class GadgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test_start();
    window_ = win_open(-1, 40, 40, 480, 360, TEXT("gadgets"), WIN_DEFAULT_FLAGS);
    ASSERT_NE(window_, 0);
    take_events();
  }
  void TearDown() override {
    win_free(window_);
    take_events();
  }
  HWND window() const { return win_handle(window_); }

  int64_t window_ = 0;
};

// The client point at the middle of a list's item.
inline LPARAM item_point(HWND list, int index) {
  RECT item = {};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
}
