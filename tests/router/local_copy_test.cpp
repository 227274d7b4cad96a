// Local copies: folder creation, names from the tick count, copies that never
// overwrite and never leave a partial file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string LocalCopyLine(const std::string& folder) { return "P\tlocalcopy.invalid\t" + folder + "\t\r\n"; }

TEST(RouterLocalCopy, CopyIsNamedFromTickAndCounterInACreatedFolder) {
  struct Case {
    const char* name;
    std::string folderSuffix;
  };
  const Case cases[] = {{"plain", "/out/a/b"}, {"trailing delimiter", "/out/a/b/"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    sandbox.WriteTable(LocalCopyLine(sandbox.base() + c.folderSuffix));
    const std::string job = sandbox.MakeJob("job.prn", "the job");

    sandbox.Run({job, "P"}, {{"CORVANTA_TEST_TICK_COUNT", "4242"}});

    EXPECT_THAT(ListFolder(sandbox.base() + "/out/a/b"), ElementsAre("4242.1.prn"));
    EXPECT_EQ(ReadFileText(sandbox.base() + "/out/a/b/4242.1.prn"), "the job");
    EXPECT_FALSE(PathExists(job));
    EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
    EXPECT_THAT(sandbox.Calls(), IsEmpty());
  }
}

TEST(RouterLocalCopy, TakenNamesAreSkippedAndNeverTouched) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  fs::create_directories(out + "/4242.2.prn");  // a folder takes a name as well
  WriteFileText(out + "/4242.1.prn", "one");
  WriteFileText(out + "/4242.3.prn", "three");
  sandbox.WriteTable(LocalCopyLine(out) + LocalCopyLine(out));

  sandbox.Run({sandbox.MakeJob("job.prn", "new"), "P"}, {{"CORVANTA_TEST_TICK_COUNT", "4242"}});

  EXPECT_THAT(ListFolder(out), ElementsAre("4242.1.prn", "4242.2.prn", "4242.3.prn", "4242.4.prn", "4242.5.prn"));
  EXPECT_EQ(ReadFileText(out + "/4242.1.prn"), "one");
  EXPECT_EQ(ReadFileText(out + "/4242.3.prn"), "three");
  EXPECT_EQ(ReadFileText(out + "/4242.4.prn"), "new");
  EXPECT_EQ(ReadFileText(out + "/4242.5.prn"), "new");
}

TEST(RouterLocalCopy, TickCountAbove2147483647GivesANegativeName) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteTable("P\tLOCALCOPY.INVALID\t" + out + "\t\r\n");
  sandbox.Run({sandbox.MakeJob("job.prn"), "P"}, {{"CORVANTA_TEST_TICK_COUNT", "3000000000"}});
  EXPECT_THAT(ListFolder(out), ElementsAre("-1294967296.1.prn"));
}

TEST(RouterLocalCopy, EmptyFolderAbortsTheRunAndKeepsTheJob) {
  RouterSandbox sandbox;
  sandbox.WriteTable("P\thostA\t1\t0\r\nP\tlocalcopy.invalid\t\t\r\nP\thostB\t2\t0\r\n");
  const std::string job = sandbox.MakeJob("job.prn");

  sandbox.Run({job, "P"});

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to hostA:1 for P, ret=-13",
                                                 "ForceDirectories() error: Unable to create directory"));
  EXPECT_EQ(sandbox.Calls().size(), 1u);
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterLocalCopy, FolderThatCannotBeCreatedAbortsTheRun) {
  RouterSandbox sandbox;
  const std::string locked = sandbox.base() + "/locked";
  const std::string out = locked + "/out";
  fs::create_directories(locked);
  sandbox.WriteTable(LocalCopyLine(out) + "P\thostB\t2\t0\r\n");
  const std::string job = sandbox.MakeJob("job.prn");
  WriteFileText(sandbox.logPath(), "");
  sandbox.OpenToEveryone();
  fs::permissions(locked, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);

  sandbox.Run({job, "P"}, {}, /*asNobody=*/true);

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Could not create folder " + out));
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterLocalCopy, FullFileSystemLeavesNothingBehindAndKeepsTheJob) {
  RouterSandbox sandbox;
  const std::string full = sandbox.base() + "/full";
  if (!sandbox.MountTmpfs(full, "64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  sandbox.WriteTable(LocalCopyLine(full));
  const std::string job = sandbox.MakeJob("job.prn", std::string(512 * 1024, 'j'));

  sandbox.Run({job, "P"});

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Copy file error 112"));
  EXPECT_THAT(ListFolder(full), IsEmpty());
  EXPECT_EQ(fs::file_size(job), 512u * 1024u);
}

TEST(RouterLocalCopy, ReadOnlyFileSystemKeepsTheJob) {
  RouterSandbox sandbox;
  const std::string readOnly = sandbox.base() + "/ro";
  if (!sandbox.MountTmpfs(readOnly, "1m") || !sandbox.RemountReadOnly(readOnly)) {
    GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  }
  sandbox.WriteTable(LocalCopyLine(readOnly));
  const std::string job = sandbox.MakeJob("job.prn");

  sandbox.Run({job, "P"});

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Copy file error 19"));
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterLocalCopy, SpoolerSendThenCopyBothHappen) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteTable("P\t10.0.0.1\t20100\t5\r\n" + LocalCopyLine(out));
  const std::string job = sandbox.MakeJob("job.prn", "both");

  sandbox.Run({job, "P"}, {{"CORVANTA_TEST_TICK_COUNT", "9"}});

  ASSERT_EQ(sandbox.Calls().size(), 1u);
  EXPECT_EQ(sandbox.Calls()[0].inputSize, 4);
  EXPECT_EQ(ReadFileText(out + "/9.1.prn"), "both");
  EXPECT_FALSE(PathExists(job));
}

}  // namespace
}  // namespace router_test
