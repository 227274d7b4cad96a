// Reply files and the log on a full or read-only file system (small tmpfs
// mounts; skipped where this process may not mount).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/tmpfs_mount.h"
#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

using ::testing::Contains;
using corvanta_test::TmpfsMount;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearSettings();
    ClearLibraryLog();
  }
};

TEST_F(FileSystemTest, ReplyFileOnAFullFileSystem) {
  TmpfsMount mount(Root().path() + "/full");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 200000, std::string(200000, 'f'))});
  const std::string target = Root().path() + "/full/reply.out";
  int32_t length = 0;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                           &length, 5, 0),
            -16);
  EXPECT_EQ(length, 200000);
  EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.WriteFile() error 112"));
  // What fitted stays on disk.
  EXPECT_TRUE(PathExists(target));
  EXPECT_LT(ReadFileText(target).size(), 200000u);
}

TEST_F(FileSystemTest, ReplyFileOnAReadOnlyFileSystem) {
  TmpfsMount mount(Root().path() + "/readonly");
  if (!mount.mounted() || !mount.MakeReadOnly()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 3, "abc")});
  const std::string target = Root().path() + "/readonly/reply.out";
  int32_t length = 0;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                           &length, 5, 0),
            -13);
  EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.CreateFile() error 19"));
  EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.CreateFile() failed for " + target));
}

TEST_F(FileSystemTest, UnwritableLogNeverFailsACall) {
  std::filesystem::create_directories(Root().LogFolder());
  TmpfsMount mount(Root().LogFolder());
  if (!mount.mounted() || !mount.MakeReadOnly()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(7, 0)});
  char out[8];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), 7);
  EXPECT_EQ(Api().maicomm3("ID", "127.0.0.2:1", "QUERY_VERSION", 0, out, &length, 5, 0), 210061);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

}  // namespace
}  // namespace spooltest
