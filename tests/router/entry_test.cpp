// Starting a run: arguments, binding the client library, finding the table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/platform/files.h"
#include "support/version_record.h"
#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RouterEntry, FewerThanTwoArgumentsShowOnlyTheSyntaxMessage) {
  for (const bool withJob : {false, true}) {
    SCOPED_TRACE(withJob ? "job file only" : "no arguments");
    RouterSandbox sandbox;
    const std::string job = sandbox.MakeJob("job.prn", "payload");
    sandbox.WriteTable("P\tlocalcopy.invalid\t" + sandbox.base() + "/out\t\r\n");
    const std::vector<std::string> arguments = withJob ? std::vector<std::string>{job} : std::vector<std::string>{};

    const RouterRun run = sandbox.Run(arguments);

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.standardError, "rdx64 Handler Action: Syntax: " + sandbox.program() +
                                     " filename printername [document_title]\n");
    EXPECT_FALSE(PathExists(sandbox.logPath()));
    EXPECT_EQ(ReadFileText(job), "payload");
    EXPECT_FALSE(PathExists(sandbox.base() + "/out"));
  }
}

TEST(RouterEntry, MissingClientLibraryIsLoggedAndTheJobKept) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  if (!sandbox.HideInstalledClientLibraries()) GTEST_SKIP() << "a client library is installed and cannot be hidden";
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + sandbox.base() + "/out\t\r\n");

  const RouterRun run = sandbox.Run({job, "P"});

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Could not load qtlapi DLL, error 126"));
  EXPECT_TRUE(PathExists(job));
  EXPECT_FALSE(PathExists(sandbox.base() + "/out"));
  EXPECT_EQ(run.standardError, "");
}

TEST(RouterEntry, ClientLibraryWithoutTheEntryIsLoggedAndTheJobKept) {
  RouterSandbox sandbox(ClientLibrary::WithoutEntry);
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + sandbox.base() + "/out\t\r\n");

  const RouterRun run = sandbox.Run({job, "P"});

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("GetProcAddress() error 127"));
  EXPECT_TRUE(PathExists(job));
  EXPECT_FALSE(PathExists(sandbox.base() + "/out"));
}

TEST(RouterEntry, MissingTableWritesNothingAndKeepsTheJob) {
  for (const bool tableIsAFolder : {false, true}) {
    SCOPED_TRACE(tableIsAFolder ? "a folder in the table's place" : "no table");
    RouterSandbox sandbox;
    const std::string job = sandbox.MakeJob("job.prn");
    if (tableIsAFolder) fs::create_directories(sandbox.tablePath());

    const RouterRun run = sandbox.Run({job, "P"});

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(PathExists(sandbox.logPath()));
    EXPECT_TRUE(PathExists(job));
    EXPECT_THAT(sandbox.Calls(), IsEmpty());
  }
}

TEST(RouterEntry, UnreadableTableIsLoggedWithTheReasonAndTheJobKept) {
  RouterSandbox sandbox;
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.WriteTable("P\t10.0.0.1\t20100\t5\r\n");
  WriteFileText(sandbox.logPath(), "");
  sandbox.OpenToEveryone();
  fs::permissions(sandbox.tablePath(), fs::perms::owner_read | fs::perms::owner_write);

  const RouterRun run = sandbox.Run({job, "P"}, {}, /*asNobody=*/true);

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Error reading parameter file: Cannot open file \"" +
                                                 sandbox.tablePath() + "\". Access is denied"));
  EXPECT_TRUE(PathExists(job));
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
}

TEST(RouterEntry, ArgumentsAfterThePrinterAreIgnored) {
  RouterSandbox sandbox;
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.WriteTable("P\t10.0.0.1\t20100\t5\r\n");

  const RouterRun run = sandbox.Run({job, "P", "Document title", "more", "and more"});

  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_EQ(sandbox.Calls().size(), 1u);
  EXPECT_EQ(sandbox.Calls()[0].id, "P");
  EXPECT_FALSE(PathExists(job));
}

TEST(RouterEntry, MissingJobFileIsSentAndLoggedWithTheLibrarysResult) {
  RouterSandbox sandbox;
  const std::string job = sandbox.base() + "/jobs/never-written.prn";
  sandbox.WriteTable("P\t10.0.0.1\t20100\t5\r\n");

  const RouterRun run = sandbox.Run({job, "P"});

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to 10.0.0.1:20100 for P, ret=-5"));
}

TEST(RouterEntry, JobFileThatIsAFolderIsNeitherCopiedNorRemoved) {
  RouterSandbox sandbox;
  const std::string job = sandbox.base() + "/jobs/a-folder";
  fs::create_directories(job + "/inside");
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + sandbox.base() + "/out\t\r\nP\t10.0.0.1\t1\t0\r\n");

  const RouterRun run = sandbox.Run({job, "P"});

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Job file " + job + " is not a regular file; it is left in place"));
  EXPECT_TRUE(fs::is_directory(job + "/inside"));
  EXPECT_THAT(ListFolder(sandbox.base() + "/out"), IsEmpty());
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
}

TEST(RouterEntry, ProgramCarriesItsVersionRecord) {
  VersionRecord record;
  ASSERT_TRUE(ReadVersionRecord(ROUTER_PROGRAM, record));
  EXPECT_EQ(record.file[0], 1);
  EXPECT_EQ(record.file[1], 0);
  EXPECT_EQ(record.file[2], 9);
  EXPECT_EQ(record.file[3], 0);
  EXPECT_EQ(record.fileDescription, "64bit monitor Action");
}

}  // namespace
}  // namespace router_test
