// Running a routine once: through the platform service and through the
// compare-and-exchange fallback, called again and raced by several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/mem.h"

namespace {

std::atomic<int> started{0};
std::atomic<int> finished{0};

void count_run() {
  started++;
  finished++;
}

// Slow enough that the racing callers arrive while it is still running.
void slow_run() {
  started++;
  Sleep(30);
  finished++;
}

void other_run() { started += 100; }

void reset_counts() {
  started = 0;
  finished = 0;
}

// Several threads released together; each reports whether the routine had finished when its own call returned.
void race(void (*run_once)(MemOnceFlag*, MemOnceRoutine), MemOnceFlag* flag, int threads_wanted,
          std::vector<int>* seen_finished) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  seen_finished->assign(static_cast<size_t>(threads_wanted), -1);
  for (int t = 0; t < threads_wanted; t++) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      run_once(flag, slow_run);
      (*seen_finished)[static_cast<size_t>(t)] = finished.load();
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
}

}  // namespace

TEST(RunOnce, ThePlatformServiceIsThere) {
  // The service path is the one this program takes on both builds.
  HMODULE kernel = GetModuleHandleW(TEXT("Kernel32.dll"));
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(GetProcAddress(kernel, "InitOnceExecuteOnce"), nullptr);
}

TEST(RunOnce, RunsTheRoutineOncePerFlag) {
  reset_counts();
  MemOnceFlag flag = {};
  mem_run_once(&flag, count_run);
  mem_run_once(&flag, count_run);
  mem_run_once(&flag, other_run);  // a flag that has run ignores any later routine
  EXPECT_EQ(started.load(), 1);

  MemOnceFlag second = {};
  mem_run_once(&second, count_run);
  EXPECT_EQ(started.load(), 2);

  reset_counts();
  MemOnceFlag atomic_flag = {};
  mem_run_once_atomic(&atomic_flag, count_run);
  EXPECT_EQ(atomic_flag.word, 2);
  mem_run_once_atomic(&atomic_flag, count_run);
  mem_run_once_atomic(&atomic_flag, other_run);
  EXPECT_EQ(started.load(), 1);
  EXPECT_EQ(atomic_flag.word, 2);
}

TEST(RunOnce, RacingCallersAllReturnAfterTheOneRun) {
  const struct {
    const char* name;
    void (*run_once)(MemOnceFlag*, MemOnceRoutine);
  } paths[] = {{"service", mem_run_once}, {"atomic", mem_run_once_atomic}};
  for (const auto& path : paths) {
    for (int trial = 0; trial < 3; trial++) {
      reset_counts();
      MemOnceFlag flag = {};
      std::vector<int> seen;
      race(path.run_once, &flag, 8, &seen);
      EXPECT_EQ(started.load(), 1) << path.name;
      EXPECT_EQ(finished.load(), 1) << path.name;
      for (size_t t = 0; t < seen.size(); t++) EXPECT_EQ(seen[t], 1) << path.name << " thread " << t;
    }
  }
}
