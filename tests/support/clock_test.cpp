// The tick count and local time, and the seams that let tests choose them.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "support/platform/clock.h"
#include "test_support.h"

namespace {

using support_test::ScopedEnv;

// Puts back the real clock even when an assertion fails halfway.
struct RealClockAtEnd {
  ~RealClockAtEnd() {
    platform::SetTickCountSource({});
    platform::SetLocalTimeSource({});
  }
};

TEST(Clock, TickCountSourceReplacesTheClockInProcess) {
  RealClockAtEnd restore;
  platform::SetTickCountSource([] { return 3000000000u; });
  EXPECT_EQ(platform::GetTickCount(), 3000000000u);
  platform::SetTickCountSource({});
  EXPECT_NE(platform::GetTickCount(), 3000000000u);
}

TEST(Clock, TickCountFromTheEnvironmentAboveTheSignedRange) {
  for (const char* value : {"2147483648", "4294967295", "3000000000"}) {
    SCOPED_TRACE(value);
    ScopedEnv tick("CORVANTA_TEST_TICK_COUNT", std::string(value));
    EXPECT_EQ(platform::GetTickCount(), static_cast<uint32_t>(std::stoul(value)));
  }
}

TEST(Clock, EnvironmentSeamsReachAnotherProcess) {
  support_test::TempFolder dir;
  ScopedEnv tick("CORVANTA_TEST_TICK_COUNT", std::string("4000000001"));
  ScopedEnv time("CORVANTA_TEST_LOCAL_TIME", std::string("2024-02-29 23:59:58.123"));
  ASSERT_EQ(support_test::RunHelper({"tick", dir / "out"}), 0u);
  // 29 February 2024 was a Thursday (day 4).
  EXPECT_EQ(support_test::ReadFileText(dir / "out"), "4000000001 2024-02-29 23:59:58.123 4");
}

TEST(Clock, LocalTimeSourceReplacesTheClock) {
  RealClockAtEnd restore;
  platform::SetLocalTimeSource([] {
    platform::SystemTime t;
    t.year = 1999;
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    t.milliseconds = 999;
    return t;
  });
  const platform::SystemTime t = platform::GetLocalTime();
  EXPECT_EQ(t.year, 1999);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.milliseconds, 999);
}

TEST(Clock, ASourceMayAskForTheOtherClock) {
  RealClockAtEnd restore;
  platform::SetTickCountSource([] { return 42u; });
  platform::SetLocalTimeSource([] {
    platform::SystemTime t;
    t.milliseconds = static_cast<uint16_t>(platform::GetTickCount());
    return t;
  });
  EXPECT_EQ(platform::GetLocalTime().milliseconds, 42);
}

TEST(Clock, RealTickCountAdvancesInMilliseconds) {
  const uint32_t before = platform::GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint32_t elapsed = platform::GetTickCount() - before;  // wraps correctly as unsigned
  EXPECT_GE(elapsed, 49u);
  EXPECT_LT(elapsed, 60000u);
}

TEST(Clock, RealLocalTimeMatchesTheCLibrary) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t now = std::time(nullptr);
    const platform::SystemTime t = platform::GetLocalTime();
    std::tm expected{};
    localtime_r(&now, &expected);
    if (expected.tm_sec != t.second) continue;  // a second boundary passed between the two reads
    EXPECT_EQ(t.year, expected.tm_year + 1900);
    EXPECT_EQ(t.month, expected.tm_mon + 1);
    EXPECT_EQ(t.day, expected.tm_mday);
    EXPECT_EQ(t.dayOfWeek, expected.tm_wday);
    EXPECT_EQ(t.hour, expected.tm_hour);
    EXPECT_EQ(t.minute, expected.tm_min);
    EXPECT_LT(t.milliseconds, 1000);
    return;
  }
  ADD_FAILURE() << "the seconds never agreed";
}

}  // namespace
