#include <time.h>

#include "support/platform/clock.h"
#include "support/platform/clock_system.h"

namespace platform {

uint32_t SystemTickCount() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_BOOTTIME, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

SystemTime SystemLocalTime() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  ::localtime_r(&ts.tv_sec, &tm);
  SystemTime result;
  result.year = static_cast<uint16_t>(tm.tm_year + 1900);
  result.month = static_cast<uint16_t>(tm.tm_mon + 1);
  result.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
  result.day = static_cast<uint16_t>(tm.tm_mday);
  result.hour = static_cast<uint16_t>(tm.tm_hour);
  result.minute = static_cast<uint16_t>(tm.tm_min);
  result.second = static_cast<uint16_t>(tm.tm_sec);
  result.milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
  return result;
}

uint64_t MonotonicMilliseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace platform
