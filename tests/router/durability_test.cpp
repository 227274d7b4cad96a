// What survives a crash or a power cut: every published file and its folder
// entry are on disk before the job is deleted, a killed run leaves no
// temporaries, and a proxy pair is one job's pair or nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/range_lock.h"
#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const Environment kNames = {{"CORVANTA_TEST_TICK_COUNT", "4242"}, {"CORVANTA_TEST_RANDOM", "77"}};

TEST(RouterDurability, EverythingPublishedIsFlushedBeforeTheJobIsDeleted) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  const std::string imports = sandbox.base() + "/imports";
  fs::create_directories(imports);
  sandbox.WriteQuilletSettings("<Q><Quill><ImportPath>" + imports + "</ImportPath></Quill></Q>");
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + out + "\t\r\nP\tproxy:h\t1\t\r\nP\tquillet:1\t\t\r\n");
  const std::string job = sandbox.MakeJob("job.prn");
  const std::string trace = sandbox.base() + "/sync-trace.txt";
  Environment environment = kNames;
  environment.emplace_back("CORVANTA_TEST_SYNC_TRACE", trace);

  sandbox.Run({job, "P"}, environment);

  const std::string proxy = sandbox.proxyFolder();
  EXPECT_THAT(SplitText(ReadFileText(trace), '\n'),
              ElementsAre("file " + out + "/4242.1.prn", "folder " + out,
                          "file " + fs::canonical(sandbox.counterPath()).string(),
                          "file " + proxy + "/77_1.dat", "folder " + proxy,
                          "file " + proxy + "/77_1.say", "folder " + proxy,
                          "file " + imports + "/4242_1.ps", "folder " + imports, "folder " + sandbox.base() + "/jobs",
                          "delete " + job, ""));
  EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
}

// A power cut right after the run: the disk image is copied while still
// mounted (what the file system has not written out is not in the copy),
// then the copy is mounted and must hold every file the run published.
TEST(RouterDurability, PublishedFilesSurviveAPowerCutAfterTheRun) {
  RouterSandbox sandbox;
  const std::string image = sandbox.base() + "/disk.img";
  if (RunTool({"truncate", "-s", "64M", image}) != 0 || RunTool({"mkfs.ext4", "-q", "-F", image}) != 0 ||
      !sandbox.MountImage(image, sandbox.stampline())) {
    GTEST_SKIP() << "cannot make and mount an ext4 image on a loop device here";
  }
  const std::string stampline = sandbox.stampline();
  const std::string job = stampline + "/jobs/job.prn";
  WriteFileText(job, "the whole job");
  // The monitor's job file is on disk before the router starts.
  ASSERT_EQ(RunTool({"sync", "-f", job}), 0u);
  sandbox.WriteQuilletSettings("<Q><Quill><ImportPath>" + stampline + "/imports</ImportPath></Quill></Q>");
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + stampline + "/out\t\r\nP\tproxy:h\t1\t\r\nP\tquillet:1\t\t\r\n");

  sandbox.Run({job, "P"}, kNames);
  ASSERT_EQ(RunTool({"cp", "--sparse=always", image, image + ".cut"}), 0u);

  const std::string after = sandbox.base() + "/after";
  // Mounted writable so that the journal can be replayed, as after a reboot.
  ASSERT_TRUE(sandbox.MountImage(image + ".cut", after));
  EXPECT_FALSE(PathExists(after + "/jobs/job.prn"));
  EXPECT_EQ(ReadFileText(after + "/out/4242.1.prn"), "the whole job");
  EXPECT_EQ(ReadFileText(after + "/proxydata/77_1.dat"), "the whole job");
  EXPECT_EQ(ReadFileText(after + "/proxydata/77_1.say"), "HostPort=h:1\r\nKeyword=P\r\n");
  EXPECT_EQ(ReadFileText(after + "/PROXYDATA.dat"), std::string("\x4d\0\0\0\x01\0\0\0", 8));
  EXPECT_EQ(ReadFileText(after + "/imports/4242_1.ps"), "the whole job");
}

// Where temporaries need names, those of dead runs go; live ones stay.
TEST(RouterDurability, StaleNamedTemporariesAreRemovedAndLiveOnesKept) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
  for (const char* name : {".~pending-stale1", ".~pending-fresh1", ".~pending-held1"}) {
    WriteFileText(out + "/" + name, "part of a job");
    if (std::string(name) != ".~pending-fresh1") fs::last_write_time(out + "/" + name, old);
  }
  // A writer that lives holds its temporary locked.
  platform::FileHandle held;
  ASSERT_TRUE(platform::OpenRegularForReadWrite(out + "/.~pending-held1", held));
  platform::RangeLock lock;
  ASSERT_TRUE(lock.Lock(held.get(), 0, 1));
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + out + "\t\r\n");

  sandbox.Run({sandbox.MakeJob("job.prn", "job"), "P"}, {{"CORVANTA_TEST_TICK_COUNT", "4242"},
                                                        {"CORVANTA_TEST_NAMED_TEMPORARIES", "1"}});

  EXPECT_THAT(ListFolder(out), ElementsAre(".~pending-fresh1", ".~pending-held1", "4242.1.prn"));
  EXPECT_EQ(ReadFileText(out + "/4242.1.prn"), "job");
}

// True once the process has a file open in `folder` (the copy in progress).
bool WritesInto(int pid, const std::string& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const std::string target = fs::read_symlink(entry.path(), error).string();
    if (!error && target.starts_with(folder + "/")) return true;
  }
  return false;
}

TEST(RouterDurability, RunKilledDuringACopyLeavesNothingBehind) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  fs::create_directories(out);
  sandbox.WriteTable("P\tlocalcopy.invalid\t" + out + "\t\r\n");
  const std::string big(256 << 20, 'j');
  bool caught = false;
  for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
    const std::string job = sandbox.MakeJob("big.prn", big);
    platform::ChildProcess child;
    ASSERT_TRUE(sandbox.Start(child, {job, "P"}, {}, sandbox.base() + "/stderr.txt"));
    while (child.Running()) {
      if (WritesInto(child.pid(), out)) {
        ::kill(child.pid(), SIGKILL);
        caught = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    child.Wait(60000);
    if (!caught) {
      // It finished first: clear up and try again.
      fs::remove_all(out);
      fs::create_directories(out);
    }
  }
  ASSERT_TRUE(caught) << "the copy always ended before it could be interrupted";
  EXPECT_THAT(ListFolder(out), IsEmpty());
}

TEST(RouterDurability, ProxyFolderTooFullForTheCompanionGetsNeitherFile) {
  RouterSandbox sandbox;
  if (!sandbox.MountTmpfs(sandbox.proxyFolder(), "64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  sandbox.WriteTable("P\tproxy:h\t1\t\r\n");
  // The data file takes all the room there is.
  const std::string job = sandbox.MakeJob("job.prn", std::string(64 * 1024, 'd'));

  sandbox.Run({job, "P"}, kNames);

  EXPECT_THAT(ListFolder(sandbox.proxyFolder()), IsEmpty());
  const auto messages = sandbox.LogMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].substr(0, 12), "Create file ");
  EXPECT_TRUE(PathExists(job));
}

}  // namespace
}  // namespace router_test
