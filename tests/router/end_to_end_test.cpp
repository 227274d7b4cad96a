// The built router with the real client library (found through its run
// path in build/lib) against the spooler stand-in on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

bool WaitForFile(const std::string& path, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!PathExists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The stand-in on a free loopback port, stopped when the test ends.
class SpoolerStandIn {
 public:
  SpoolerStandIn(const std::string& folder, const std::vector<std::string>& extra = {}) : received_(folder + "/received") {
    const std::string portFile = folder + "/port";
    std::vector<std::string> argv = {SPOOLER_STANDIN, "--out", received_, "--address", "127.0.0.1",
                                     "--port",        "0",     "--port-file", portFile};
    argv.insert(argv.end(), extra.begin(), extra.end());
    platform::ChildProcessOptions options;
    options.standardInput = "/dev/null";
    options.standardOutput = folder + "/standin-stdout.txt";
    options.standardError = folder + "/standin-stderr.txt";
    if (!server_.Start(argv, options) || !WaitForFile(portFile, 10000)) return;
    port_ = std::stoi(ReadFileText(portFile));
  }
  int port() const { return port_; }
  const std::string& received() const { return received_; }
  void Stop() { server_.Terminate(); }

 private:
  platform::ChildProcess server_;
  std::string received_;
  int port_ = 0;
};

class RouterEndToEnd : public ::testing::Test {
 protected:
  RouterEndToEnd() : sandbox_(ClientLibrary::Missing) { sandbox_.UseProgram(BUILT_ROUTER); }
  RouterRun Run(const std::vector<std::string>& arguments) { return sandbox_.Run(arguments); }
  RouterSandbox sandbox_;
};

TEST_F(RouterEndToEnd, JobBytesReachTheSpoolerAndTheResultIsLogged) {
  SpoolerStandIn spooler(sandbox_.base());
  ASSERT_GT(spooler.port(), 0) << "the stand-in did not start";
  const std::string port = std::to_string(spooler.port());
  sandbox_.WriteTable("Invoices\t127.0.0.1\t" + port + "\t10\r\n");
  std::string content;
  for (int i = 0; i < 300000; ++i) content.push_back(static_cast<char>((i * 7919) & 0xFF));
  const std::string job = sandbox_.MakeJob("invoice.prn", content);

  const RouterRun run = Run({job, "Invoices", "Invoice 42"});

  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_TRUE(WaitForFile(spooler.received() + "/000001.header", 10000));
  EXPECT_EQ(ReadFileText(spooler.received() + "/000001.body"), content);
  const std::string header = ReadFileText(spooler.received() + "/000001.header");
  EXPECT_THAT(header, HasSubstr("command=3\n"));
  EXPECT_THAT(header, HasSubstr("id=Invoices\n"));
  EXPECT_THAT(header, HasSubstr("length=300000\n"));
  EXPECT_THAT(header, HasSubstr("timeout=10\n"));
  // Status 0 with no reply destination: the library's "reply file" result.
  EXPECT_THAT(sandbox_.LogMessages(), ElementsAre("Sent " + job + " to 127.0.0.1:" + port + " for Invoices, ret=-13"));
  EXPECT_FALSE(PathExists(job));
}

TEST_F(RouterEndToEnd, SpoolerStatusIsLoggedAndTheJobStillDeleted) {
  SpoolerStandIn spooler(sandbox_.base(), {"--fail", "Labels=77"});
  ASSERT_GT(spooler.port(), 0) << "the stand-in did not start";
  const std::string port = std::to_string(spooler.port());
  sandbox_.WriteTable("ANYPRINTER\t127.0.0.1\t" + port + "\t5\r\n");
  const std::string job = sandbox_.MakeJob("label.prn", "label");

  Run({job, "Labels"});

  EXPECT_THAT(sandbox_.LogMessages(), ElementsAre("Sent " + job + " to 127.0.0.1:" + port + " for Labels, ret=77"));
  EXPECT_FALSE(PathExists(job));
}

TEST_F(RouterEndToEnd, RefusedConnectionIsLoggedAndTheJobStillDeleted) {
  int closedPort = 0;
  {
    SpoolerStandIn spooler(sandbox_.base());
    ASSERT_GT(spooler.port(), 0) << "the stand-in did not start";
    closedPort = spooler.port();
    spooler.Stop();
  }
  const std::string port = std::to_string(closedPort);
  sandbox_.WriteTable("P\t127.0.0.1\t" + port + "\t2\r\n");
  const std::string job = sandbox_.MakeJob("job.prn");

  Run({job, "P"});

  EXPECT_THAT(sandbox_.LogMessages(), ElementsAre("Sent " + job + " to 127.0.0.1:" + port + " for P, ret=210061"));
  EXPECT_FALSE(PathExists(job));
}

}  // namespace
}  // namespace router_test
