// The built rdx64run.exe as the monitor runs it: a separate process in a
// throw-away installation, beside the real qtlapi.dll, sending to the spooler
// stand-in that the driver script started (CORVANTA_TEST_STANDIN_PORT).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/platform/child_process.h"
#include "tests/windows/windows_test_support.h"

namespace windows_test {
namespace {

constexpr const char* kLocalTime = "2025-03-14 10:20:30.000";
constexpr const char* kLogStamp = "2025-03-14 10:20:30 ";

class RouterProcess : public ::testing::Test {
 protected:
  RouterProcess() : root_(folder_ / "root"), stampline_(root_ + "/var/lib/Corvanta/Stampline") {
    fs::create_directories(root_ + "/etc/corvanta");
    fs::create_directories(stampline_);  // the installation makes it; the log does not
    fs::create_directories(folder_ / "jobs");
  }

  // Runs the router (or another program of bin/) and waits for it; its exit code.
  uint32_t Run(const std::vector<std::string>& arguments, const std::string& random = "77",
               const std::string& program = "rdx64run.exe") {
    std::vector<std::string> argv = {ProgramFolder() + "/" + program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    platform::ChildProcessOptions options;
    options.environment = {{"CORVANTA_ROOT", root_},
                           {"CORVANTA_TEST_LOCAL_TIME", kLocalTime},
                           {"CORVANTA_TEST_TICK_COUNT", "4242"},
                           {"CORVANTA_TEST_RANDOM", random}};
    platform::ChildProcess router;
    uint32_t exitCode = 99;
    EXPECT_TRUE(router.Start(argv, options));
    EXPECT_TRUE(router.Wait(60000, &exitCode)) << "the router did not end within a minute";
    return exitCode;
  }

  std::string Job(const std::string& name, const std::string& content) {
    WriteFileText(folder_ / ("jobs/" + name), content);
    return folder_ / ("jobs/" + name);
  }

  std::vector<std::string> LogMessages() const {
    std::vector<std::string> messages;
    const std::string text = ReadFileText(stampline_ + "/rdx6420250314.txt");
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find("\r\n", start);
      EXPECT_NE(end, std::string::npos) << "log line without CR LF";
      const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      EXPECT_EQ(line.rfind(kLogStamp, 0), 0u) << line;
      messages.push_back(line.substr(std::min(line.size(), std::string(kLogStamp).size())));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    return messages;
  }

  TempFolder folder_;
  std::string root_, stampline_;
};

TEST_F(RouterProcess, EveryKindOfDestinationGetsTheJob) {
  const char* port = std::getenv("CORVANTA_TEST_STANDIN_PORT");
  const char* received = std::getenv("CORVANTA_TEST_STANDIN_OUT");
  ASSERT_TRUE(port != nullptr && received != nullptr) << "run through with_standin.sh";
  const std::string imports = folder_ / "imports";
  WriteFileText(root_ + "/etc/corvanta/Quillet.xml",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Quillet>\n  <Quill><ImportPath>" + imports +
                    "/imp1</ImportPath></Quill>\n</Quillet>\n");
  WriteFileText(root_ + "/etc/corvanta/kvp64exe.dat",
                std::string("Invoices\tlocalcopy.invalid\t") + (folder_ / "copies") + "\t\r\n" +
                    "Invoices\tproxy:10.0.0.5\t20004\t\r\n" + "Invoices\t127.0.0.1\t" + port + "\t10\r\n" +
                    // Forwarding moves the job, so it comes last.
                    "Invoices\tquillet:1\t\t\r\n");
  std::string content;
  for (int i = 0; i < 100000; ++i) content.push_back(static_cast<char>((i * 7919) & 0xFF));
  const std::string job = Job("invoice.prn", content);

  EXPECT_EQ(Run({job, "Invoices", "Invoice 42"}), 0u);

  EXPECT_EQ(ListFolder(folder_ / "copies"), std::vector<std::string>{"4242.1.prn"});
  EXPECT_TRUE(ReadFileText(folder_ / "copies/4242.1.prn") == content);
  EXPECT_EQ(ListFolder(stampline_ + "/proxydata"), (std::vector<std::string>{"77_1.dat", "77_1.say"}));
  EXPECT_TRUE(ReadFileText(stampline_ + "/proxydata/77_1.dat") == content);
  EXPECT_EQ(ReadFileText(stampline_ + "/proxydata/77_1.say"), "HostPort=10.0.0.5:20004\r\nKeyword=Invoices\r\n");
  EXPECT_TRUE(ReadFileText(imports + "/imp1/4242_1.ps") == content);
  const std::string received1 = std::string(received) + "/000001";
  EXPECT_TRUE(ReadFileText(received1 + ".body") == content);
  const std::string header = ReadFileText(received1 + ".header");
  EXPECT_NE(header.find("command=3\nid=Invoices\nlength=100000\ntimeout=10\n"), std::string::npos) << header;
  EXPECT_EQ(LogMessages(),
            std::vector<std::string>{"Sent " + job + " to 127.0.0.1:" + port + " for Invoices, ret=-13"});
  EXPECT_FALSE(fs::exists(job));
}

TEST_F(RouterProcess, FailuresAreLoggedAndNothingIsLost) {
  const char* port = std::getenv("CORVANTA_TEST_STANDIN_PORT");
  ASSERT_NE(port, nullptr) << "run through with_standin.sh";
  // The stand-in answers id "Labels" with status 77; port 1 refuses.
  WriteFileText(root_ + "/etc/corvanta/kvp64exe.dat", std::string("ANYPRINTER\t127.0.0.1\t") + port + "\t5\r\n" +
                                                          "ANYPRINTER\t127.0.0.1\t1\t5\r\n");
  const std::string job = Job("label.prn", "label");

  EXPECT_EQ(Run({job, "Labels"}), 0u);

  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Sent " + job + " to 127.0.0.1:" + port + " for Labels, ret=77",
                                                     "Sent " + job + " to 127.0.0.1:1 for Labels, ret=210061"}));
  EXPECT_FALSE(fs::exists(job));
}

// The resend command as an operator runs it: the held job, locked by the
// command, is read by the library through a handle of its own, delivered and
// removed with its companion.
TEST_F(RouterProcess, ResendDeliversAHeldJobItHoldsLocked) {
  const char* port = std::getenv("CORVANTA_TEST_STANDIN_PORT");
  ASSERT_NE(port, nullptr) << "run through with_standin.sh";
  const std::string held = stampline_ + "/held";
  fs::create_directories(held);
  const std::string stamp = "2025-03-14 10:20:30";
  WriteFileText(held + "/h1.prn", "held job");
  WriteFileText(held + "/h1.txt", "Job=c:/jobs/h1.prn\r\nHeld=" + stamp + "\r\nSend=127.0.0.1:" + port +
                                      "\tInvoices\t10\t210061\t" + stamp + "\r\n");

  EXPECT_EQ(Run({"--all"}, "77", "rdx64resend.exe"), 0u);

  EXPECT_EQ(ListFolder(held), std::vector<std::string>{});
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                               "Resent " + held + "/h1.prn to 127.0.0.1:" + port + " for Invoices, ret=-13",
                               "Removed held job " + held + "/h1.prn, every send succeeded"}));
}

}  // namespace
}  // namespace windows_test
