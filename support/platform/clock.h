#pragma once
// Tick count and local time, each replaceable by tests: in-process through a
// source function, across processes through an environment variable
// (CORVANTA_TEST_TICK_COUNT=<unsigned 32-bit>, CORVANTA_TEST_LOCAL_TIME=
// "YYYY-MM-DD HH:MM:SS.mmm"), so a program under test sees a chosen clock.
#include <cstdint>
#include <functional>

namespace platform {

struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;  // 1..12
  uint16_t dayOfWeek = 0;  // 0 = Sunday
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// Milliseconds since the system started, truncated to 32 bits.
uint32_t GetTickCount();
// Milliseconds on a clock that only moves forward, for measuring waits: not
// replaceable by tests, unaffected by clock changes and by signals.
uint64_t MonotonicMilliseconds();
SystemTime GetLocalTime();

// Replace the sources (an empty function restores the real clock). Thread-safe.
void SetTickCountSource(std::function<uint32_t()> source);
void SetLocalTimeSource(std::function<SystemTime()> source);

}  // namespace platform
