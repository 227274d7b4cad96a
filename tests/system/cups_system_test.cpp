// The whole system through a real print spooler: a private cupsd runs the
// Redirected Port backend, which runs the job router, which hands the job to
// the spooler stand-in, a local copy folder and the proxy folder. The port is
// added and the printers attached by the setup tool's own spooler code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <set>

#include "support/platform/child_process.h"
#include "support/platform/files.h"
#include "support/platform/registry.h"
#include "support/platform/system_info.h"
#include "tests/common/private_cupsd.h"
#include "tests/system/system_test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kJobTimeoutMs = 90000;

// Every byte value, NULs, CR LF and a lone CR: what a raw queue must pass unchanged.
std::string PrintableJob(const std::string& tag, std::size_t size) {
  std::string data = "\x1b%-12345X@PJL JOB NAME=\"" + tag + "\"\r\n";
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<char>(i));
  std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(tag)));
  while (data.size() < size) data.push_back(static_cast<char>(random() & 0xff));
  data += "\r\x0c" + tag;
  return data;
}

class CupsSystemTest : public ::testing::Test {
 public:
  void SetUp() override {
    if (!platform::HasAdministratorRights()) GTEST_SKIP() << "a private cupsd must be started as root";
    if (!platform::FileExists("/usr/sbin/cupsd")) GTEST_SKIP() << "cupsd is not installed (package cups-daemon)";
    for (const char* tool : {"/usr/bin/lp", "/usr/bin/lpstat", "/usr/sbin/lpadmin"}) {
      if (!platform::FileExists(tool)) GTEST_SKIP() << tool << " is not installed (packages cups-client, cups-bsd)";
    }
    std::random_device seed;
    // Short: the spooler's socket path must fit a socket address.
    folder_ = "/tmp/corvanta-e2e-" + std::to_string(seed() % 1000000000);
    root_ = folder_ + "/root";
    fs::create_directories(root_);
    fs::permissions(folder_, fs::perms(0755));
    fs::permissions(root_, fs::perms(0755));
    ::setenv("CORVANTA_ROOT", root_.c_str(), 1);
    monitorDir_ = root_ + "/var/lib/Corvanta/rdx64mon";
    stamplineDir_ = root_ + "/var/lib/Corvanta/Stampline";
    receivedDir_ = folder_ + "/received";
    fs::create_directories(receivedDir_);

    corvanta_test::PrivateCupsdOptions options;
    options.backendEnvironment = {{"CORVANTA_ROOT", root_}};
    cups_ = std::make_unique<corvanta_test::PrivateCupsd>(folder_ + "/cups", options);
    std::string error;
    ASSERT_TRUE(cups_->Start(error)) << error;
    ASSERT_TRUE(StartStandin());
  }

  void TearDown() override {
    if (HasFailure() && cups_ != nullptr) {
      std::cerr << "---- cupsd error_log (last lines) ----\n" << LastLines(cups_->errorLog(), 150) << "\n";
      std::cerr << "---- router log ----\n" << RouterLog() << "\n";
      std::cerr << "---- monitor directory ----\n";
      for (const auto& name : ListFolder(monitorDir_)) std::cerr << name << "\n";
    }
    standin_.Terminate();
    cups_.reset();
    ::unsetenv("CORVANTA_ROOT");
    if (!folder_.empty()) {
      std::error_code ignored;
      fs::remove_all(folder_, ignored);
    }
  }

 protected:
  bool StartStandin() {
    const std::string portFile = folder_ + "/standin.port";
    platform::DeleteFile(portFile);
    platform::ChildProcessOptions options;
    options.standardInput = "/dev/null";
    options.standardOutput = folder_ + "/standin.out";
    options.standardError = folder_ + "/standin.err";
    if (!standin_.Start({CORVANTA_BIN_DIR "/spooler-standin", "--out", receivedDir_, "--port", "0", "--port-file",
                         portFile},
                        options)) {
      ADD_FAILURE() << "cannot start the spooler stand-in";
      return false;
    }
    if (!WaitUntil([&] { return platform::FileExists(portFile) || !standin_.Running(); }, 20000) ||
        !standin_.Running()) {
      ADD_FAILURE() << "the spooler stand-in did not come up: " << ReadFileText(options.standardError);
      return false;
    }
    standinPort_ = std::stoi(ReadFileText(portFile));
    return true;
  }

  EnvironmentList Environment() const {
    return {{"CUPS_SERVER", cups_->socketPath()},
            {"CORVANTA_ROOT", root_},
            {"CORVANTA_CUPS_BACKEND_DIR", cups_->backendFolder()}};
  }

  ProgramResult Run(const std::vector<std::string>& argv) const {
    return RunProgram(argv, Environment(), folder_);
  }

  ProgramResult Driver(std::vector<std::string> args) const {
    args.insert(args.begin(), CORVANTA_SETUP_DRIVER);
    return Run(args);
  }

  void AddPrinter(const std::string& name, const std::string& deviceUri = "parallel:/dev/lp0") const {
    const ProgramResult added = Run({"lpadmin", "-h", cups_->socketPath(), "-p", name, "-E", "-v", deviceUri});
    ASSERT_TRUE(added.ended && added.exitCode == 0) << "lpadmin " << name << ": " << added.output;
  }

  // The router the port command names. Built with the sanitizers, the
  // loader's run-path search for the client library does not apply (the
  // sanitizer's own library makes the dlopen call), so the router then runs
  // from a folder with the library beside it, its first place to look.
  std::string RouterPath() const {
#ifdef CORVANTA_E2E_ROUTER_BESIDE_LIBRARY
    const std::string folder = folder_ + "/router";
    if (!fs::exists(folder + "/rdx64run")) {
      fs::create_directories(folder);
      fs::permissions(folder, fs::perms(0755));
      fs::copy_file(CORVANTA_BIN_DIR "/rdx64run", folder + "/rdx64run");
      fs::copy_file(CORVANTA_LIBRARY_FILE, folder + "/libqtlapi.so");
    }
    return folder + "/rdx64run";
#else
    return CORVANTA_BIN_DIR "/rdx64run";
#endif
  }

  // The save flow (monitor directory, port command, routing table), then
  // "Add port" with `printers` in the grid.
  void InstallRouting(const std::vector<std::string>& printers, const std::vector<std::string>& rows) const {
    std::vector<std::string> save{"save", RouterPath()};
    save.insert(save.end(), rows.begin(), rows.end());
    const ProgramResult saved = Driver(save);
    ASSERT_TRUE(saved.ended && saved.exitCode == 0) << saved.output;
    ASSERT_EQ(saved.output, "");

    std::vector<std::string> add{"add-port", CORVANTA_BIN_DIR};
    add.insert(add.end(), printers.begin(), printers.end());
    const ProgramResult added = Driver(add);
    ASSERT_TRUE(added.ended && added.exitCode == 0) << added.output;
    ASSERT_THAT(added.output, HasSubstr("MESSAGE: Success")) << added.output;
    ASSERT_THAT(added.output, Not(HasSubstr("error"))) << added.output;
  }

  std::map<std::string, std::string> PrinterPorts() const {
    std::map<std::string, std::string> ports;
    const ProgramResult listed = Driver({"printers"});
    EXPECT_TRUE(listed.ended && listed.exitCode == 0) << listed.output;
    std::size_t start = 0;
    while (start < listed.output.size()) {
      std::size_t end = listed.output.find('\n', start);
      if (end == std::string::npos) end = listed.output.size();
      const std::string line = listed.output.substr(start, end - start);
      const auto tab = line.find('\t');
      if (tab != std::string::npos) ports[line.substr(0, tab)] = line.substr(tab + 1);
      start = end + 1;
    }
    return ports;
  }

  std::string WriteJobFile(const std::string& name, const std::string& data) const {
    const std::string path = folder_ + "/" + name;
    EXPECT_TRUE(platform::ReplaceFileAtomically(path, data, 0644));
    return path;
  }

  std::vector<std::string> PrintCommand(const std::string& printer, const std::string& file,
                                        const std::string& title) const {
    return {"lp", "-h", cups_->socketPath(), "-d", printer, "-o", "raw", "-t", title, file};
  }

  void Print(const std::string& printer, const std::string& file, const std::string& title) const {
    const ProgramResult printed = Run(PrintCommand(printer, file, title));
    ASSERT_TRUE(printed.ended && printed.exitCode == 0) << printed.output;
    ASSERT_THAT(printed.output, HasSubstr("request id is " + printer + "-"));
  }

  // Bounded wait until the spooler has no unfinished job and `done` holds.
  void WaitForJobs(const std::function<bool()>& done) const {
    ProgramResult pending;
    const bool finished = WaitUntil(
        [&] {
          pending = Run({"lpstat", "-h", cups_->socketPath(), "-W", "not-completed", "-o"});
          return pending.ended && pending.exitCode == 0 && pending.output.empty() && done();
        },
        kJobTimeoutMs);
    ASSERT_TRUE(finished) << "the jobs did not complete within " << kJobTimeoutMs / 1000
                          << " s; unfinished jobs:\n"
                          << pending.output << "\nprinters:\n"
                          << Run({"lpstat", "-h", cups_->socketPath(), "-p"}).output;
  }

  std::string RouterLog() const {
    std::string text;
    for (const auto& name : ListFolder(stamplineDir_, ".txt")) {
      if (name.starts_with("rdx64")) text += ReadFileText(stamplineDir_ + "/" + name);
    }
    return text;
  }

  // The requests the stand-in received: header text and body, in arrival order.
  struct Received {
    std::map<std::string, std::string> header;
    std::string body;
  };
  std::vector<Received> ReceivedRequests() const {
    std::vector<Received> requests;
    for (const auto& name : ListFolder(receivedDir_, ".header")) {
      Received request;
      const std::string text = ReadFileText(receivedDir_ + "/" + name);
      std::size_t start = 0;
      while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const auto equals = line.find('=');
        if (equals != std::string::npos) request.header[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
      }
      request.body = ReadFileText(receivedDir_ + "/" + name.substr(0, name.size() - 7) + ".body");
      requests.push_back(std::move(request));
    }
    return requests;
  }

  std::string folder_;
  std::string root_;
  std::string monitorDir_;
  std::string stamplineDir_;
  std::string receivedDir_;
  std::unique_ptr<corvanta_test::PrivateCupsd> cups_;
  platform::ChildProcess standin_;
  int standinPort_ = 0;
};

TEST_F(CupsSystemTest, PrintedJobReachesTheSpoolerACopyFolderAndTheProxy) {
  AddPrinter("Invoices");
  // A copy folder the administrator made writable for the spooler's user, as docs/permissions.md says.
  const std::string copies = root_ + "/copies";
  fs::create_directories(copies);
  ASSERT_EQ(Run({"chgrp", "lp", copies}).exitCode, 0u);
  fs::permissions(copies, fs::perms(02775));
  const std::string port = std::to_string(standinPort_);
  // The setup tool keeps one row per printer name; names that differ in case
  // are different rows to it and the same printer to the router.
  ASSERT_NO_FATAL_FAILURE(InstallRouting({"Invoices"}, {"Invoices\t127.0.0.1\t" + port + "\t30",
                                                        "INVOICES\tlocalcopy.invalid\t" + copies + "\t0",
                                                        "invoices\tproxy:10.9.8.7\t20100\t0"}));
  // pm64/setup put the backend where the spooler runs it as its own user.
  const fs::path backend = cups_->backendFolder() + "/rdxport";
  ASSERT_TRUE(fs::exists(backend));
  EXPECT_EQ(fs::status(backend).permissions(), fs::perms(0755));
  EXPECT_EQ(PrinterPorts()["Invoices"], "RPT1:");

  const std::string data = PrintableJob("invoice 1", 200000);
  ASSERT_NO_FATAL_FAILURE(Print("Invoices", WriteJobFile("invoice.prn", data), "Invoice 2024/17 \"final\""));
  ASSERT_NO_FATAL_FAILURE(WaitForJobs([&] { return ReceivedRequests().size() == 1; }));

  const auto requests = ReceivedRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header.at("id"), "Invoices");
  EXPECT_EQ(requests[0].header.at("length"), std::to_string(data.size()));
  EXPECT_TRUE(requests[0].body == data) << "the stand-in received " << requests[0].body.size() << " bytes";

  const auto copied = ListFolder(copies, ".prn");
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_TRUE(ReadFileText(copies + "/" + copied[0]) == data);

  const std::string proxyDir = stamplineDir_ + "/proxydata";
  const auto dats = ListFolder(proxyDir, ".dat");
  const auto says = ListFolder(proxyDir, ".say");
  ASSERT_EQ(dats.size(), 1u);
  ASSERT_EQ(says.size(), 1u);
  EXPECT_EQ(dats[0].substr(0, dats[0].size() - 4), says[0].substr(0, says[0].size() - 4));
  EXPECT_TRUE(ReadFileText(proxyDir + "/" + dats[0]) == data);
  EXPECT_EQ(ReadFileText(proxyDir + "/" + says[0]), "HostPort=10.9.8.7:20100\r\nKeyword=Invoices\r\n");

  // The log names the job file the monitor made, and the router deleted it.
  const std::string log = RouterLog();
  std::smatch sent;
  ASSERT_TRUE(std::regex_search(log, sent, std::regex("Sent (\\S+) to 127\\.0\\.0\\.1:" + port + " for Invoices, ret=(-?\\d+)\r\n")))
      << log;
  EXPECT_EQ(fs::path(sent[1].str()).parent_path().string(), monitorDir_);
  EXPECT_EQ(sent[2].str(), "-13");  // status 0 without a place for the reply body
  EXPECT_TRUE(std::regex_search(log, std::regex("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Sent ")));
  EXPECT_TRUE(ListFolder(monitorDir_).empty());
}

TEST_F(CupsSystemTest, SpoolerDownIsLoggedAndTheJobFileStillGoes) {
  const int closedPort = standinPort_;
  standin_.Terminate();
  AddPrinter("Labels");
  ASSERT_NO_FATAL_FAILURE(InstallRouting({"Labels"}, {"Labels\t127.0.0.1\t" + std::to_string(closedPort) + "\t5"}));
  ASSERT_NO_FATAL_FAILURE(Print("Labels", WriteJobFile("label.prn", PrintableJob("label", 5000)), "label"));
  ASSERT_NO_FATAL_FAILURE(WaitForJobs([&] { return RouterLog().find("ret=") != std::string::npos; }));
  EXPECT_THAT(RouterLog(), HasSubstr(" to 127.0.0.1:" + std::to_string(closedPort) + " for Labels, ret=210061\r\n"));
  EXPECT_TRUE(ListFolder(monitorDir_).empty());
}

TEST_F(CupsSystemTest, JobTheRouterKeptIsShownToTheOperator) {
  AddPrinter("Archive");
  // A copy folder the spooler's user cannot create: the router keeps the job.
  const std::string locked = root_ + "/locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms(0755));
  ASSERT_NO_FATAL_FAILURE(InstallRouting({"Archive"}, {"Archive\tlocalcopy.invalid\t" + locked + "/copies\t0"}));
  ASSERT_NO_FATAL_FAILURE(Print("Archive", WriteJobFile("kept.prn", PrintableJob("kept", 3000)), "kept"));
  ASSERT_NO_FATAL_FAILURE(WaitForJobs([&] { return !ListFolder(monitorDir_).empty(); }));

  const auto kept = ListFolder(monitorDir_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_THAT(RouterLog(), HasSubstr("Could not create folder " + locked + "/copies"));
  // The job's own status line, which outlives the job, carries the warning.
  const ProgramResult status = Run({"lpstat", "-h", cups_->socketPath(), "-W", "all", "-l", "-o", "Archive"});
  EXPECT_THAT(status.output, HasSubstr("kept in " + monitorDir_ + "/" + kept[0])) << status.output;
  EXPECT_THAT(status.output, HasSubstr(stamplineDir_ + "/rdx64")) << status.output;
}

TEST_F(CupsSystemTest, SeveralJobsToSeveralPrintersAtOnceAreAllDelivered) {
  const std::vector<std::string> printers{"Invoices", "Labels", "Receipts", "Λογιστήριο"};
  std::vector<std::string> rows;
  for (const auto& printer : printers) {
    AddPrinter(printer);
    rows.push_back(printer + "\t127.0.0.1\t" + std::to_string(standinPort_) + "\t30");
  }
  ASSERT_NO_FATAL_FAILURE(InstallRouting(printers, rows));
  for (const auto& [printer, port] : PrinterPorts()) EXPECT_EQ(port, "RPT1:") << printer;

  constexpr int kJobsPerPrinter = 3;
  std::multiset<std::pair<std::string, std::string>> sent;
  std::vector<std::unique_ptr<platform::ChildProcess>> submissions;
  for (int round = 0; round < kJobsPerPrinter; ++round) {
    for (const auto& printer : printers) {
      const std::string tag = printer + " job " + std::to_string(round);
      const std::string data = PrintableJob(tag, 30000 + 7000 * round);
      sent.insert({printer, data});
      platform::ChildProcessOptions options;
      options.environment = Environment();
      options.standardInput = "/dev/null";
      options.standardOutput = folder_ + "/lp-" + std::to_string(submissions.size()) + ".out";
      submissions.push_back(std::make_unique<platform::ChildProcess>());
      ASSERT_TRUE(submissions.back()->Start(
          PrintCommand(printer, WriteJobFile("job" + std::to_string(submissions.size()), data), tag), options));
    }
  }
  for (auto& submission : submissions) {
    uint32_t exitCode = 1;
    ASSERT_TRUE(submission->Wait(60000, &exitCode));
    ASSERT_EQ(exitCode, 0u);
  }
  const std::size_t total = sent.size();
  ASSERT_NO_FATAL_FAILURE(WaitForJobs([&] { return ReceivedRequests().size() >= total; }));

  std::multiset<std::pair<std::string, std::string>> received;
  for (const auto& request : ReceivedRequests()) received.insert({request.header.at("id"), request.body});
  EXPECT_EQ(received.size(), total);
  EXPECT_TRUE(received == sent) << "some job was lost, doubled or changed";
  const std::string log = RouterLog();
  std::size_t lines = 0;
  for (std::size_t at = log.find("ret=-13\r\n"); at != std::string::npos; at = log.find("ret=-13\r\n", at + 1)) ++lines;
  EXPECT_EQ(lines, total) << log;
  EXPECT_TRUE(ListFolder(monitorDir_).empty());
}

// Each printer goes back to the device it had before Add port attached it.
TEST_F(CupsSystemTest, RemovePortGivesThePrintersBackTheirDevicesAndRemovesTheMonitor) {
  AddPrinter("Invoices");
  AddPrinter("Labels", "lpd://127.0.0.1/labels");
  AddPrinter("Elsewhere", "lpd://127.0.0.1/queue");
  ASSERT_NO_FATAL_FAILURE(InstallRouting({"Invoices", "Labels"}, {"Invoices\t127.0.0.1\t20100\t30"}));
  auto ports = PrinterPorts();
  EXPECT_EQ(ports["Invoices"], "RPT1:");
  EXPECT_EQ(ports["Labels"], "RPT1:");
  EXPECT_EQ(ports["Elsewhere"], "lpd://127.0.0.1/queue");

  const ProgramResult removed = Driver({"remove-port", CORVANTA_BIN_DIR});
  ASSERT_TRUE(removed.ended && removed.exitCode == 0) << removed.output;
  EXPECT_THAT(removed.output, Not(HasSubstr("error"))) << removed.output;

  ports = PrinterPorts();
  EXPECT_EQ(ports["Invoices"], "LPT1:");
  EXPECT_EQ(ports["Labels"], "lpd://127.0.0.1/labels");
  EXPECT_EQ(ports["Elsewhere"], "lpd://127.0.0.1/queue");
  const ProgramResult devices = Run({"lpstat", "-h", cups_->socketPath(), "-v"});
  EXPECT_THAT(devices.output, HasSubstr("Invoices: parallel:/dev/lp0"));
  EXPECT_THAT(devices.output, Not(HasSubstr("rdxport:")));

  platform::RegistryKey key;
  std::vector<platform::RegistryValue> values;
  if (platform::RegistryKey::Open("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports", key) == 0) {
    ASSERT_EQ(key.EnumValues(values), 0);
  }
  EXPECT_TRUE(values.empty()) << "the port is still in the monitor's list";
  EXPECT_FALSE(fs::exists(cups_->backendFolder() + "/rdxport"));
  // The other backends of the spooler are untouched.
  EXPECT_TRUE(fs::exists(cups_->backendFolder() + "/ipp"));
}

}  // namespace
