// Symbolic links that another member of the print group plants where the
// router writes: never followed, and never mistaken for a free name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RouterPlantedLinks, SharedFilesAreNeverOpenedThroughALink) {
  struct Case {
    const char* name;
    bool counter;  // the link is PROXYDATA.dat (else the day's log)
    bool dangling;
  };
  const Case cases[] = {
      {"log linked to a file", false, false},
      {"log linked to nothing", false, true},
      {"counter linked to a file", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    const std::string victim = sandbox.base() + "/victim";
    if (!c.dangling) WriteFileText(victim, "0123456789 precious");
    fs::create_symlink(victim, c.counter ? sandbox.counterPath() : sandbox.logPath());
    sandbox.WriteTable(c.counter ? "P\tproxy:h\t1\t\r\n" : "");
    const std::string job = sandbox.MakeJob("job.prn");

    sandbox.Run({job, "P"});

    if (c.dangling) {
      EXPECT_FALSE(PathExists(victim));
    } else {
      EXPECT_EQ(ReadFileText(victim), "0123456789 precious");
    }
    EXPECT_TRUE(fs::is_symlink(c.counter ? sandbox.counterPath() : sandbox.logPath()));
    if (c.counter) {
      // Refused like a FIFO there: the hand-off fails and the job stays.
      EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
      EXPECT_TRUE(PathExists(job));
    }
  }
}

TEST(RouterPlantedLinks, DanglingLinkTakesItsName) {
  struct Case {
    const char* name;
    std::string table;          // "@" stands for the destination folder
    std::string linkName;       // planted in the destination folder
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"local copy", "P\tlocalcopy.invalid\t@\t\r\n", "4242.1.prn", {"4242.1.prn", "4242.2.prn"}},
      {"Quillet import", "P\tquillet:1\t\t\r\n", "4242_1.ps", {"4242_1.ps", "4242_2.ps"}},
      {"proxy companion", "P\tproxy:h\t1\t\r\n", "77_1.say", {"77_1.say", "77_2.dat", "77_2.say"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    const bool proxy = c.linkName.ends_with(".say");
    const std::string folder = proxy ? sandbox.proxyFolder() : sandbox.base() + "/out";
    fs::create_directories(folder);
    fs::create_symlink(sandbox.base() + "/nowhere", folder + "/" + c.linkName);
    std::string table = c.table;
    if (const auto at = table.find('@'); at != std::string::npos) table.replace(at, 1, folder);
    sandbox.WriteTable(table);
    sandbox.WriteQuilletSettings("<Q><Quill><ImportPath>" + folder + "</ImportPath></Quill></Q>");
    const std::string job = sandbox.MakeJob("job.prn", "data");

    sandbox.Run({job, "P"}, {{"CORVANTA_TEST_TICK_COUNT", "4242"}, {"CORVANTA_TEST_RANDOM", "77"}});

    EXPECT_THAT(ListFolder(folder), ::testing::ElementsAreArray(c.after));
    EXPECT_TRUE(fs::is_symlink(folder + "/" + c.linkName));
    EXPECT_FALSE(PathExists(sandbox.base() + "/nowhere"));
    EXPECT_EQ(ReadFileText(folder + "/" + c.after.back().substr(0, c.after.back().size() - 4) +
                           (proxy ? ".dat" : c.after.back().substr(c.after.back().size() - 4))),
              "data");
    EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
    EXPECT_FALSE(PathExists(job));
  }
}

}  // namespace
}  // namespace router_test
