// Many threads calling at once, against the spooler stand-in process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/library_log_reader.h"
#include "tests/spoolclient/qtlapi_loader.h"
#include "tests/spoolclient/standin_process.h"

namespace spooltest {
namespace {

TEST(ConcurrencyTest, ThirtyTwoThreadsOfOneHundredCalls) {
  Api();
  ClearSettings();
  ClearLibraryLog();
  StandinProcess standin(Root().MakeFolder("threads-out"),
                         {"--reply", "version 2.5", "--fail", "FAIL=7", "--max-clients", "64"});
  ASSERT_TRUE(standin.started());
  const std::string server = standin.server();
  constexpr int kThreads = 32;
  constexpr int kCalls = 100;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t]() {
      for (int i = 0; i < kCalls; ++i) {
        char out[64];
        int32_t length = sizeof out;
        if (i % 2 == 0) {
          // Succeeds: the configured reply comes back.
          const int32_t result =
              Api().maicomm4(t, i, "OK", server.c_str(), "QUERY_VERSION", 0, out, &length, 10, 0);
          if (result != 0 || std::string(out, static_cast<std::size_t>(length)) != "version 2.5") ++wrong;
        } else {
          // The spooler's failure status, which the library logs.
          const int32_t result = Api().maicomm4(t, i, "FAIL", server.c_str(), "QUERY_VERSION", 0, out, &length, 10, 0);
          if (result != 7) ++wrong;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);

  bool whole = false;
  const auto lines = ReadLogLines(Root().LogFolder(), &whole);
  EXPECT_TRUE(whole);
  int failures = 0;
  std::map<std::string, int> threadsSeen;
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, LogLinePattern())) << line;
    EXPECT_EQ(match[1].str(), "spoolclient_api_tests");
    if (match[7].str() == "get_z_reply.ntohl() ret=7") {
      ++failures;
      ++threadsSeen[match[2].str()];
    }
  }
  EXPECT_EQ(failures, kThreads * kCalls / 2);
  EXPECT_EQ(threadsSeen.size(), static_cast<std::size_t>(kThreads));
}

TEST(ConcurrencyTest, ForceBreakOfOneCallNeverReachesAnother) {
  Api();
  ClearSettings();
  StandinProcess standin(Root().MakeFolder("break-out"), {"--reply", "r"});
  ASSERT_TRUE(standin.started());
  const std::string server = standin.server();
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t]() {
      for (int i = 0; i < 50; ++i) {
        char out[8];
        int32_t length = sizeof out;
        const bool breaking = (t + i) % 2 == 0;
        const int32_t result =
            Api().maicomm3(breaking ? "!BRK" : "RUN", server.c_str(), "body", 4, out, &length, 10, 0);
        if (result != (breaking ? -11 : 0)) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace spooltest
