// What an operator or another user can put where the router expects a job
// file, a routing table or the importer's settings: never a hang, never a
// job lost, one clear log line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RouterOddInputs, JobThatIsNotARegularFileIsNeitherReadNorTouched) {
  struct Case {
    const char* name;
    std::vector<std::string> make;  // command making the entry; "@" stands for its path
  };
  const Case cases[] = {
      {"folder", {"mkdir", "@"}},
      {"FIFO", {"mkfifo", "@"}},
      {"device like /dev/zero", {"mknod", "@", "c", "1", "5"}},
      {"link to a regular file", {"ln", "-s", "/etc/hostname", "@"}},
      {"dangling link", {"ln", "-s", "/nonexistent/job", "@"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    const std::string job = sandbox.base() + "/jobs/odd";
    std::vector<std::string> make = c.make;
    for (auto& argument : make) {
      if (argument == "@") argument = job;
    }
    ASSERT_EQ(RunTool(make), 0u);
    const fs::file_type typeBefore = fs::symlink_status(job).type();
    const std::string copies = sandbox.base() + "/copies";
    const std::string imports = sandbox.base() + "/imports";
    sandbox.WriteQuilletSettings("<Q><Quill><ImportPath>" + imports + "</ImportPath></Quill></Q>");
    // Every kind of destination: none may read, send, copy or move the entry.
    sandbox.WriteTable("P\thost\t1\t0\r\nP\tlocalcopy.invalid\t" + copies + "\t\r\nP\tproxy:h\t2\t\r\nP\tquillet:1\t\t\r\n");

    const RouterRun run = sandbox.Run({job, "P"});

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Job file " + job + " is not a regular file; it is left in place"));
    EXPECT_EQ(fs::symlink_status(job).type(), typeBefore);
    EXPECT_THAT(sandbox.Calls(), IsEmpty());
    EXPECT_THAT(ListFolder(copies), IsEmpty());
    EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
    EXPECT_THAT(ListFolder(imports), IsEmpty());
  }
}

TEST(RouterOddInputs, RelativeJobPathReachesTheLibraryAsAFullPath) {
  RouterSandbox sandbox;
  sandbox.WriteTable("P\thost\t20100\t0\r\n");
  // A job named like one of the library's commands must still be sent as a file.
  sandbox.MakeJob("ISSUE_Z", "job bytes");
  sandbox.UseWorkingFolder(sandbox.base() + "/jobs");

  sandbox.Run({"ISSUE_Z", "P"});

  const std::string job = sandbox.base() + "/jobs/ISSUE_Z";
  ASSERT_EQ(sandbox.Calls().size(), 1u);
  EXPECT_EQ(sandbox.Calls()[0].input, job);
  EXPECT_EQ(sandbox.Calls()[0].inputSize, 9);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to host:20100 for P, ret=-13"));
  EXPECT_FALSE(PathExists(job));
}

TEST(RouterOddInputs, TableWithAByteOrderMarkOrBehindALinkKeepsItsFirstRecord) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "table behind a link" : "byte-order mark");
    RouterSandbox sandbox;
    const std::string content = "\xEF\xBB\xBFP\thost\t20100\t7\r\n";
    if (linked) {
      WriteFileText(sandbox.base() + "/real-table", content);
      fs::create_symlink(sandbox.base() + "/real-table", sandbox.tablePath());
    } else {
      sandbox.WriteTable(content);
    }
    sandbox.Run({sandbox.MakeJob("job.prn"), "P"});
    ASSERT_EQ(sandbox.Calls().size(), 1u);
    EXPECT_EQ(sandbox.Calls()[0].server, "host:20100");
    EXPECT_EQ(sandbox.Calls()[0].timeout, 7);
  }
}

TEST(RouterOddInputs, UnreadableTableOrSettingsKeepTheJob) {
  struct Case {
    const char* name;
    bool fifoTable;
    std::string settings;  // empty: a FIFO in the settings file's place
    std::string logLine;   // "@" stands for the table's path
  };
  const Case cases[] = {
      {"FIFO as the routing table", true, "", "Error reading parameter file: Cannot open file \"@\". Access is denied"},
      {"FIFO as the settings file", false, "", "psOutPath not set!"},
      {"settings in an encoding the parser cannot decode", false,
       "<?xml version=\"1.0\" encoding=\"windows-1253\"?>\n<Q><Quill><ImportPath>/tmp/\xE1</ImportPath></Quill></Q>",
       "psOutPath not set!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    if (c.fifoTable) {
      ASSERT_EQ(RunTool({"mkfifo", sandbox.tablePath()}), 0u);
    } else {
      sandbox.WriteTable("P\tquillet:1\t\t\r\n");
    }
    if (c.settings.empty()) {
      ASSERT_EQ(RunTool({"mkfifo", sandbox.quilletSettingsPath()}), 0u);
    } else {
      sandbox.WriteQuilletSettings(c.settings);
    }
    const std::string job = sandbox.MakeJob("job.prn");

    sandbox.Run({job, "P"});

    std::string expected = c.logLine;
    if (const auto at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, sandbox.tablePath());
    const auto messages = sandbox.LogMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].substr(0, expected.size()), expected);
    EXPECT_TRUE(PathExists(job));
  }
}

}  // namespace
}  // namespace router_test
