// The event queue: merging, suppression, the two flags, event data and its
// release, removal, bindings and their keys, and the pump's answers.
#include <gtest/gtest.h>

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "gadget_fixture.h"
#include "gui/event.h"
#include "gui/event_bindings.h"
#include "runtime/map.h"
#include "gui/window.h"

namespace {

std::vector<intptr_t> released;  // data handed to note_release, in order
std::vector<std::string> calls;  // what the bound callbacks saw

void note_release(void* data) { released.push_back(reinterpret_cast<intptr_t>(data)); }

void* data_of(intptr_t n) { return reinterpret_cast<void*>(n); }

struct Taken {
  int32_t code;
  int64_t gadget, window, type;
  bool operator==(const Taken&) const = default;
};

std::vector<Taken> take_all() {
  std::vector<Taken> seen;
  while (event_pending()) {
    const int32_t code = event_take();
    seen.push_back({code, event_source(), event_window(), event_subtype()});
  }
  return seen;
}

void drain() {
  take_all();
  event_take();  // releases what the last taken event held
}

class EventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test_start();
    take_events();
    drain();
    released.clear();
    calls.clear();
  }
  void TearDown() override {
    drain();
    EXPECT_EQ(event_state()->suppression, 0);
    event_unbind_window(1);
    event_unbind_window(-1);
  }
};

TEST_F(EventTest, RepeatsMergeIntoTheTailOnlyWhenEverythingMatches) {
  event_post(EVENT_GADGET, 5, 1, 0);
  event_post(EVENT_GADGET, 5, 1, 0);
  EXPECT_EQ(take_all(), (std::vector<Taken>{{EVENT_GADGET, 5, 1, 0}}));

  // A different event in between keeps both; so does any differing field.
  event_post(EVENT_GADGET, 5, 1, 0);
  event_post(EVENT_GADGET, 5, 1, 2);
  event_post(EVENT_GADGET, 5, 1, 0);
  event_post(EVENT_GADGET, 6, 1, 0);
  event_post(EVENT_GADGET, 6, 2, 0);
  event_post(EVENT_MENU, 6, 2, 0);
  EXPECT_EQ(take_all(), (std::vector<Taken>{{EVENT_GADGET, 5, 1, 0},
                                            {EVENT_GADGET, 5, 1, 2},
                                            {EVENT_GADGET, 5, 1, 0},
                                            {EVENT_GADGET, 6, 1, 0},
                                            {EVENT_GADGET, 6, 2, 0},
                                            {EVENT_MENU, 6, 2, 0}}));

  // Codes above 16 bits and deferred events never merge.
  event_post(70000, 1, 1, 1);
  event_post(70000, 1, 1, 1);
  event_post(EVENT_GADGET, 1, 1, 1, nullptr, nullptr, EVENT_FLAG_DEFERRED);
  event_post(EVENT_GADGET, 1, 1, 1, nullptr, nullptr, EVENT_FLAG_DEFERRED);
  EXPECT_EQ(take_all().size(), 4u);

  // Taking the head and posting the same again is no repeat of a queued event.
  event_post(EVENT_GADGET, 9, 1, 0);
  EXPECT_EQ(event_take(), EVENT_GADGET);
  event_post(EVENT_GADGET, 9, 1, 0);
  EXPECT_EQ(take_all().size(), 1u);
}

TEST_F(EventTest, SuppressionDropsAllButForcedEventsAndNests) {
  event_suppress_begin();
  event_suppress_begin();
  event_post(EVENT_GADGET, 1, 0, 0);
  event_post(EVENT_GADGET, 2, 0, 0, nullptr, nullptr, EVENT_FLAG_FORCE);
  event_suppress_end();
  event_post(EVENT_GADGET, 3, 0, 0);  // still suppressed once
  event_suppress_end();
  event_post(EVENT_GADGET, 4, 0, 0);
  EXPECT_EQ(take_all(), (std::vector<Taken>{{EVENT_GADGET, 2, 0, 0}, {EVENT_GADGET, 4, 0, 0}}));
}

TEST_F(EventTest, DataIsReleasedWhenTheNextEventIsTakenOrWhenNothingKeepsIt) {
  event_post(EVENT_GADGET, 1, 0, 0, data_of(11), note_release);
  event_post(EVENT_GADGET, 2, 0, 0, data_of(12), note_release);
  EXPECT_EQ(event_take(), EVENT_GADGET);
  EXPECT_EQ(event_data(), data_of(11));
  EXPECT_TRUE(released.empty());
  EXPECT_EQ(event_take(), EVENT_GADGET);
  EXPECT_EQ(event_data(), data_of(12));
  EXPECT_EQ(released, (std::vector<intptr_t>{11}));
  // The queue is empty now: taking still ends the current event.
  EXPECT_EQ(event_take(), 0);
  EXPECT_EQ(event_data(), nullptr);
  EXPECT_EQ(event_subtype(), -1);
  EXPECT_EQ(event_source(), 2) << "the gadget of the event last taken stays";
  EXPECT_EQ(released, (std::vector<intptr_t>{11, 12}));

  // A merged repeat and a suppressed event leave their data to nobody: it goes at once.
  released.clear();
  event_post(EVENT_GADGET, 3, 0, 0, data_of(13), note_release);
  event_post(EVENT_GADGET, 3, 0, 0, data_of(14), note_release);
  event_suppress_begin();
  event_post(EVENT_GADGET, 4, 0, 0, data_of(15), note_release);
  event_suppress_end();
  EXPECT_EQ(released, (std::vector<intptr_t>{14, 15}));
  EXPECT_EQ(event_take(), EVENT_GADGET);
  EXPECT_EQ(event_data(), data_of(13));

  // Data without a release routine is the poster's own.
  event_post(EVENT_GADGET, 5, 0, 0, data_of(16), nullptr);
  EXPECT_EQ(event_take(), EVENT_GADGET);
  EXPECT_EQ(event_data(), data_of(16));
  EXPECT_EQ(released, (std::vector<intptr_t>{14, 15, 13}));
}

TEST_F(EventTest, RemovalByPatternAndByWindowReleasesWhatItRemoves) {
  event_post(EVENT_GADGET, 1, 10, 0);
  event_post(EVENT_GADGET, 2, 10, 0, data_of(21), note_release);
  event_post(EVENT_MENU, 2, 10, 0);
  event_post(EVENT_GADGET, 2, 11, 3);
  event_post(EVENT_GADGET, 1, 11, 0);
  event_post(EVENT_CLOSE_WINDOW, 11, 11, 0);
  event_remove(EVENT_GADGET, 2, EVENT_ANY, EVENT_ANY);
  EXPECT_EQ(released, (std::vector<intptr_t>{21}));
  event_remove(EVENT_ANY, EVENT_ANY, 11, 0);
  EXPECT_EQ(take_all(), (std::vector<Taken>{{EVENT_GADGET, 1, 10, 0}, {EVENT_MENU, 2, 10, 0}}));

  // Removing the tail keeps the queue appendable; removing a window's events spares the others.
  event_post(EVENT_GADGET, 1, 10, 0);
  event_post(EVENT_GADGET, 1, 12, 0);
  event_post(EVENT_GADGET, 1, 10, 0);
  event_remove_window(10);
  event_post(EVENT_GADGET, 1, 12, 0);  // repeats the new tail: merged
  event_post(EVENT_GADGET, 7, 12, 0);
  EXPECT_EQ(take_all(), (std::vector<Taken>{{EVENT_GADGET, 1, 12, 0}, {EVENT_GADGET, 7, 12, 0}}));
  event_remove_window(12);  // on an empty queue: nothing to do
  EXPECT_FALSE(event_pending());
}

TEST_F(EventTest, BindingKeysAreDecimalTextOfEveryRange) {
  const int64_t values[] = {0, -1, 7, 13100, INT64_MAX, INT64_MIN, -1234567890123LL, 10, 9};
  for (int64_t window : values) {
    for (int64_t type : values) {
      char key[EVENT_KEY_SIZE];
      char expected[EVENT_KEY_SIZE];
      const int32_t code = type == INT64_MIN ? INT32_MIN : 13100;
      const int64_t gadget = type == INT64_MIN ? INT64_MIN : -type;
      const int length = event_binding_key(key, code, window, gadget, type);
      snprintf(expected, sizeof expected, "%" PRId32 ":%" PRId64 ":%" PRId64 ":%" PRId64, code, window, gadget, type);
      EXPECT_STREQ(key, expected);
      EXPECT_EQ(length, static_cast<int>(std::string(expected).size()));
    }
  }
}

void record_call(const char* name) {
  calls.push_back(std::string(name) + " " + std::to_string(event_source()) + "/" + std::to_string(event_subtype()));
}
void exact() { record_call("exact"); }
void any_type() { record_call("any_type"); }
void any_gadget() { record_call("any_gadget"); }
void any_window() { record_call("any_window"); }
void any_window_gadget() { record_call("gadget_anywhere"); }
void second() { record_call("second"); }

TEST_F(EventTest, BoundCallbacksRunAtPostOrAtTakeWithTheEventCurrent) {
  ASSERT_TRUE(event_bind(EVENT_GADGET, -1, 5, 2, any_window_gadget));
  ASSERT_TRUE(event_bind(EVENT_GADGET, -1, -1, -1, any_window));
  ASSERT_TRUE(event_bind(EVENT_GADGET, 1, -1, -1, any_gadget));
  ASSERT_TRUE(event_bind(EVENT_GADGET, 1, 5, -1, any_type));
  ASSERT_TRUE(event_bind(EVENT_GADGET, 1, 5, 2, exact));
  ASSERT_TRUE(event_bind(EVENT_GADGET, 1, 5, 2, second));
  EXPECT_FALSE(event_bind(EVENT_GADGET, 1, 5, 2, nullptr));

  event_post(EVENT_MENU, 3, 1, 0);
  EXPECT_EQ(event_take(), EVENT_MENU);
  // The five keys in their order, each chain in binding order, with the posted event current.
  event_post(EVENT_GADGET, 5, 1, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"exact 5/2", "second 5/2", "any_type 5/2", "any_gadget 5/2",
                                             "any_window 5/2", "gadget_anywhere 5/2"}));
  // ... and afterwards the taken event is current again.
  EXPECT_EQ(event_source(), 3);
  EXPECT_EQ(event_subtype(), 0);

  calls.clear();
  event_post(EVENT_GADGET, 5, 1, 2);  // merged, but its callbacks still run
  event_post(EVENT_GADGET, 6, 2, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"exact 5/2", "second 5/2", "any_type 5/2", "any_gadget 5/2",
                                             "any_window 5/2", "gadget_anywhere 5/2", "any_window 6/0"}));

  // Deferred: nothing at post, the callbacks when taken.
  drain();
  calls.clear();
  event_post(EVENT_GADGET, 6, 1, 4, nullptr, nullptr, EVENT_FLAG_DEFERRED);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(event_take(), EVENT_GADGET);
  EXPECT_EQ(calls, (std::vector<std::string>{"any_gadget 6/4", "any_window 6/4"}));

  // A suppressed event runs nothing.
  calls.clear();
  event_suppress_begin();
  event_post(EVENT_GADGET, 5, 1, 2);
  event_suppress_end();
  EXPECT_TRUE(calls.empty());

  // Unbinding window 1 leaves the bindings for any window.
  event_unbind_window(1);
  event_post(EVENT_GADGET, 5, 1, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"any_window 5/2", "gadget_anywhere 5/2"}));
  EXPECT_EQ(event_bindings()->entry_count, 2);
}

TEST_F(EventTest, WaitingAnswersZeroEventCodesOrThePlatformMessage) {
  EXPECT_EQ(event_wait_timeout(0), 0);
  EXPECT_EQ(event_wait_timeout(20), 0);

  event_post(EVENT_GADGET, 7, 0, 1);
  HWND hidden = event_hidden_window();
  ASSERT_NE(hidden, nullptr);
  ASSERT_TRUE(PostMessageW(hidden, WM_USER + 7, 11, 22));
  // Queued events come before platform messages.
  EXPECT_EQ(event_wait_timeout(0), EVENT_GADGET);
  EXPECT_EQ(event_source(), 7);
  EXPECT_EQ(event_subtype(), 1);
  EXPECT_EQ(win_message_params()->wparam, 0u);
  EXPECT_EQ(event_wait_timeout(0), WM_USER + 7);
  EXPECT_EQ(event_subtype(), -1);
  EXPECT_EQ(event_source(), 7);
  EXPECT_EQ(win_message_params()->wparam, 11u);
  EXPECT_EQ(win_message_params()->lparam, 22);
  EXPECT_EQ(event_wait_timeout(0), 0);

  // A message posted with a timeout pending is found after the wait.
  ASSERT_TRUE(PostMessageW(hidden, WM_USER + 8, 0, 0));
  EXPECT_EQ(event_wait_timeout(1000), WM_USER + 8);
  ASSERT_TRUE(PostMessageW(hidden, WM_USER + 9, 0, 0));
  EXPECT_EQ(event_wait(), WM_USER + 9);
}

TEST_F(EventTest, OtherThreadsHandEventsInThroughTheHiddenWindow) {
  const UINT message = RegisterWindowMessageW(TEXT("KT_PostEventMessage"));
  ASSERT_NE(message, 0u);
  std::thread poster([] { EXPECT_TRUE(event_post_from_thread(EVENT_MENU, 4, 2, 0, data_of(31))); });
  poster.join();
  EXPECT_TRUE(event_post_from_thread(EVENT_MENU, 5, 2, 0, nullptr));
  event_suppress_begin();
  // Served while suppressed, and queued all the same: it comes in forced.
  EXPECT_EQ(event_wait_timeout(100), static_cast<int64_t>(message));
  event_suppress_end();
  EXPECT_EQ(event_wait_timeout(0), EVENT_MENU);
  EXPECT_EQ(event_source(), 4);
  EXPECT_EQ(event_window(), 2);
  EXPECT_EQ(event_data(), data_of(31));
  EXPECT_EQ(event_wait_timeout(100), static_cast<int64_t>(message));
  EXPECT_EQ(event_wait_timeout(0), EVENT_MENU);
  EXPECT_EQ(event_source(), 5);
  EXPECT_TRUE(released.empty());
}

TEST_F(EventTest, RestartingWithTheLockKeepsTheQueueWorkingAndEndingReleasesEverything) {
  event_post(EVENT_GADGET, 1, 0, 0, data_of(41), note_release);
  event_post(EVENT_GADGET, 2, 0, 0, data_of(42), note_release);
  EXPECT_EQ(event_take(), EVENT_GADGET);
  event_end();
  EXPECT_EQ(released, (std::vector<intptr_t>{42, 41}));
  EXPECT_EQ(event_state(), nullptr);
  // Without the library nothing is kept, and nothing is lost either.
  event_post(EVENT_GADGET, 3, 0, 0, data_of(43), note_release);
  EXPECT_EQ(event_take(), 0);
  EXPECT_EQ(released.back(), 43);

  event_thread_safety = true;
  event_init();
  event_thread_safety = false;
  ASSERT_NE(event_state(), nullptr);
  EXPECT_EQ(event_state()->locked, 1u);
  for (int i = 0; i < 1000; i++) event_post(EVENT_GADGET, i, 0, 0);
  EXPECT_EQ(take_all().size(), 1000u);
  event_end();
  event_init();
  EXPECT_EQ(event_state()->locked, 0u);
  EXPECT_NE(event_hidden_window(), nullptr);
}

}  // namespace
