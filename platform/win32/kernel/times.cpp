// Times: the system's clock as a file time, and file times in local time and
// in calendar form. A file time counts 100-nanosecond intervals since
// 1 January 1601, UTC; POSIX counts seconds since 1970.
#include "platform/win32/kernel/times.h"

#include <cstdint>

#include "platform/win32/api.h"
#include "platform/win32/kernel/paths.h"

namespace {

constexpr int64_t kIntervalsPerSecond = 10'000'000;
constexpr int64_t kNanosecondsPerInterval = 100;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kSecondsBefore1970 = 11'644'473'600;

uint64_t value_of(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME filetime_of_value(uint64_t value) {
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

// Win32 refuses file times from the sign bit on.
bool representable(uint64_t value) { return value < (uint64_t{1} << 63); }

time_t unix_seconds(uint64_t value) {
  return static_cast<time_t>(static_cast<int64_t>(value / kIntervalsPerSecond) - kSecondsBefore1970);
}

}  // namespace

FILETIME filetime_from(const struct timespec& time) {
  const int64_t seconds = static_cast<int64_t>(time.tv_sec) + kSecondsBefore1970;
  if (seconds < 0) return FILETIME{0, 0};
  return filetime_of_value(static_cast<uint64_t>(seconds) * kIntervalsPerSecond +
                           static_cast<uint64_t>(time.tv_nsec / kNanosecondsPerInterval));
}

void GetSystemTimeAsFileTime(LPFILETIME systemTime) {
  if (!systemTime) return;
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  *systemTime = filetime_from(now);
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (!fileTime || !localFileTime) return fail_with(ERROR_NOACCESS);
  const uint64_t value = value_of(*fileTime);
  if (!representable(value)) return fail_with(ERROR_INVALID_PARAMETER);
  const time_t seconds = unix_seconds(value);
  struct tm local {};
  if (!localtime_r(&seconds, &local)) return fail_with(ERROR_INVALID_PARAMETER);
  const int64_t shifted = static_cast<int64_t>(value) + static_cast<int64_t>(local.tm_gmtoff) * kIntervalsPerSecond;
  if (shifted < 0) return fail_with(ERROR_INVALID_PARAMETER);
  *localFileTime = filetime_of_value(static_cast<uint64_t>(shifted));
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (!fileTime || !systemTime) return fail_with(ERROR_NOACCESS);
  const uint64_t value = value_of(*fileTime);
  if (!representable(value)) return fail_with(ERROR_INVALID_PARAMETER);
  const time_t seconds = unix_seconds(value);
  struct tm calendar {};
  if (!gmtime_r(&seconds, &calendar)) return fail_with(ERROR_INVALID_PARAMETER);
  const auto milliseconds = (value % kIntervalsPerSecond) / (kIntervalsPerSecond / 1000);
  *systemTime = SYSTEMTIME{static_cast<WORD>(calendar.tm_year + 1900), static_cast<WORD>(calendar.tm_mon + 1),
                           static_cast<WORD>(calendar.tm_wday),        static_cast<WORD>(calendar.tm_mday),
                           static_cast<WORD>(calendar.tm_hour),        static_cast<WORD>(calendar.tm_min),
                           static_cast<WORD>(calendar.tm_sec),         static_cast<WORD>(milliseconds)};
  return TRUE;
}
