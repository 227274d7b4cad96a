// The rdxport backend run as a process, as the print spooler runs it: a bare
// environment, the job arguments, the job on a file or standard input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "standins/monitor/tests/rdxport_test_fixture.h"
#include "support/platform/child_process.h"
#include "support/platform/files.h"
#include "support/platform/registry.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 3000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class BackendTest : public RdxportTest {
 public:
  void Install(const std::string& options = "") {
    SetMonitorSettings(RecorderCommand(options), monitorDir_);
    AddPort("RPT1:");
  }
};

TEST_F(BackendTest, ListsOneDeviceLinePerPortAndNothingWithoutPorts) {
  BackendRun run = RunBackend({}, {});
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, "");

  AddPort("RPT1:");
  AddPort("RPT2:");
  run = RunBackend({}, {});
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output,
            "direct rdxport:/RPT1: \"Redirected Port RPT1:\" \"Redirected Port\"\n"
            "direct rdxport:/RPT2: \"Redirected Port RPT2:\" \"Redirected Port\"\n");
}

TEST_F(BackendTest, JobFileReachesTheCommandUnchangedAndIsLeftToIt) {
  Install();
  const std::string data = BinaryJob(300000);
  const BackendRun run = RunJob({"42", "alice", "Quarterly report", "1", "job-uuid=x", WriteInput("in.prn", data)});
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  EXPECT_THAT(run.errors, Not(HasSubstr("ERROR:")));

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  ASSERT_EQ(records[0].args.size(), 3u);
  const std::string& jobPath = records[0].args[0];
  EXPECT_THAT(jobPath, StartsWith(monitorDir_ + "/rdx42-"));
  EXPECT_TRUE(jobPath.ends_with(".prn")) << jobPath;
  EXPECT_EQ(records[0].args[1], "Invoices");
  EXPECT_EQ(records[0].args[2], "Quarterly report");
  EXPECT_TRUE(records[0].job == data) << "the command saw " << records[0].job.size() << " bytes";
  // The monitor leaves the job file to the router, which deletes it.
  std::string left;
  ASSERT_TRUE(platform::ReadWholeFile(jobPath, left));
  EXPECT_TRUE(left == data);
}

TEST_F(BackendTest, JobOnStandardInputIsSpooledOnceWhateverTheCopies) {
  Install();
  const std::string data = BinaryJob(70000);
  const BackendRun run = RunJob({"7", "bob", "From a pipe", "3", ""}, WriteInput("in.prn", data));
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].job == data) << "the command saw " << records[0].job.size() << " bytes";
}

TEST_F(BackendTest, CopiesOfAFileJobAreAllInTheJobFile) {
  Install();
  const std::string data = BinaryJob(5000);
  const std::string input = WriteInput("in.prn", data);
  struct Case {
    const char* copies;
    int expected;
  };
  for (const Case& c : {Case{"3", 3}, Case{"1", 1}, Case{"0", 1}, Case{"many", 1}}) {
    SCOPED_TRACE(c.copies);
    const BackendRun run = RunJob({"9", "carol", "t", c.copies, "", input});
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    const auto records = Records();
    ASSERT_FALSE(records.empty());
    std::string expected;
    for (int i = 0; i < c.expected; ++i) expected += data;
    bool found = false;
    for (const auto& record : records) found = found || record.job == expected;
    EXPECT_TRUE(found);
    for (const auto& name : FilesIn(recordDir_)) std::remove((recordDir_ + "/" + name).c_str());
  }
}

TEST_F(BackendTest, TitlesAndPrinterNamesArriveExactly) {
  Install();
  AddPort("rpt2:");
  const std::string input = WriteInput("in.prn", "x");
  const char* titles[] = {"Say \"hi\" to %2", "C:\\dir\\ ends\\", "  two  blanks  ", "", "Εικόνα 100%"};
  for (const char* title : titles) {
    SCOPED_TRACE(title);
    for (const auto& name : FilesIn(recordDir_)) std::remove((recordDir_ + "/" + name).c_str());
    const BackendRun run = RunBackend({"3", "dave", title, "1", "", input},
                                      {{"DEVICE_URI", "rdxport:/RPT2:"}, {"PRINTER", "Λογιστήριο \"A\""}});
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].args.size(), 3u);
    EXPECT_EQ(records[0].args[1], "Λογιστήριο \"A\"");
    EXPECT_EQ(records[0].args[2], title);
  }
}

// Each case breaks one thing the backend needs; it must say so on one
// "ERROR:" line, fail so the spooler keeps the job, and leave nothing behind.
TEST_F(BackendTest, EveryMissingPieceIsReportedAndNothingIsSpooled) {
  struct Case {
    const char* name;
    std::function<void(BackendTest&)> prepare;
    std::map<std::string, std::string> environment;
    bool withInput;
    const char* message;
  };
  const std::map<std::string, std::string> usual{{"DEVICE_URI", "rdxport:/RPT1:"}, {"PRINTER", "Invoices"}};
  const std::vector<Case> cases = {
      {"no settings at all", [](BackendTest&) {}, usual, true, "The Redirected Port settings cannot be read"},
      {"no port command", [](BackendTest& t) { t.SetMonitorSettings("", t.monitorDir_); t.AddPort("RPT1:"); }, usual,
       true, "PortCommand is not set"},
      {"no monitor directory", [](BackendTest& t) { t.SetMonitorSettings(t.RecorderCommand(), ""); t.AddPort("RPT1:"); },
       usual, true, "FirstTempDir is not set"},
      {"port not installed", [](BackendTest& t) { t.SetMonitorSettings(t.RecorderCommand(), t.monitorDir_); },
       usual, true, "Port RPT1: is not installed in the Redirected Port monitor"},
      {"other device", [](BackendTest& t) { t.Install(); }, {{"DEVICE_URI", "socket://127.0.0.1:9100"}, {"PRINTER", "P"}},
       true, "names no Redirected Port port"},
      {"no printer name", [](BackendTest& t) { t.Install(); }, {{"DEVICE_URI", "rdxport:/RPT1:"}}, true,
       "The printer name is missing"},
      {"job file missing", [](BackendTest& t) { t.Install(); }, usual, false, "Cannot read the job data from"},
      {"job file is a FIFO",
       [](BackendTest& t) {
         t.Install();
         ASSERT_EQ(std::system(("mkfifo '" + t.root_ + "/missing.prn'").c_str()), 0);
       },
       usual, false, "Cannot read the job data from"},
      {"port command names no program",
       [](BackendTest& t) { t.SetMonitorSettings("   ", t.monitorDir_); t.AddPort("RPT1:"); }, usual, true,
       "PortCommand names no program"},
      {"monitor directory missing",
       [](BackendTest& t) { t.SetMonitorSettings(t.RecorderCommand(), t.root_ + "/nowhere"); t.AddPort("RPT1:"); },
       usual, true, "Cannot create a job file in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.prepare(*this);
    const std::string input = c.withInput ? WriteInput("in.prn", "data") : root_ + "/missing.prn";
    const BackendRun run = RunBackend({"1", "erin", "t", "1", "", input}, c.environment);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_THAT(run.errors, StartsWith("ERROR: "));
    EXPECT_THAT(run.errors, HasSubstr(c.message));
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(FilesIn(monitorDir_).empty());
  }
}

TEST_F(BackendTest, MonitorDirectoryTheBackendUserCannotWrite) {
  Install();
  // The spooler runs the backend as its own unprivileged user; the folder here is root's.
  const std::string input = WriteInput("in.prn", "data");
  platform::ChildProcessOptions options;
  options.clearEnvironment = true;
  options.environment = {{"CORVANTA_ROOT", root_}, {"PATH", "/usr/bin:/bin"}, {"DEVICE_URI", "rdxport:/RPT1:"},
                         {"PRINTER", "Invoices"}};
  options.standardError = root_ + "/backend.err";
  platform::ChildProcess backend;
  ASSERT_TRUE(backend.Start({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", RDXPORT_PATH, "1", "u",
                             "t", "1", "", input},
                            options));
  uint32_t exitCode = 0;
  ASSERT_TRUE(backend.Wait(60000, &exitCode));
  std::string errors;
  platform::ReadWholeFile(options.standardError, errors);
  if (exitCode == 127 || errors.find("setpriv") != std::string::npos) GTEST_SKIP() << "setpriv unusable here: " << errors;
  EXPECT_EQ(exitCode, 1u);
  EXPECT_THAT(errors, HasSubstr("ERROR: Cannot create a job file in " + monitorDir_ + ", error 5"));
  EXPECT_THAT(errors, HasSubstr("writable by the user this backend runs as"));
  EXPECT_TRUE(FilesIn(monitorDir_).empty());
}

TEST_F(BackendTest, ReadOnlyMonitorDirectory) {
  Install();
  if (!MountSmallTmpfs(monitorDir_, true)) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  const BackendRun run = RunJob({"1", "u", "t", "1", "", WriteInput("in.prn", "data")});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_THAT(run.errors, HasSubstr("ERROR: Cannot create a job file in " + monitorDir_ + ", error 19"));
  EXPECT_TRUE(Records().empty());
}

TEST_F(BackendTest, FullDiskLeavesNoPartialJob) {
  Install();
  if (!MountSmallTmpfs(monitorDir_, false)) GTEST_SKIP() << "cannot mount a tmpfs here";
  const BackendRun run = RunJob({"1", "u", "t", "1", "", WriteInput("in.prn", BinaryJob(1 << 20))});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_THAT(run.errors, HasSubstr("ERROR: Cannot write the job file in " + monitorDir_ + ", error 112"));
  EXPECT_TRUE(FilesIn(monitorDir_).empty());
  EXPECT_TRUE(Records().empty());
}

TEST_F(BackendTest, CommandThatCannotStartLeavesNoCopy) {
  SetMonitorSettings("\"" + root_ + "/bin/rdx64run\" \"%1\" \"%2\" \"%3\"", monitorDir_);
  AddPort("RPT1:");
  // Every retry of the print spooler would otherwise add another orphan.
  for (const char* jobId : {"5", "5"}) {
    const BackendRun run = RunJob({jobId, "u", "t", "1", "", WriteInput("in.prn", BinaryJob(4000))});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_THAT(run.errors, HasSubstr("ERROR: Cannot start the port command " + root_ +
                                      "/bin/rdx64run, error 2; the print spooler keeps the job"));
    EXPECT_TRUE(FilesIn(monitorDir_).empty());
  }
}

TEST_F(BackendTest, JobTheCommandLeftBehindIsReportedButNotRepeated) {
  struct Case {
    const char* name;
    std::string command;  // %1 is the job file
    std::string status;   // expected in the warning about the command, "" for none
  };
  const Case cases[] = {
      {"router kept the job", RecorderCommand(), ""},
      {"router killed by a signal", "/bin/sh -c \"kill -9 $$\" sh \"%1\"", "ended with status 137 (stopped by signal 9)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    SetMonitorSettings(c.command, monitorDir_);
    AddPort("RPT1:");
    const BackendRun run = RunJob({"8", "u", "t", "1", "", WriteInput("in.prn", "data")});
    // Reporting success: the job may have reached some destinations already.
    EXPECT_EQ(run.exitCode, 0u);
    const auto files = FilesIn(monitorDir_);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_THAT(run.errors, HasSubstr("WARNING: The job was not delivered everywhere and is kept in " + monitorDir_ +
                                      "/" + files[0] + "; see " + root_ + "/var/lib/Corvanta/Stampline/rdx64"));
    if (!c.status.empty()) {
      EXPECT_THAT(run.errors, HasSubstr(c.status));
    }
  }
}

TEST_F(BackendTest, CommandHandedTheJobOverWhateverItReturns) {
  Install("--exit 3 --delete");
  const BackendRun run = RunJob({"1", "u", "t", "1", "", WriteInput("in.prn", "data")});
  // The job is the command's now; failing would make the spooler deliver it twice.
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(run.errors, HasSubstr("WARNING: The port command " RDXPORT_RECORDER_PATH " ended with status 3"));
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0].job, "data");
  EXPECT_TRUE(FilesIn(monitorDir_).empty());
}

// The size of the file that process `pid` writes in `folder`, or -1.
long long SizeOfFileBeingWritten(int pid, const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const std::string target = fs::read_symlink(entry.path(), error).string();
    if (error || !target.starts_with(folder + "/")) continue;
    const auto size = fs::file_size(entry.path(), error);
    if (!error) return static_cast<long long>(size);
  }
  return -1;
}

TEST_F(BackendTest, CancelOrKillWhileSpoolingLeavesNoPartialJob) {
  struct Case {
    const char* name;
    bool kill;
    uint32_t exitCode;
  };
  for (const Case& c : {Case{"cancel", false, 1u}, Case{"kill -9", true, 128u + 9u}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    Install();
    const std::string fifo = root_ + "/job.fifo";
    ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
    // Opened for reading and writing, so neither side blocks in open().
    std::unique_ptr<FILE, int (*)(FILE*)> writer(std::fopen(fifo.c_str(), "r+"), &std::fclose);
    ASSERT_NE(writer, nullptr);
    platform::ChildProcessOptions options;
    options.clearEnvironment = true;
    options.environment = {{"CORVANTA_ROOT", root_}, {"DEVICE_URI", "rdxport:/RPT1:"}, {"PRINTER", "Invoices"}};
    options.standardInput = fifo;
    options.standardError = root_ + "/backend.err";
    platform::ChildProcess backend;
    ASSERT_TRUE(backend.Start({RDXPORT_PATH, "11", "u", "t", "1", ""}, options));
    const std::string part(1000, 'p');
    ASSERT_EQ(std::fwrite(part.data(), 1, part.size(), writer.get()), part.size());
    std::fflush(writer.get());
    ASSERT_TRUE(WaitFor([&] {
      return SizeOfFileBeingWritten(backend.pid(), monitorDir_) == static_cast<long long>(part.size());
    })) << "the backend never spooled the first part";
    // Nothing of the job may be visible in the folder while it is written.
    EXPECT_TRUE(FilesIn(monitorDir_).empty());
    if (c.kill) {
      ::kill(backend.pid(), SIGKILL);
      ASSERT_TRUE(backend.Wait(10000));
    } else {
      backend.Terminate(10000);
    }
    EXPECT_EQ(backend.exitCode(), c.exitCode);
    EXPECT_TRUE(FilesIn(monitorDir_).empty());
    EXPECT_TRUE(Records().empty());
  }
}

TEST_F(BackendTest, CancelWhileTheCommandRunsLetsItFinish) {
  const std::string started = root_ + "/started";
  Install("--delete --sleep-ms 1000 --started \"" + started + "\"");
  const std::string data = BinaryJob(10000);
  platform::ChildProcessOptions options;
  options.clearEnvironment = true;
  options.environment = {{"CORVANTA_ROOT", root_}, {"DEVICE_URI", "rdxport:/RPT1:"}, {"PRINTER", "Invoices"}};
  options.standardError = root_ + "/backend.err";
  platform::ChildProcess backend;
  ASSERT_TRUE(backend.Start({RDXPORT_PATH, "12", "u", "t", "1", "", WriteInput("in.prn", data)}, options));
  ASSERT_TRUE(WaitFor([&] { return platform::FileExists(started); })) << "the command never started";
  backend.Terminate(30000);
  EXPECT_EQ(backend.exitCode(), 0u);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].job == data);
  EXPECT_TRUE(FilesIn(monitorDir_).empty());
}

TEST_F(BackendTest, ConcurrentJobsNeverShareAJobFile) {
  Install("--sleep-ms 200");
  constexpr int kJobs = 8;
  std::vector<std::unique_ptr<platform::ChildProcess>> backends;
  for (int i = 0; i < kJobs; ++i) {
    platform::ChildProcessOptions options;
    options.clearEnvironment = true;
    options.environment = {{"CORVANTA_ROOT", root_}, {"DEVICE_URI", "rdxport:/RPT1:"}, {"PRINTER", "Invoices"}};
    options.standardError = root_ + "/backend" + std::to_string(i) + ".err";
    // The same job id every time, as when the spooler retries a job.
    const std::string input = WriteInput("in" + std::to_string(i), "job " + std::to_string(i) + BinaryJob(20000));
    backends.push_back(std::make_unique<platform::ChildProcess>());
    ASSERT_TRUE(backends.back()->Start({RDXPORT_PATH, "77", "u", "t", "1", "", input}, options));
  }
  for (auto& backend : backends) {
    uint32_t exitCode = 99;
    ASSERT_TRUE(backend->Wait(60000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  const auto records = Records();
  ASSERT_EQ(records.size(), static_cast<std::size_t>(kJobs));
  std::set<std::string> jobFiles;
  std::set<std::string> contents;
  for (const auto& record : records) {
    jobFiles.insert(record.args.at(0));
    contents.insert(record.job);
  }
  EXPECT_EQ(jobFiles.size(), static_cast<std::size_t>(kJobs));
  for (int i = 0; i < kJobs; ++i) EXPECT_EQ(contents.count("job " + std::to_string(i) + BinaryJob(20000)), 1u) << i;
}

}  // namespace
