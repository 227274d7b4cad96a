#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/platform/clock.h"

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

bool TimeFromEnvironment(SystemTime& time) {
  const char* text = std::getenv("CORVANTA_TEST_LOCAL_TIME");
  if (text == nullptr || *text == '\0') return false;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (std::sscanf(text, "%d-%d-%d %d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &ms) < 6) return false;
  struct tm tm {};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = 12;
  timegm(&tm);  // fills the weekday
  time.year = static_cast<uint16_t>(y);
  time.month = static_cast<uint16_t>(mo);
  time.day = static_cast<uint16_t>(d);
  time.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
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
  struct timespec ts {};
  ::clock_gettime(CLOCK_BOOTTIME, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
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
  struct timespec ts {};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  ::localtime_r(&ts.tv_sec, &tm);
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

void SetTickCountSource(std::function<uint32_t()> source) {
  std::lock_guard<std::mutex> lock(SourceMutex());
  TickSource() = std::move(source);
}

void SetLocalTimeSource(std::function<SystemTime()> source) {
  std::lock_guard<std::mutex> lock(SourceMutex());
  TimeSource() = std::move(source);
}

uint64_t MonotonicMilliseconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace platform
