// Last error, critical sections, one-time initialisation, interlocked
// operations, sleeping, clocks and thread identity.
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cassert>
#include <condition_variable>
#include <mutex>

#include "platform/win32/api.h"
#include "platform/win32/display/backend.h"

namespace {
thread_local DWORD last_error = 0;

pthread_mutex_t* mutex_of(LPCRITICAL_SECTION section) {
  static_assert(sizeof(pthread_mutex_t) <= sizeof(section->Opaque));
  return reinterpret_cast<pthread_mutex_t*>(section->Opaque);
}

// InitOnce state in the object's pointer: 0 not run, 1 running, otherwise
// the context with bit 1 set (Win32 reserves the low two bits the same way).
constexpr uintptr_t kOnceRunning = 1;
constexpr uintptr_t kOnceDone = 2;
constexpr uintptr_t kOnceReservedBits = 3;
std::mutex once_lock;
std::condition_variable once_changed;
}  // namespace

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD code) { last_error = code; }

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  int rc = pthread_mutex_init(mutex_of(section), &attributes);
  pthread_mutexattr_destroy(&attributes);
  assert(rc == 0 && "critical section could not be created");
  (void)rc;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_destroy(mutex_of(section)); }
void EnterCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_lock(mutex_of(section)); }
void LeaveCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_unlock(mutex_of(section)); }
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return pthread_mutex_trylock(mutex_of(section)) == 0 ? TRUE : FALSE;
}

BOOL InitOnceExecuteOnce(PINIT_ONCE initOnce, PINIT_ONCE_FN initFn, PVOID parameter, LPVOID* context) {
  auto state = [&] { return reinterpret_cast<uintptr_t>(initOnce->Ptr); };
  {
    std::unique_lock<std::mutex> guard(once_lock);
    once_changed.wait(guard, [&] { return state() != kOnceRunning; });
    if (state() & kOnceDone) {
      if (context) *context = reinterpret_cast<LPVOID>(state() & ~kOnceReservedBits);
      return TRUE;
    }
    initOnce->Ptr = reinterpret_cast<PVOID>(kOnceRunning);
  }
  // The routine gets the caller's context pointer itself, null included, as on Win32.
  if (context) *context = nullptr;
  BOOL ok = initFn(initOnce, parameter, context);
  uintptr_t produced = (ok && context) ? reinterpret_cast<uintptr_t>(*context) & ~kOnceReservedBits : 0;
  {
    std::lock_guard<std::mutex> guard(once_lock);
    // A failed routine leaves the object uninitialised, so a later call tries again.
    initOnce->Ptr = ok ? reinterpret_cast<PVOID>(produced | kOnceDone) : nullptr;
  }
  once_changed.notify_all();
  if (ok && context) *context = reinterpret_cast<LPVOID>(produced);
  return ok;
}

LONG InterlockedCompareExchange(LONG volatile* destination, LONG exchange, LONG comparand) {
  LONG expected = comparand;
  __atomic_compare_exchange_n(destination, &expected, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return expected;
}

LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedIncrement(LONG volatile* addend) { return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* addend) { return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST); }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
  display::thread_slept(milliseconds);
}

ULONGLONG GetTickCount64() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }
DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
