// Proxy hand-off and the proxy counter file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string CounterBytes(int32_t runId, int32_t sequence) {
  std::string bytes;
  for (const int32_t value : {runId, sequence}) {
    const auto word = static_cast<uint32_t>(value);
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((word >> (8 * b)) & 0xFF));
  }
  return bytes;
}

// Writes up to `bytes` into `path`, as much as the file system takes.
void FillUp(const std::string& path, std::size_t bytes) {
  std::ofstream out(path, std::ios::binary);
  const std::string block(4096, 'f');
  for (std::size_t written = 0; written < bytes && out; written += block.size()) out.write(block.data(), 4096);
}

const char* kProxyTable = "Invoices\tproxy:10.0.0.5\t20004\t\r\n";

TEST(RouterProxy, HandOffLeavesACompleteDataFileAndItsCompanion) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable);
  const std::string job = sandbox.MakeJob("job.prn", "proxy payload");

  sandbox.Run({job, "Invoices"}, {{"CORVANTA_TEST_RANDOM", "77"}});

  EXPECT_THAT(ListFolder(sandbox.proxyFolder()), ElementsAre("77_1.dat", "77_1.say"));
  EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/77_1.dat"), "proxy payload");
  EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/77_1.say"), "HostPort=10.0.0.5:20004\r\nKeyword=Invoices\r\n");
  EXPECT_EQ(ReadFileText(sandbox.counterPath()), CounterBytes(77, 1));
  EXPECT_FALSE(PathExists(job));
  EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
}

TEST(RouterProxy, NewCounterGetsARandomRunIdInRange) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable);
  sandbox.Run({sandbox.MakeJob("job.prn"), "Invoices"});

  const std::string counter = ReadFileText(sandbox.counterPath());
  ASSERT_EQ(counter.size(), 8u);
  int32_t runId = 0;
  for (int b = 3; b >= 0; --b) runId = static_cast<int32_t>((static_cast<uint32_t>(runId) << 8) | static_cast<uint8_t>(counter[b]));
  EXPECT_GE(runId, 0);
  EXPECT_LE(runId, 2147483646);
  EXPECT_EQ(counter.substr(4), CounterBytes(0, 1).substr(4));
  EXPECT_THAT(ListFolder(sandbox.proxyFolder()),
              ElementsAre(std::to_string(runId) + "_1.dat", std::to_string(runId) + "_1.say"));
}

TEST(RouterProxy, PrefixCaseAndEmptyHost) {
  RouterSandbox sandbox;
  sandbox.WriteTable("P\tPROXY:\t20004\t\r\nP\tPrOxY:host\t\t\r\n");
  sandbox.Run({sandbox.MakeJob("job.prn"), "P"}, {{"CORVANTA_TEST_RANDOM", "5"}});

  EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/5_1.say"), "HostPort=:20004\r\nKeyword=P\r\n");
  EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/5_2.say"), "HostPort=host:\r\nKeyword=P\r\n");
  EXPECT_EQ(ReadFileText(sandbox.counterPath()), CounterBytes(5, 2));
}

TEST(RouterProxy, ExistingCounterContinues) {
  struct Case {
    const char* name;
    std::string before;
    const char* random;
    std::string dataFile;
    std::string after;
  };
  const Case cases[] = {
      {"counter 77/41", CounterBytes(77, 41), "3", "77_42.dat", CounterBytes(77, 42)},
      {"4 bytes holding a run id", CounterBytes(9, 0).substr(0, 4), "3", "9_1.dat", CounterBytes(9, 1)},
      {"sequence at its maximum", CounterBytes(5, 2147483647), "3", "5_-2147483648.dat",
       CounterBytes(5, -2147483648)},
      {"random draw of 0", "", "0", "0_1.dat", CounterBytes(0, 1)},
      {"run id 0 draws again", CounterBytes(0, 1), "55", "55_2.dat", CounterBytes(55, 2)},
      {"bytes after the counter are kept", CounterBytes(1, 1) + "tail", "3", "1_2.dat", CounterBytes(1, 2) + "tail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    sandbox.WriteTable(kProxyTable);
    if (!c.before.empty()) WriteFileText(sandbox.counterPath(), c.before);

    sandbox.Run({sandbox.MakeJob("job.prn"), "Invoices"}, {{"CORVANTA_TEST_RANDOM", c.random}});

    EXPECT_TRUE(PathExists(sandbox.proxyFolder() + "/" + c.dataFile));
    EXPECT_EQ(ReadFileText(sandbox.counterPath()), c.after);
  }
}

TEST(RouterProxy, CounterThatCannotBeOpenedAbortsTheRun) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable + std::string("Invoices\thostB\t2\t0\r\n"));
  fs::create_directories(sandbox.proxyFolder());
  WriteFileText(sandbox.counterPath(), CounterBytes(77, 41));
  WriteFileText(sandbox.logPath(), "");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.OpenToEveryone();
  fs::permissions(sandbox.counterPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                             fs::perms::others_read);

  sandbox.Run({job, "Invoices"}, {}, /*asNobody=*/true);

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Open file " + sandbox.counterPath() + " error 5"));
  EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
  EXPECT_EQ(ReadFileText(sandbox.counterPath()), CounterBytes(77, 41));
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterProxy, CounterThatIsAPipeIsRefusedWithoutWaiting) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable);
  ASSERT_EQ(RunTool({"mkfifo", sandbox.counterPath()}), 0u);
  const std::string job = sandbox.MakeJob("job.prn");

  sandbox.Run({job, "Invoices"});

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Open file " + sandbox.counterPath() + " error 5"));
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterProxy, CounterOnAFullOrReadOnlyFileSystem) {
  struct Case {
    const char* name;
    bool readOnly;
    std::string message;
  };
  const Case cases[] = {{"full", false, "Write file %s error 112"}, {"read-only", true, "Open file %s error 19"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    const std::string small = sandbox.base() + "/small";
    if (!sandbox.MountTmpfs(small, "64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
    // The counter file alone lives on the small file system.
    WriteFileText(small + "/counter", "");
    FillUp(small + "/filler", c.readOnly ? 0 : 64 * 1024);
    WriteFileText(sandbox.counterPath(), "");
    if (!sandbox.BindMount(small + "/counter", sandbox.counterPath())) GTEST_SKIP() << "cannot bind-mount a file";
    if (c.readOnly && !sandbox.RemountReadOnly(sandbox.counterPath())) GTEST_SKIP() << "cannot remount read-only";
    sandbox.WriteTable(kProxyTable);
    const std::string job = sandbox.MakeJob("job.prn");

    sandbox.Run({job, "Invoices"});

    std::string expected = c.message;
    expected.replace(expected.find("%s"), 2, sandbox.counterPath());
    EXPECT_THAT(sandbox.LogMessages(), ElementsAre(expected));
    EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
    EXPECT_TRUE(PathExists(job));
  }
}

TEST(RouterProxy, TakenDataOrCompanionNameIsSkippedAndNeverReplaced) {
  for (const std::string taken : {"77_42.dat", "77_42.say"}) {
    SCOPED_TRACE(taken);
    RouterSandbox sandbox;
    sandbox.WriteTable(kProxyTable);
    WriteFileText(sandbox.counterPath(), CounterBytes(77, 41));
    WriteFileText(sandbox.proxyFolder() + "/" + taken, "older");
    const std::string job = sandbox.MakeJob("job.prn", "data");

    sandbox.Run({job, "Invoices"});

    EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
    EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/" + taken), "older");
    EXPECT_THAT(ListFolder(sandbox.proxyFolder()), ElementsAre(taken, "77_43.dat", "77_43.say"));
    EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/77_43.dat"), "data");
    EXPECT_EQ(ReadFileText(sandbox.counterPath()), CounterBytes(77, 43));
    EXPECT_FALSE(PathExists(job));
  }
}

TEST(RouterProxy, ProxyFolderThatCannotBeCreatedAbortsTheRun) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable);
  WriteFileText(sandbox.logPath(), "");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.OpenToEveryone();
  fs::permissions(sandbox.stampline(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);

  sandbox.Run({job, "Invoices"}, {}, /*asNobody=*/true);

  EXPECT_THAT(sandbox.LogMessages(),
              ElementsAre("ProxyDataThread:: colud not create dir. " + sandbox.proxyFolder()));
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterProxy, JobFileThatIsAFolderIsNotHandedOff) {
  RouterSandbox sandbox;
  sandbox.WriteTable(kProxyTable);
  const std::string job = sandbox.base() + "/jobs/folder";
  fs::create_directories(job);

  sandbox.Run({job, "Invoices"}, {{"CORVANTA_TEST_RANDOM", "8"}});

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Job file " + job + " is not a regular file; it is left in place"));
  EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
  EXPECT_TRUE(fs::is_directory(job));
}

}  // namespace
}  // namespace router_test
