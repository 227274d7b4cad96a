#include <windows.h>

#include "support/platform/clock.h"
#include "support/platform/clock_system.h"

namespace platform {

uint32_t SystemTickCount() { return static_cast<uint32_t>(::GetTickCount()); }

SystemTime SystemLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  SystemTime result;
  result.year = now.wYear;
  result.month = now.wMonth;
  result.dayOfWeek = now.wDayOfWeek;
  result.day = now.wDay;
  result.hour = now.wHour;
  result.minute = now.wMinute;
  result.second = now.wSecond;
  result.milliseconds = now.wMilliseconds;
  return result;
}

// The tick count's 64-bit form: monotonic, unaffected by clock changes.
uint64_t MonotonicMilliseconds() { return ::GetTickCount64(); }

}  // namespace platform
