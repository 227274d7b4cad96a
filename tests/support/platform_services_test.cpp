// The smaller platform services the deliverables share: regular-file opens,
// positioned reads, create dispositions, unique files, folder listing,
// process identity, error texts, the random seam, watched child processes and
// termination handling.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "support/platform/child_process.h"
#include "support/platform/directory_listing.h"
#include "support/platform/file_create.h"
#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/process_identity.h"
#include "support/platform/random.h"
#include "support/platform/win_error.h"
#include "support/platform/win_error_text.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using support_test::ReadFileText;
using support_test::ScopedEnv;
using support_test::TempFolder;
using support_test::WriteFileText;

TEST(RegularFileOpen, RefusesFifosAndLinksWithoutBlockingOrFollowing) {
  TempFolder dir;
  WriteFileText(dir / "target", "untouched");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir / "target", dir / "link");
  fs::create_symlink(dir / "missing", dir / "dangling");
  for (const char* name : {"fifo", "link", "dangling"}) {
    SCOPED_TRACE(name);
    platform::FileHandle file;
    platform::SetLastError(0);
    EXPECT_FALSE(platform::OpenRegularForAppend(dir / name, file));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
    EXPECT_FALSE(platform::OpenRegularForReadWrite(dir / name, file));
    EXPECT_FALSE(file.valid());
  }
  EXPECT_EQ(ReadFileText(dir / "target"), "untouched");
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(RegularFileOpen, ACreatedFileGetsItsModeWhateverTheUmask) {
  TempFolder dir;
  const mode_t old = ::umask(077);
  platform::FileHandle file;
  const bool opened = platform::OpenRegularForAppend(dir / "shared.txt", file, 0664);
  ::umask(old);
  ASSERT_TRUE(opened);
  EXPECT_EQ(fs::status(dir / "shared.txt").permissions(), static_cast<fs::perms>(0664));
  // An existing file keeps the mode it has.
  fs::permissions(dir / "shared.txt", static_cast<fs::perms>(0600));
  ASSERT_TRUE(platform::OpenRegularForAppend(dir / "shared.txt", file, 0664));
  EXPECT_EQ(fs::status(dir / "shared.txt").permissions(), static_cast<fs::perms>(0600));
}

TEST(RegularFileOpen, CreatesAppendsAndReadsAtOffsets) {
  TempFolder dir;
  for (const char* piece : {"0123", "4567"}) {
    platform::FileHandle file;
    ASSERT_TRUE(platform::OpenRegularForAppend(dir / "log", file));
    ASSERT_TRUE(platform::WriteAll(file.get(), piece, 4));
  }
  platform::FileHandle file;
  ASSERT_TRUE(platform::OpenRegularForReadWrite(dir / "log", file));
  char buffer[8] = {};
  std::size_t got = 0;
  ASSERT_TRUE(platform::ReadAt(file.get(), 2, buffer, 4, got));
  EXPECT_EQ(std::string(buffer, got), "2345");
  ASSERT_TRUE(platform::ReadAt(file.get(), 6, buffer, 8, got));  // stops at the end
  EXPECT_EQ(std::string(buffer, got), "67");
  ASSERT_TRUE(platform::SeekTo(file.get(), 1));
  ASSERT_TRUE(platform::WriteAll(file.get(), "X", 1));
  EXPECT_EQ(ReadFileText(dir / "log"), "0X234567");
}

TEST(CreateDispositions, NewRefusesAnExistingNameAlwaysEmptiesIt) {
  TempFolder dir;
  WriteFileText(dir / "reply", "old reply");
  platform::FileHandle file;
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CreateNewFile(dir / "reply", file));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  EXPECT_EQ(ReadFileText(dir / "reply"), "old reply");
  ASSERT_TRUE(platform::CreateAlwaysFile(dir / "reply", file));
  ASSERT_TRUE(platform::WriteAll(file.get(), "new", 3));
  EXPECT_EQ(ReadFileText(dir / "reply"), "new");
  platform::FileHandle fresh;
  ASSERT_TRUE(platform::CreateNewFile(dir / "capture", fresh));
  EXPECT_TRUE(fs::exists(dir / "capture"));
}

TEST(CreateUniqueFile, DistinctNamesWithTheExactMode) {
  TempFolder dir;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    platform::FileHandle file;
    std::string path;
    ASSERT_TRUE(platform::CreateUniqueFile(dir.path(), "job", ".prn", file, path, 0640));
    const std::string name = fs::path(path).filename();
    EXPECT_EQ(name.size(), 3u + 6u + 4u) << name;
    EXPECT_EQ(name.rfind("job", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".prn") << name;
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    names.insert(path);
  }
  EXPECT_EQ(names.size(), 20u);
  platform::FileHandle file;
  std::string path;
  EXPECT_FALSE(platform::CreateUniqueFile(dir / "missing", "job", ".prn", file, path));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

TEST(CopyFileData, CopiesWhatRemainsFromTheCurrentPosition) {
  TempFolder dir;
  WriteFileText(dir / "source", "headerBODY");
  platform::FileHandle from;
  platform::FileHandle to;
  ASSERT_TRUE(platform::OpenForRead(dir / "source", from));
  ASSERT_TRUE(platform::SeekTo(from.get(), 6));
  ASSERT_TRUE(platform::CreateNewFile(dir / "target", to));
  ASSERT_TRUE(platform::CopyFileData(from.get(), to.get()));
  EXPECT_EQ(ReadFileText(dir / "target"), "BODY");
}

TEST(DirectoryListing, NamesFilesAndFolders) {
  TempFolder dir;
  WriteFileText(dir / "a.txt", "");
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "sub", dir / "link");
  std::vector<platform::DirectoryEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir.path(), entries));
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "a.txt");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_EQ(entries[1].name, "link");
  EXPECT_TRUE(entries[1].isDirectory);
  EXPECT_EQ(entries[2].name, "sub");
  EXPECT_TRUE(entries[2].isDirectory);
  EXPECT_FALSE(platform::ListDirectory(dir / "missing", entries));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

TEST(ProcessIdentity, ProgramPathAndThreadIds) {
  EXPECT_EQ(platform::ExecutablePath(), fs::read_symlink("/proc/self/exe").string());
  const uint32_t mine = platform::CurrentThreadId();
  uint32_t other = mine;
  std::thread([&] { other = platform::CurrentThreadId(); }).join();
  EXPECT_NE(other, mine);
  EXPECT_NE(platform::CurrentProcessId(), 0u);
}

TEST(ErrorText, WindowsWordingAndTheUnknownCase) {
  EXPECT_EQ(platform::SysErrorMessage(2), "The system cannot find the file specified");
  EXPECT_EQ(platform::SysErrorMessage(80), "The file exists");
  EXPECT_EQ(platform::SysErrorMessage(112), "There is not enough space on the disk");
  EXPECT_EQ(platform::SysErrorMessage(99999), "System Error.  Code: 99999.");
}

TEST(Random, SeamsChooseTheValue) {
  struct RealSourceAtEnd {
    ~RealSourceAtEnd() { platform::SetRandomSource({}); }
  } restore;
  platform::SetRandomSource([] { return 7u; });
  EXPECT_EQ(platform::RandomUInt32(), 7u);
  EXPECT_EQ(platform::RandomInRange(10, 12), 11);  // 10 + 7 mod 3
  EXPECT_EQ(platform::RandomInRange(5, 5), 5);
  platform::SetRandomSource({});
  {
    ScopedEnv fixed("CORVANTA_TEST_RANDOM", std::string("4294967295"));
    EXPECT_EQ(platform::RandomUInt32(), 4294967295u);
  }
  // The real source: a range is never left, and values vary.
  std::set<int32_t> seen;
  for (int i = 0; i < 200; ++i) {
    const int32_t value = platform::RandomInRange(-3, 3);
    ASSERT_GE(value, -3);
    ASSERT_LE(value, 3);
    seen.insert(value);
  }
  EXPECT_GT(seen.size(), 1u);
}

TEST(ChildProcess, WaitsWithALimitAndStopsItsChild) {
  platform::ChildProcess child;
  ASSERT_TRUE(child.Start({support_test::HelperPath(), "wait-forever"}));
  EXPECT_TRUE(child.Running());
  EXPECT_FALSE(child.Wait(50));
  child.Terminate(5000);
  EXPECT_FALSE(child.Running());
  EXPECT_EQ(child.exitCode(), 128u + 15u);  // ended by SIGTERM
}

TEST(ChildProcess, EnvironmentAndOutputFile) {
  TempFolder dir;
  platform::ChildProcessOptions options;
  options.environment = {{"CORVANTA_CHILD_VALUE", "from the parent"}};
  options.standardOutput = dir / "stdout";
  platform::ChildProcess child;
  ASSERT_TRUE(child.Start({support_test::HelperPath(), "env", "CORVANTA_CHILD_VALUE", dir / "value"}, options));
  uint32_t exitCode = 1;
  ASSERT_TRUE(child.Wait(60000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadFileText(dir / "value"), "from the parent");
  EXPECT_TRUE(fs::exists(dir / "stdout"));

  platform::ChildProcessOptions bare;
  bare.clearEnvironment = true;
  platform::ChildProcess clean;
  ASSERT_TRUE(clean.Start({support_test::HelperPath(), "env", "HOME", dir / "home"}, bare));
  ASSERT_TRUE(clean.Wait(60000, &exitCode));
  EXPECT_EQ(ReadFileText(dir / "home"), "(unset)");
}

TEST(ChildProcess, MissingProgramIsErrorTwo) {
  platform::ChildProcess child;
  platform::SetLastError(0);
  EXPECT_FALSE(child.Start({"/nonexistent/program"}));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

TEST(Termination, RequestRemovesTheAbandonedFileAndEnds) {
  TempFolder dir;
  const std::string path = dir / "half-written.prn";
  platform::ChildProcess child;
  ASSERT_TRUE(child.Start({support_test::HelperPath(), "abandon", path}));
  // The helper publishes the file once its handler is installed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(path) && child.Running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(fs::exists(path));
  child.Terminate(60000);
  EXPECT_EQ(child.exitCode(), 3u);
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
