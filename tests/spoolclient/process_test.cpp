// The library as separate programs see it: load and unload, the purge at
// unload, tracing, several processes on one log, a C caller, and the
// shared object's exported names and version record.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/platform/child_process.h"
#include "support/platform/registry.h"
#include "support/system_helpers.h"
#include "support/version_record.h"
#include "tests/common/unprivileged.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/library_log_reader.h"
#include "tests/spoolclient/standin_process.h"
#include "tests/spoolclient/test_root.h"

namespace spooltest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

struct RunResult {
  uint32_t exitCode = 999;
  std::string out;
  std::string err;
};

class ProcessTest : public ::testing::Test {
 protected:
  // Runs `argv` with this test's root and optional fixed local time.
  RunResult Run(const std::vector<std::string>& argv, const std::string& localTime = std::string()) {
    platform::ChildProcess child;
    platform::ChildProcessOptions options;
    options.environment.push_back({"CORVANTA_ROOT", root_.path()});
    if (!localTime.empty()) options.environment.push_back({"CORVANTA_TEST_LOCAL_TIME", localTime});
    const std::string stem = root_.path() + "/run" + std::to_string(++runs_);
    options.standardOutput = stem + ".out";
    options.standardError = stem + ".err";
    RunResult result;
    if (child.Start(argv, options)) child.Wait(60000, &result.exitCode);
    result.out = ReadFileText(options.standardOutput);
    result.err = ReadFileText(options.standardError);
    return result;
  }

  void SetKeepLogsFor(uint32_t type, const std::string& bytes) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::RegistryKey::Create("SOFTWARE\\Corvanta\\Stampline\\qtlDll", key), 0);
    ASSERT_EQ(key.SetValue("KeepLogsFor", type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
  }

  std::vector<std::string> LogFolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_.LogFolder())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TestRoot root_;
  int runs_ = 0;
};

TEST_F(ProcessTest, LoadAndUnloadAreLoggedWithProgramAndThread) {
  const RunResult run = Run({SPOOLCLIENT_CALLER_PATH, "null"}, "2016-09-20 10:11:12.345");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "null result=0\n");
  EXPECT_EQ(run.err, "");  // tracing is on, but nothing was traced
  const auto lines = ReadLogLines(root_.LogFolder());
  ASSERT_EQ(lines.size(), 2u);
  std::smatch first, second;
  ASSERT_TRUE(std::regex_match(lines[0], first, LogLinePattern()));
  ASSERT_TRUE(std::regex_match(lines[1], second, LogLinePattern()));
  EXPECT_EQ(lines[0].substr(first[2].length() + first[1].length() + 2),
            "10:11:12.345 DLL_PROCESS_ATTACH");
  EXPECT_EQ(first[1].str(), "spoolclient_caller");
  EXPECT_EQ(second[7].str(), "DLL_PROCESS_DETACH");
  EXPECT_EQ(first[2].str(), second[2].str());
  EXPECT_TRUE(PathExists(root_.LogFolder() + "/dll20160920.txt"));
}

TEST_F(ProcessTest, LogFallsBackToTheRootWithoutCommonDataFolder) {
  std::filesystem::remove_all(root_.path() + "/var");
  const RunResult run = Run({SPOOLCLIENT_CALLER_PATH, "null"});
  EXPECT_EQ(run.exitCode, 0u);
  const auto messages = LogMessages(root_.path() + "/qtlapi");
  EXPECT_THAT(messages, ElementsAre("DLL_PROCESS_ATTACH", "DLL_PROCESS_DETACH"));
  EXPECT_FALSE(PathExists(root_.path() + "/var"));
}

TEST_F(ProcessTest, NullIdTurnsTracingOn) {
  StandinProcess standin(root_.MakeFolder("trace-out"));
  ASSERT_TRUE(standin.started());
  RunResult quiet = Run({SPOOLCLIENT_CALLER_PATH, "query", standin.server(), "Q"});
  EXPECT_EQ(quiet.out, "query result=0 length=0\n");
  EXPECT_EQ(quiet.err, "");

  RunResult traced = Run({SPOOLCLIENT_CALLER_PATH, "null", "query", standin.server(), "Q", "query",
                          "localhost:" + std::to_string(standin.port()), "Q"});
  EXPECT_EQ(traced.out, "null result=0\nquery result=0 length=0\nquery result=0 length=0\n");
  std::vector<std::string> messages;
  std::size_t start = 0;
  const std::regex traceLine(R"(^\d\d:\d\d:\d\d\.\d\d\d (.*)$)");
  while (start < traced.err.size()) {
    const auto end = traced.err.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "every trace line ends with CR LF";
    const std::string line = traced.err.substr(start, end - start);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, traceLine)) << line;
    messages.push_back(match[1].str());
    start = end + 2;
  }
  // The dotted address goes straight to connect; the name is looked up.
  EXPECT_THAT(messages, ElementsAre("Got sockets version 2.2, high=2.2, POSIX sockets (Running)", "Calling socket()...",
                                    "Calling inet_addr()...", "Calling gethostbyaddr()...", "Calling connect()...",
                                    "Calling select()...", "Calling send(with timeout)...", "Calling select()...",
                                    "Calling recv()...", "Calling socket()...", "Calling inet_addr()...",
                                    "Calling gethostbyname()...", "Calling connect()...", "Calling select()...",
                                    "Calling send(with timeout)...", "Calling select()...", "Calling recv()..."));
}

// A caller that closed standard error gets the next descriptor for its
// socket unless the library keeps off it: trace lines then went to the back
// end, and one written after the peer's close raised SIGPIPE.
TEST_F(ProcessTest, ClosedStandardErrorNeverCarriesTraceOutput) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const RunResult run =
      Run({SPOOLCLIENT_CALLER_PATH, "closeerr", "null", "query", spooler.server(), "Q", "2"});
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "null result=0\nquery result=0 length=0\n");
  ASSERT_TRUE(spooler.WaitForRequests(2));
  for (const auto& request : spooler.requests()) {
    EXPECT_EQ(HeaderField(request.header, 0), 4096);  // QUERY_VERSION, nothing in front of it
    EXPECT_EQ(request.body, "");
  }
}

// Root (umask 022) and the print service's user write the same day's log
// in the shared folder (root:<group> 2775): the file root creates first is
// group-writable, and the second process's lines land in it.
TEST_F(ProcessTest, RootAndUnprivilegedProcessShareTheDailyLog) {
  const struct group* shared = ::getgrnam("nogroup");
  if (shared == nullptr) GTEST_SKIP() << "no group nogroup here";
  const std::string folder = root_.LogFolder();
  std::filesystem::create_directories(folder);
  ASSERT_EQ(::chown(folder.c_str(), 0, shared->gr_gid), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 02775), 0);
  const mode_t previous = ::umask(022);
  const RunResult asRoot = Run({SPOOLCLIENT_CALLER_PATH, "null"}, "2016-09-20 10:00:00.000");
  const RunResult asUser =
      Run(corvanta_test::AsUnprivilegedUser({SPOOLCLIENT_CALLER_PATH, "null"}), "2016-09-20 10:00:01.000");
  ::umask(previous);
  EXPECT_EQ(asRoot.exitCode, 0u);
  EXPECT_EQ(asUser.exitCode, 0u) << asUser.err;
  struct stat st {};
  ASSERT_EQ(::stat((folder + "/dll20160920.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  EXPECT_THAT(LogMessages(folder), ElementsAre("DLL_PROCESS_ATTACH", "DLL_PROCESS_DETACH", "DLL_PROCESS_ATTACH",
                                               "DLL_PROCESS_DETACH"));
}

TEST_F(ProcessTest, PurgeAtUnload) {
  const std::string folder = root_.LogFolder();
  std::filesystem::create_directories(folder + "/dll20160101.txt");  // a folder named like a log
  const std::vector<std::string> files = {"dll20160920.txt", "dll20160911.txt", "dll20160910.txt",
                                          "dll20151231.txt", "DLL20160101.TXT", "dll2016.txt",
                                          "dll20161332.txt", "other.txt",       "dll20160921.txt"};
  auto plant = [&]() {
    for (const auto& name : files) {
      if (!PathExists(folder + "/" + name)) WriteFileText(folder + "/" + name, "old\r\n");
    }
  };
  const std::string today = "2016-09-20 12:00:00.000";

  // Default: 10 days or more are deleted; 9 days, odd names and folders stay.
  plant();
  Run({SPOOLCLIENT_CALLER_PATH}, today);
  EXPECT_THAT(LogFolderEntries(), UnorderedElementsAreArray({"dll20160920.txt", "dll20160911.txt", "dll2016.txt",
                                                             "dll20161332.txt", "other.txt", "dll20160921.txt",
                                                             "dll20160101.txt"}));

  // A value that is not a DWORD is ignored: the default again.
  plant();
  SetKeepLogsFor(platform::kRegSz, std::string("0\0", 2));
  Run({SPOOLCLIENT_CALLER_PATH}, today);
  EXPECT_FALSE(PathExists(folder + "/dll20160910.txt"));
  EXPECT_TRUE(PathExists(folder + "/dll20160911.txt"));

  // A long keep period keeps them all.
  plant();
  SetKeepLogsFor(platform::kRegDword, std::string("\x90\x01\0\0", 4));  // 400
  Run({SPOOLCLIENT_CALLER_PATH}, today);
  EXPECT_TRUE(PathExists(folder + "/dll20151231.txt"));
  EXPECT_TRUE(PathExists(folder + "/DLL20160101.TXT"));

  // 0: today's log goes too, and the detach line starts a fresh one.
  plant();
  SetKeepLogsFor(platform::kRegDword, std::string("\0\0\0\0", 4));
  Run({SPOOLCLIENT_CALLER_PATH}, today);
  EXPECT_THAT(LogFolderEntries(), UnorderedElementsAreArray({"dll20160920.txt", "dll2016.txt", "dll20161332.txt",
                                                             "other.txt", "dll20160921.txt", "dll20160101.txt"}));
  EXPECT_THAT(LogMessages(folder), Contains("DLL_PROCESS_DETACH"));
  EXPECT_THAT(LogMessages(folder), Not(Contains("DLL_PROCESS_ATTACH")));
}

TEST_F(ProcessTest, SeveralProcessesShareOneLog) {
  constexpr int kProcesses = 6;
  constexpr int kCalls = 40;
  std::vector<std::unique_ptr<platform::ChildProcess>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<platform::ChildProcess>());
    platform::ChildProcessOptions options;
    options.environment.push_back({"CORVANTA_ROOT", root_.path()});
    options.standardOutput = "/dev/null";
    ASSERT_TRUE(children.back()->Start(
        {SPOOLCLIENT_CALLER_PATH, "query", "127.0.0.2:1", "P" + std::to_string(p), std::to_string(kCalls)}, options));
  }
  for (auto& child : children) {
    uint32_t exitCode = 1;
    ASSERT_TRUE(child->Wait(60000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  bool whole = false;
  const auto lines = ReadLogLines(root_.LogFolder(), &whole);
  EXPECT_TRUE(whole);
  std::map<std::string, int> perThread;
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, LogLinePattern())) << line;
    EXPECT_EQ(match[1].str(), "spoolclient_caller");
    const std::string message = match[7].str();
    EXPECT_TRUE(message == "DLL_PROCESS_ATTACH" || message == "DLL_PROCESS_DETACH" ||
                message == "connect(to 127.0.0.2, port 1) error 10061")
        << message;
    ++perThread[match[2].str()];
  }
  EXPECT_EQ(perThread.size(), static_cast<std::size_t>(kProcesses));
  for (const auto& [thread, count] : perThread) EXPECT_EQ(count, kCalls + 2) << thread;
}

TEST_F(ProcessTest, CProgramBindsTheLibraryByDlopen) {
  StandinProcess standin(root_.MakeFolder("c-out"), {"--reply", "ab;cdefg"});
  ASSERT_TRUE(standin.started());
  const RunResult run = Run({SPOOLCLIENT_C_CALLER_PATH, QTLAPI_LIBRARY_PATH, standin.server()});
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.out, "maicomm3 result=0 reply=ab;cdefg\nmaicomm5 result=0 prefix=ab rest=cdefg\n");
  EXPECT_EQ(HeaderValue(standin.WaitForHeaderFile(2), "requestId"), "2");
}

TEST_F(ProcessTest, SharedObjectExportsExactlyTheEightEntries) {
  const RunResult symbols = Run({"nm", "-D", "--defined-only", QTLAPI_LIBRARY_PATH});
  ASSERT_EQ(symbols.exitCode, 0u) << symbols.err;
  std::set<std::string> names;
  std::size_t start = 0;
  while (start < symbols.out.size()) {
    auto end = symbols.out.find('\n', start);
    if (end == std::string::npos) end = symbols.out.size();
    const std::string line = symbols.out.substr(start, end - start);
    const auto blank = line.rfind(' ');
    if (!line.empty()) names.insert(line.substr(blank + 1));
    start = end + 1;
  }
  EXPECT_EQ(names, (std::set<std::string>{"_maicomm", "_maicomm2", "maicomm2sc", "_maicomm3", "_maicomm4",
                                          "maicomm4sc", "_maicomm4W", "_maicomm5"}));

  const RunResult dynamic = Run({"readelf", "-d", QTLAPI_LIBRARY_PATH});
  EXPECT_THAT(dynamic.out, HasSubstr("Library soname: [libqtlapi.so.2]"));

  VersionRecord record;
  ASSERT_TRUE(ReadVersionRecord(QTLAPI_LIBRARY_PATH, record));
  EXPECT_EQ(record.fileDescription, "qtltcp DLL");
  EXPECT_EQ(record.companyName, "Corvanta Ltd");
  AnsiString text;
  GetFileVersionText(QTLAPI_LIBRARY_PATH, text);
  EXPECT_EQ(text, "2.5.3.0");
}

}  // namespace
}  // namespace spooltest
