// The daily job log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RouterLog, FileAndLinesAreNamedFromOneReadingOfTheLocalDate) {
  RouterSandbox sandbox;
  sandbox.WriteTable("");
  sandbox.Run({sandbox.MakeJob("a.prn"), "First"}, {{"CORVANTA_TEST_LOCAL_TIME", "2031-12-31 23:59:58.999"}});
  sandbox.Run({sandbox.MakeJob("b.prn"), "Second"}, {{"CORVANTA_TEST_LOCAL_TIME", "2032-01-01 00:00:01.000"}});
  sandbox.Run({sandbox.MakeJob("c.prn"), "Third"}, {{"CORVANTA_TEST_LOCAL_TIME", "2032-01-01 07:08:09.000"}});

  EXPECT_EQ(ReadFileText(sandbox.stampline() + "/rdx6420311231.txt"),
            "2031-12-31 23:59:58 Did not locate printer First in param. file\r\n");
  EXPECT_EQ(ReadFileText(sandbox.stampline() + "/rdx6420320101.txt"),
            "2032-01-01 00:00:01 Did not locate printer Second in param. file\r\n"
            "2032-01-01 07:08:09 Did not locate printer Third in param. file\r\n");
}

TEST(RouterLog, MissingStamplineFolderDropsLinesButNotTheJob) {
  RouterSandbox sandbox;
  fs::remove_all(sandbox.stampline());
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + out + "\t\r\nP\thost\t1\t0\r\n");
  const std::string job = sandbox.MakeJob("job.prn");

  sandbox.Run({job, "P"}, {{"CORVANTA_TEST_TICK_COUNT", "1"}});

  EXPECT_THAT(ListFolder(out), ElementsAre("1.1.prn"));
  EXPECT_EQ(sandbox.Calls().size(), 1u);
  EXPECT_FALSE(PathExists(job));
  EXPECT_FALSE(PathExists(sandbox.stampline()));
}

TEST(RouterLog, MissingDataFolderIsCreatedButNotItsStamplineFolder) {
  RouterSandbox sandbox;
  fs::remove_all(sandbox.root() + "/var");
  sandbox.WriteTable("");
  const std::string job = sandbox.MakeJob("job.prn");

  sandbox.Run({job, "P"});

  EXPECT_TRUE(fs::is_directory(sandbox.dataDir()));
  EXPECT_FALSE(PathExists(sandbox.stampline()));
  EXPECT_FALSE(PathExists(job));
}

TEST(RouterLog, LineBreaksInAMessageAreWrittenUnchanged) {
  RouterSandbox sandbox;
  sandbox.WriteTable("");
  sandbox.Run({sandbox.MakeJob("job.prn"), "Two\r\nLines\rand\nmore"});
  EXPECT_EQ(ReadFileText(sandbox.logPath()),
            std::string(kLogStamp) + "Did not locate printer Two\r\nLines\rand\nmore in param. file\r\n");
}

TEST(RouterLog, LinesAreAppendedToTheDaysFile) {
  RouterSandbox sandbox;
  WriteFileText(sandbox.logPath(), "earlier line\r\n");
  sandbox.WriteTable("");
  sandbox.Run({sandbox.MakeJob("job.prn"), "P"});
  EXPECT_THAT(sandbox.LogLines(),
              ElementsAre("earlier line", std::string(kLogStamp) + "Did not locate printer P in param. file"));
}

TEST(RouterLog, UnwritableOrOddLogFileNeverStopsTheJob) {
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "a pipe in the log's place" : "log not writable");
    RouterSandbox sandbox;
    // The copy fails (an empty folder text), so a line is due.
    sandbox.WriteTable("P\tlocalcopy.invalid\t\t\r\n");
    const std::string job = sandbox.MakeJob("job.prn");
    if (pipe) {
      ASSERT_EQ(RunTool({"mkfifo", sandbox.logPath()}), 0u);
    } else {
      WriteFileText(sandbox.logPath(), "");
    }
    sandbox.OpenToEveryone();
    if (!pipe) fs::permissions(sandbox.logPath(), fs::perms::owner_read | fs::perms::owner_write);

    const RouterRun run = sandbox.Run({job, "P"}, {}, /*asNobody=*/!pipe);

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.standardError, "");
    EXPECT_TRUE(PathExists(job));
    if (!pipe) {
      EXPECT_EQ(ReadFileText(sandbox.logPath()), "");
    }
  }
}

TEST(RouterLog, LineCutShortByAFullDiskIsTakenBack) {
  RouterSandbox sandbox;
  if (!sandbox.MountTmpfs(sandbox.stampline(), "8k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  // The log's last page has room for a few bytes of the next line only, and
  // no page is left for the rest of it.
  const std::string earlier = std::string(4096 - 12, 'x') + "\r\n";
  WriteFileText(sandbox.logPath(), earlier);
  WriteFileText(sandbox.stampline() + "/filler", std::string(4096, 'f'));
  sandbox.WriteTable("");

  sandbox.Run({sandbox.MakeJob("a.prn"), "First"});
  EXPECT_EQ(ReadFileText(sandbox.logPath()), earlier);

  fs::remove(sandbox.stampline() + "/filler");
  sandbox.Run({sandbox.MakeJob("b.prn"), "Second"});
  EXPECT_EQ(ReadFileText(sandbox.logPath()),
            earlier + kLogStamp + "Did not locate printer Second in param. file\r\n");
}

}  // namespace
}  // namespace router_test
