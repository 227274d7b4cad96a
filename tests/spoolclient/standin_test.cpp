// The spooler stand-in as the demo and the end-to-end tests use it: a
// separate process on a free loopback port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/child_process.h"
#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"
#include "tests/spoolclient/standin_process.h"

namespace spooltest {
namespace {

using ::testing::HasSubstr;

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearSettings();
  }
};

TEST_F(StandinTest, StoresEachRequestAndAnswersWithTheConfiguredReply) {
  const std::string out = Root().MakeFolder("standin-store");
  StandinProcess standin(out, {"--reply", "ab;cdefg"});
  ASSERT_TRUE(standin.started());
  EXPECT_EQ(ReadFileText(out + ".standin/port"), std::to_string(standin.port()) + "\n");

  std::string job(100000, '\0');
  for (std::size_t i = 0; i < job.size(); ++i) job[i] = static_cast<char>(i * 13);
  const std::string path = MakeFile("standin.job", job);
  char reply[64];
  int32_t length = sizeof reply;
  EXPECT_EQ(Api().maicomm4(5, 6, "Invoices", standin.server().c_str(), path.c_str(), 0, reply, &length, 30, 2), 0);
  EXPECT_EQ(std::string(reply, static_cast<std::size_t>(length)), "ab;cdefg");
  const std::string header = standin.WaitForHeaderFile(1);
  EXPECT_EQ(HeaderValue(header, "command"), "3");
  EXPECT_EQ(HeaderValue(header, "id"), "Invoices");
  EXPECT_EQ(HeaderValue(header, "length"), "100000");
  EXPECT_EQ(HeaderValue(header, "timeout"), "30");
  EXPECT_EQ(HeaderValue(header, "stationId"), "5");
  EXPECT_EQ(HeaderValue(header, "requestId"), "6");
  EXPECT_EQ(HeaderValue(header, "received"), "100000");
  EXPECT_EQ(HeaderValue(header, "complete"), "1");
  EXPECT_EQ(HeaderValue(header, "status"), "0");
  EXPECT_EQ(ReadFileText(out + "/000001.body"), job);

  length = sizeof reply;
  EXPECT_EQ(Api().maicomm3("Second", standin.server().c_str(), "ISSUE_Z", 0, reply, &length, 30, 0), 0);
  EXPECT_EQ(HeaderValue(standin.WaitForHeaderFile(2), "command"), "12");
  EXPECT_EQ(ReadFileText(out + "/000002.body"), "X");
  EXPECT_THAT(standin.Output(), HasSubstr("000002 command=12 id=Second length=1 received=1 status=0"));
}

TEST_F(StandinTest, FailRulesMatchIdOrCommand) {
  StandinProcess standin(Root().MakeFolder("standin-fail"),
                         {"--reply", "fine", "--fail", "Broken=7", "--fail", "4096=-42"});
  ASSERT_TRUE(standin.started());
  char reply[16];
  int32_t length = sizeof reply;
  EXPECT_EQ(Api().maicomm3("Broken", standin.server().c_str(), "QUERY_ALL", 0, reply, &length, 5, 0), 7);
  EXPECT_EQ(Api().maicomm3("Other", standin.server().c_str(), "QUERY_VERSION", 0, reply, &length, 5, 0), -42);
  EXPECT_EQ(Api().maicomm3("Other", standin.server().c_str(), "QUERY_ALL", 0, reply, &length, 5, 0), 0);
  EXPECT_EQ(std::string(reply, static_cast<std::size_t>(length)), "fine");
  EXPECT_EQ(HeaderValue(standin.WaitForHeaderFile(1), "status"), "7");
}

TEST_F(StandinTest, ReusedFolderKeepsEarlierRequests) {
  const std::string out = Root().MakeFolder("standin-reuse");
  WriteFileText(out + "/000001.body", "earlier");
  StandinProcess standin(out);
  ASSERT_TRUE(standin.started());
  char reply[4];
  int32_t length = sizeof reply;
  EXPECT_EQ(Api().maicomm3("New", standin.server().c_str(), "abc", 3, reply, &length, 5, 0), 0);
  EXPECT_EQ(HeaderValue(standin.WaitForHeaderFile(2), "id"), "New");
  EXPECT_EQ(ReadFileText(out + "/000001.body"), "earlier");
  EXPECT_EQ(ReadFileText(out + "/000002.body"), "abc");
}

TEST_F(StandinTest, ServesMoreClientsThanSlotsWithoutLosingAny) {
  const std::string out = Root().MakeFolder("standin-many");
  StandinProcess standin(out, {"--max-clients", "2", "--reply", "ok"});
  ASSERT_TRUE(standin.started());
  const std::string server = standin.server();
  const std::string body(50000, 'm');
  std::atomic<int> wrong{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 20; ++c) {
    clients.emplace_back([&]() {
      char reply[4];
      int32_t length = sizeof reply;
      if (Api().maicomm3("Many", server.c_str(), body.data(), static_cast<int32_t>(body.size()), reply, &length, 30,
                         0) != 0) {
        ++wrong;
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(wrong.load(), 0);
  for (int n = 1; n <= 20; ++n) {
    EXPECT_EQ(HeaderValue(standin.WaitForHeaderFile(n), "received"), "50000") << n;
  }
}

// Idle connections, more than there are slots, neither keep a real client
// out nor make it wait for their time-out.
TEST_F(StandinTest, IdleConnectionsDoNotKeepAClientOut) {
  const std::string out = Root().MakeFolder("standin-idle");
  StandinProcess standin(out, {"--max-clients", "4", "--reply", "ok"});
  ASSERT_TRUE(standin.started());
  std::vector<std::unique_ptr<RawConnection>> idle;
  for (int i = 0; i < 70; ++i) idle.push_back(std::make_unique<RawConnection>(static_cast<uint16_t>(standin.port())));
  // One that sent half a header holds no slot either.
  ASSERT_TRUE(idle.back()->Send(std::string(30, 'h')));
  char reply[4];
  int32_t length = sizeof reply;
  EXPECT_EQ(Api().maicomm3("Real", standin.server().c_str(), "QUERY_VERSION", 0, reply, &length, 5, 0), 0);
  EXPECT_EQ(std::string(reply, static_cast<std::size_t>(length)), "ok");
}

// The id is the client's bytes: a line break in it must not forge fields of
// the header file or lines of the report.
TEST_F(StandinTest, IdCannotForgeHeaderFields) {
  const std::string out = Root().MakeFolder("standin-forge");
  StandinProcess standin(out);
  ASSERT_TRUE(standin.started());
  char reply[4];
  int32_t length = sizeof reply;
  EXPECT_EQ(Api().maicomm3("Q\ncomplete=1\nstatus=0\\", standin.server().c_str(), "QUERY_VERSION", 0, reply,
                           &length, 5, 0),
            0);
  const std::string header = standin.WaitForHeaderFile(1);
  EXPECT_EQ(HeaderValue(header, "id"), "Q\\x0acomplete=1\\x0astatus=0\\x5c");
  EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 10);
  EXPECT_THAT(standin.Output(), HasSubstr(" id=Q\\x0acomplete=1\\x0astatus=0\\x5c length=0"));
}

TEST_F(StandinTest, StopsCleanlyOnSigtermWithAClientMidBody) {
  const std::string out = Root().MakeFolder("standin-stop");
  StandinProcess standin(out);
  ASSERT_TRUE(standin.started());
  // A client that announces 100 body bytes, sends 10 and waits.
  RawConnection client(static_cast<uint16_t>(standin.port()));
  ASSERT_TRUE(client.connected());
  std::string request(64, '\0');
  request[7] = 100;
  request.replace(8, 4, "Slow");
  ASSERT_TRUE(client.Send(request + "0123456789"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ReadFileText(out + "/000001.body").size() < 10 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  uint32_t exitCode = 99;
  ASSERT_TRUE(standin.Stop(exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(client.ReceiveUntilClosed(), "");  // cut, not answered
  const std::string header = ReadFileText(out + "/000001.header");
  EXPECT_EQ(HeaderValue(header, "id"), "Slow");
  EXPECT_EQ(HeaderValue(header, "received"), "10");
  EXPECT_EQ(HeaderValue(header, "complete"), "0");
  EXPECT_EQ(ReadFileText(out + "/000001.body"), "0123456789");
  EXPECT_THAT(standin.Output(), HasSubstr("spooler-standin stopped"));
}

TEST_F(StandinTest, RejectsBadCommandLines) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"--out"}, {"--out", "x", "--port", "70000"}, {"--out", "x", "--fail", "nostatus"},
        {"--out", "x", "--bogus", "1"}}) {
    std::vector<std::string> argv = {SPOOLER_STANDIN_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    platform::ChildProcess child;
    platform::ChildProcessOptions options;
    options.standardError = Root().path() + "/standin-usage.txt";
    ASSERT_TRUE(child.Start(argv, options));
    uint32_t exitCode = 0;
    ASSERT_TRUE(child.Wait(10000, &exitCode));
    EXPECT_EQ(exitCode, 2u);
    EXPECT_THAT(ReadFileText(options.standardError), HasSubstr("usage: spooler-standin --out DIR"));
  }
}

}  // namespace
}  // namespace spooltest
