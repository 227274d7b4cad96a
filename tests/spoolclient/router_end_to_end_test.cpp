// The job router's spooler sends through the real library to the stand-in:
// the job's bytes arrive, and both the router's log and the library's log
// record the outcome.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/platform/child_process.h"
#include "tests/spoolclient/library_log_reader.h"
#include "tests/spoolclient/standin_process.h"
#include "tests/spoolclient/test_root.h"

namespace spooltest {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

constexpr const char* kLocalTime = "2025-03-14 10:20:30.000";

class RouterEndToEndTest : public ::testing::Test {
 protected:
  RouterEndToEndTest() {
    std::filesystem::create_directories(root_.path() + "/jobs");
    // The router logs into an existing folder only (installation creates it).
    std::filesystem::create_directories(root_.path() + "/var/lib/Corvanta/Stampline");
  }

  void WriteTable(const std::string& text) { WriteFileText(root_.path() + "/etc/corvanta/kvp64exe.dat", text); }

  std::string MakeJob(const std::string& content) {
    const std::string path = root_.path() + "/jobs/job" + std::to_string(++jobs_) + ".prn";
    WriteFileText(path, content);
    return path;
  }

  uint32_t RunRouter(const std::string& job, const std::string& printer) {
    platform::ChildProcess child;
    platform::ChildProcessOptions options;
    options.environment = {{"CORVANTA_ROOT", root_.path()}, {"CORVANTA_TEST_LOCAL_TIME", kLocalTime}};
    options.standardError = root_.path() + "/router-stderr.txt";
    uint32_t exitCode = 999;
    if (child.Start({ROUTER_PATH, job, printer, "Title"}, options)) child.Wait(60000, &exitCode);
    return exitCode;
  }

  // The router's daily log lines without their time stamps.
  std::vector<std::string> RouterLog() {
    const std::string text = ReadFileText(root_.path() + "/var/lib/Corvanta/Stampline/rdx6420250314.txt");
    std::vector<std::string> messages;
    std::size_t start = 0;
    while (start < text.size()) {
      const auto end = text.find("\r\n", start);
      if (end == std::string::npos) break;
      messages.push_back(text.substr(start + 20, end - start - 20));  // "yyyy-mm-dd hh:mm:ss "
      start = end + 2;
    }
    return messages;
  }

  std::vector<std::string> LibraryLogWithProgram() {
    std::vector<std::string> result;
    for (const auto& line : ReadLogLines(root_.LogFolder())) {
      std::smatch match;
      if (std::regex_match(line, match, LogLinePattern())) result.push_back(match[1].str() + ": " + match[7].str());
    }
    return result;
  }

  static std::string Job(std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 7919) >> 3);
    return content;
  }

  TestRoot root_;
  int jobs_ = 0;
};

TEST_F(RouterEndToEndTest, SpoolerStatusReachesBothLogs) {
  StandinProcess standin(root_.MakeFolder("stampline-out"), {"--fail", "Invoices=7"});
  ASSERT_TRUE(standin.started());
  WriteTable("Invoices\t127.0.0.1\t" + std::to_string(standin.port()) + "\t30\r\n");
  const std::string content = Job(250000);
  const std::string job = MakeJob(content);
  EXPECT_EQ(RunRouter(job, "Invoices"), 0u);

  EXPECT_EQ(ReadFileText(standin.outFolder() + "/000001.body"), content);
  const std::string header = standin.WaitForHeaderFile(1);
  EXPECT_EQ(HeaderValue(header, "command"), "3");
  EXPECT_EQ(HeaderValue(header, "id"), "Invoices");
  EXPECT_EQ(HeaderValue(header, "timeout"), "30");
  EXPECT_THAT(RouterLog(), ElementsAre("Sent " + job + " to 127.0.0.1:" + std::to_string(standin.port()) +
                                       " for Invoices, ret=7"));
  EXPECT_THAT(LibraryLogWithProgram(), ElementsAre("rdx64run: DLL_PROCESS_ATTACH", "rdx64run: get_z_reply.ntohl() ret=7",
                                                   "rdx64run: DLL_PROCESS_DETACH"));
}

TEST_F(RouterEndToEndTest, OneJobToStamplineAndVellum) {
  StandinProcess stampline(root_.MakeFolder("stampline-out"));
  StandinProcess vellum(root_.MakeFolder("vellum-out"));
  ASSERT_TRUE(stampline.started());
  ASSERT_TRUE(vellum.started());
  const std::string s = std::to_string(stampline.port());
  const std::string v = std::to_string(vellum.port());
  WriteTable("Ledger\t127.0.0.1\t" + s + "\t20\r\nLedger\t127.0.0.1\t" + v + "\t20\r\n");
  const std::string content = Job(70000);
  const std::string job = MakeJob(content);
  EXPECT_EQ(RunRouter(job, "Ledger"), 0u);

  EXPECT_EQ(ReadFileText(stampline.outFolder() + "/000001.body"), content);
  EXPECT_EQ(ReadFileText(vellum.outFolder() + "/000001.body"), content);
  // Status 0 and no reply destination: the library's reply-file result.
  EXPECT_THAT(RouterLog(), UnorderedElementsAre("Sent " + job + " to 127.0.0.1:" + s + " for Ledger, ret=-13",
                                                "Sent " + job + " to 127.0.0.1:" + v + " for Ledger, ret=-13"));
}

TEST_F(RouterEndToEndTest, SpoolerDownIsLoggedWithTheConnectError) {
  // A port that was free a moment ago: nothing listens there now.
  int port = 0;
  {
    StandinProcess probe(root_.MakeFolder("probe-out"));
    ASSERT_TRUE(probe.started());
    port = probe.port();
    uint32_t exitCode = 0;
    probe.Stop(exitCode);
  }
  WriteTable("Invoices\t127.0.0.1\t" + std::to_string(port) + "\t5\r\n");
  const std::string job = MakeJob("%!PS\n");
  EXPECT_EQ(RunRouter(job, "Invoices"), 0u);
  EXPECT_THAT(RouterLog(),
              ElementsAre("Sent " + job + " to 127.0.0.1:" + std::to_string(port) + " for Invoices, ret=210061"));
  EXPECT_THAT(LibraryLogWithProgram(),
              ElementsAre("rdx64run: DLL_PROCESS_ATTACH",
                          "rdx64run: connect(to 127.0.0.1, port " + std::to_string(static_cast<int16_t>(port)) +
                              ") error 10061",
                          "rdx64run: DLL_PROCESS_DETACH"));
  EXPECT_EQ(ReadFileText(root_.path() + "/router-stderr.txt"), "");  // no box by default
}

}  // namespace
}  // namespace spooltest
