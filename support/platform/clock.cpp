// The test seams of the tick count and the local time; the system's own
// clocks are in the platform's file (clock_system.h).
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/platform/clock.h"
#include "support/platform/clock_system.h"

namespace platform {

namespace {

std::mutex& SourceMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<uint32_t()>& TickSource() {
  static std::function<uint32_t()> source;
  return source;
}

std::function<SystemTime()>& TimeSource() {
  static std::function<SystemTime()> source;
  return source;
}

bool TickFromEnvironment(uint32_t& ticks) {
  const char* text = std::getenv("CORVANTA_TEST_TICK_COUNT");
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text) return false;
  ticks = static_cast<uint32_t>(value);
  return true;
}

// Day of the week by Zeller's rule (0 = Sunday), so no time zone is involved.
uint16_t DayOfWeek(int y, int m, int d) {
  if (m < 3) {
    m += 12;
    y -= 1;
  }
  const int k = y % 100;
  const int j = y / 100;
  const int h = (d + 13 * (m + 1) / 5 + k + k / 4 + j / 4 + 5 * j) % 7;  // 0 = Saturday
  return static_cast<uint16_t>((h + 6) % 7);
}

bool TimeFromEnvironment(SystemTime& time) {
  const char* text = std::getenv("CORVANTA_TEST_LOCAL_TIME");
  if (text == nullptr || *text == '\0') return false;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (std::sscanf(text, "%d-%d-%d %d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &ms) < 6) return false;
  time.year = static_cast<uint16_t>(y);
  time.month = static_cast<uint16_t>(mo);
  time.day = static_cast<uint16_t>(d);
  time.dayOfWeek = DayOfWeek(y, mo, d);
  time.hour = static_cast<uint16_t>(h);
  time.minute = static_cast<uint16_t>(mi);
  time.second = static_cast<uint16_t>(s);
  time.milliseconds = static_cast<uint16_t>(ms);
  return true;
}

}  // namespace

uint32_t GetTickCount() {
  std::function<uint32_t()> source;
  {
    std::lock_guard<std::mutex> lock(SourceMutex());
    source = TickSource();
  }
  // Called outside the lock: a source may itself ask for the time.
  if (source) return source();
  uint32_t ticks = 0;
  if (TickFromEnvironment(ticks)) return ticks;
  return SystemTickCount();
}

SystemTime GetLocalTime() {
  std::function<SystemTime()> source;
  {
    std::lock_guard<std::mutex> lock(SourceMutex());
    source = TimeSource();
  }
  if (source) return source();
  SystemTime result;
  if (TimeFromEnvironment(result)) return result;
  return SystemLocalTime();
}

void SetTickCountSource(std::function<uint32_t()> source) {
  std::lock_guard<std::mutex> lock(SourceMutex());
  TickSource() = std::move(source);
}

void SetLocalTimeSource(std::function<SystemTime()> source) {
  std::lock_guard<std::mutex> lock(SourceMutex());
  TimeSource() = std::move(source);
}

}  // namespace platform
