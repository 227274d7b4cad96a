// Pending files: unseen while written, published whole under a name that no
// entry holds, nothing left when given up; the same with named temporaries.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/platform/file_publish.h"
#include "support/platform/files.h"
#include "support/platform/win_error.h"
#include "test_support.h"
#include "tests/common/scoped_env.h"

namespace {

namespace fs = std::filesystem;
using support_test::ListFolder;
using support_test::ReadFileText;
using support_test::TempFolder;

TEST(PendingFile, PublishesWholeNeverReplacesAndLeavesNothingWhenGivenUp) {
  for (const char* named : {"0", "1"}) {
    SCOPED_TRACE(std::string("named temporaries: ") + named);
    corvanta_test::ScopedEnv force("CORVANTA_TEST_NAMED_TEMPORARIES", std::string(named));
    TempFolder dir;
    fs::create_symlink(dir / "nowhere", dir / "taken");

    platform::PendingFile file;
    ASSERT_TRUE(file.Create(dir.path(), 0640));
    ASSERT_TRUE(platform::WriteAll(file.fd(), "data", 4));
    // Refused for an entry of that name, a dangling link included; the file
    // stays pending and takes another name.
    EXPECT_FALSE(file.Publish(dir / "taken", true));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    ASSERT_TRUE(file.Publish(dir / "final", true));
    EXPECT_EQ(ReadFileText(dir / "final"), "data");
    EXPECT_EQ(fs::status(dir / "final").permissions(), fs::perms(0640));

    {
      platform::PendingFile dropped;
      ASSERT_TRUE(dropped.Create(dir.path()));
      ASSERT_TRUE(platform::WriteAll(dropped.fd(), "part", 4));
    }
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"final", "taken"}));
  }
}

}  // namespace
