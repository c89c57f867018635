// Running a routine exactly once, through the platform's one-time
// initialisation service when it has one, else with a compare-and-exchange.
#include <cassert>

#include "runtime/mem.h"

namespace {

typedef BOOL(WINAPI* InitOnceExecuteOnceFn)(PINIT_ONCE, PINIT_ONCE_FN, PVOID, LPVOID*);

constexpr LONG kOnceNotRun = 0;
constexpr LONG kOnceRunning = 1;
constexpr LONG kOnceDone = 2;

BOOL CALLBACK run_routine(PINIT_ONCE, PVOID parameter, PVOID*) {
  (*static_cast<MemOnceRoutine*>(parameter))();
  return TRUE;
}

// Looked up at every call, as the service may be missing on an older platform.
InitOnceExecuteOnceFn find_service() {
  HMODULE kernel = GetModuleHandleW(TEXT("Kernel32.dll"));
  if (!kernel) {
    return nullptr;
  }
  FARPROC found = GetProcAddress(kernel, "InitOnceExecuteOnce");
  return reinterpret_cast<InitOnceExecuteOnceFn>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

void mem_run_once(MemOnceFlag* flag, MemOnceRoutine routine) {
  assert(flag && routine);
  InitOnceExecuteOnceFn service = find_service();
  if (!service) {
    mem_run_once_atomic(flag, routine);
    return;
  }
  service(&flag->once, run_routine, &routine, nullptr);
}

void mem_run_once_atomic(MemOnceFlag* flag, MemOnceRoutine routine) {
  assert(flag && routine);
  LONG state = InterlockedCompareExchange(&flag->word, kOnceRunning, kOnceNotRun);
  if (state == kOnceNotRun) {
    routine();
    InterlockedExchange(&flag->word, kOnceDone);
    return;
  }
  // Another caller is running it: every caller returns only after it has run.
  while (state != kOnceDone) {
    Sleep(0);
    // An exchange of 1 for 1 changes nothing: it is an atomic read.
    state = InterlockedCompareExchange(&flag->word, kOnceRunning, kOnceRunning);
  }
}
