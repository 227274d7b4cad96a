// Folder creation, copy and move that never replace and never leave a part
// behind, and atomic replacement.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/process.h"
#include "support/platform/win_error.h"
#include "test_support.h"
#include "tests/common/unprivileged.h"

namespace {

namespace fs = std::filesystem;
using support_test::ListFolder;
using support_test::ReadFileText;
using support_test::TempFolder;
using support_test::TmpfsMount;
using support_test::WriteFileText;

// Bytes that differ at every position, so a shifted or short copy shows.
std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  uint32_t x = 12345;
  for (auto& c : data) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return data;
}

TEST(ForceDirectories, CreatesEveryMissingParent) {
  TempFolder dir;
  const std::string deep = dir / "a/b/c/d";
  EXPECT_TRUE(platform::ForceDirectories(deep));
  EXPECT_TRUE(platform::DirectoryExists(deep));
  EXPECT_TRUE(platform::ForceDirectories(deep));  // existing: still true
  EXPECT_TRUE(platform::ForceDirectories(dir / "x/y/"));
  EXPECT_TRUE(platform::DirectoryExists(dir / "x/y"));
  EXPECT_TRUE(platform::ForceDirectories("/"));
}

TEST(ForceDirectories, EmptyOrInvalidPathRaisesWithAMessage) {
  try {
    platform::ForceDirectories("");
    ADD_FAILURE() << "no exception for an empty path";
  } catch (const platform::InOutError& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  TempFolder dir;
  const std::string withNul = dir.path() + std::string("/bad\0name", 9);
  EXPECT_THROW(platform::ForceDirectories(withNul), platform::InOutError);
}

TEST(ForceDirectories, FailsWithTheErrorWhenAComponentCannotBeMade) {
  TempFolder dir;
  WriteFileText(dir / "file", "x");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::ForceDirectories(dir / "file"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::ForceDirectories(dir / "file/below"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::ForceDirectories(dir / std::string(300, 'n')));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFilenameExcedRange);
}

TEST(CopyFileNoReplace, CopiesExactBytesAndMode) {
  TempFolder dir;
  const std::string data = Pattern(3 << 20);
  WriteFileText(dir / "source", data);
  fs::permissions(dir / "source", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(platform::CopyFileNoReplace(dir / "source", dir / "target"));
  EXPECT_EQ(ReadFileText(dir / "target"), data);
  EXPECT_EQ(fs::status(dir / "target").permissions(), fs::status(dir / "source").permissions());
  EXPECT_EQ(ListFolder(dir.path()).size(), 2u);
}

TEST(CopyFileNoReplace, NeverReplacesAnExistingFile) {
  TempFolder dir;
  WriteFileText(dir / "source", "new");
  WriteFileText(dir / "target", "old");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "source", dir / "target"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  EXPECT_EQ(ReadFileText(dir / "target"), "old");
  EXPECT_EQ(ListFolder(dir.path()).size(), 2u);
}

TEST(CopyFileNoReplace, MissingSourceOrFolderLeavesNothing) {
  TempFolder dir;
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "missing", dir / "target"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  WriteFileText(dir / "source", "x");
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "source", dir / "no-folder/target"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"source"});
}

TEST(CopyFileNoReplace, FullFileSystemLeavesNothingBehind) {
  TmpfsMount small(64);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  TempFolder dir;
  WriteFileText(dir / "big", Pattern(256 << 10));
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "big", small.path() + "/big.prn"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDiskFull);
  EXPECT_TRUE(ListFolder(small.path()).empty());
}

TEST(CopyFileNoReplace, ReadOnlyFileSystemLeavesNothingBehind) {
  TmpfsMount mount(64);
  if (!mount.mounted() || !mount.MakeReadOnly()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  TempFolder dir;
  WriteFileText(dir / "source", "data");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "source", mount.path() + "/copy"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
  EXPECT_TRUE(ListFolder(mount.path()).empty());
}

TEST(CopyFileNoReplace, UnprivilegedUserIsDeniedAndLeavesNothing) {
  TempFolder dir;
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  WriteFileText(dir / "source", "data");
  fs::permissions(dir / "source", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  uint32_t exitCode = 99;
  if (!platform::StartProcess(
          corvanta_test::AsUnprivilegedUser({support_test::HelperPath(), "copy", dir / "source", dir / "copy"}),
          true, &exitCode) ||
      exitCode == 99 || exitCode >= 126) {
    GTEST_SKIP() << "cannot run the helper as the user nobody (status " << exitCode << ")";
  }
  EXPECT_EQ(exitCode, platform::kErrorAccessDenied);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"source"});
}

TEST(MoveFileNoReplace, RenamesWithinOneFileSystem) {
  TempFolder dir;
  WriteFileText(dir / "job.tmp", "job data");
  ASSERT_TRUE(platform::MoveFileNoReplace(dir / "job.tmp", dir / "job.ps"));
  EXPECT_FALSE(fs::exists(dir / "job.tmp"));
  EXPECT_EQ(ReadFileText(dir / "job.ps"), "job data");
}

TEST(MoveFileNoReplace, NeverReplacesAnExistingFile) {
  TempFolder dir;
  WriteFileText(dir / "source", "new");
  WriteFileText(dir / "target", "old");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MoveFileNoReplace(dir / "source", dir / "target"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  EXPECT_EQ(ReadFileText(dir / "source"), "new");
  EXPECT_EQ(ReadFileText(dir / "target"), "old");
}

TEST(MoveFileNoReplace, MissingSourceIsErrorTwo) {
  TempFolder dir;
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MoveFileNoReplace(dir / "missing", dir / "target"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

TEST(MoveFileNoReplace, AcrossFileSystems) {
  TmpfsMount mount(1024);
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  TempFolder disk;
  const std::string data = Pattern(300 << 10);
  WriteFileText(mount.path() + "/job", data);
  ASSERT_TRUE(platform::MoveFileNoReplace(mount.path() + "/job", disk / "job.ps"));
  EXPECT_FALSE(fs::exists(mount.path() + "/job"));
  EXPECT_EQ(ReadFileText(disk / "job.ps"), data);
  EXPECT_EQ(ListFolder(disk.path()), std::vector<std::string>{"job.ps"});

  // Back onto the tmpfs where the name is taken: refused, both untouched.
  WriteFileText(mount.path() + "/job", "resident");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MoveFileNoReplace(disk / "job.ps", mount.path() + "/job"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  EXPECT_EQ(ReadFileText(mount.path() + "/job"), "resident");
  EXPECT_EQ(ReadFileText(disk / "job.ps"), data);
}

TEST(MoveFileNoReplace, AcrossFileSystemsOntoAFullOneKeepsTheSource) {
  TmpfsMount small(64);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  TempFolder disk;
  const std::string data = Pattern(256 << 10);
  WriteFileText(disk / "job", data);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MoveFileNoReplace(disk / "job", small.path() + "/job.ps"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDiskFull);
  EXPECT_TRUE(ListFolder(small.path()).empty());
  EXPECT_EQ(ReadFileText(disk / "job"), data);
}

TEST(MoveFileNoReplace, SourceThatCannotBeRemovedLeavesNoCopy) {
  TmpfsMount mount(256);
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  WriteFileText(mount.path() + "/job", "stuck");
  if (!mount.MakeReadOnly()) GTEST_SKIP() << "cannot remount the tmpfs read-only";
  TempFolder disk;
  platform::SetLastError(0);
  EXPECT_FALSE(platform::MoveFileNoReplace(mount.path() + "/job", disk / "job.ps"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
  EXPECT_TRUE(ListFolder(disk.path()).empty());
  EXPECT_EQ(ReadFileText(mount.path() + "/job"), "stuck");
}

TEST(ReplaceFileAtomically, ReplacesWholeAndLeavesNoTemporary) {
  TempFolder dir;
  WriteFileText(dir / "table.dat", "old contents that are longer");
  ASSERT_TRUE(platform::ReplaceFileAtomically(dir / "table.dat", "new", 0640));
  EXPECT_EQ(ReadFileText(dir / "table.dat"), "new");
  EXPECT_EQ(fs::status(dir / "table.dat").permissions() & fs::perms::mask,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"table.dat"});
}

TEST(CreateFileNoReplace, AppearsCompleteAndNeverReplaces) {
  TempFolder dir;
  ASSERT_TRUE(platform::CreateFileNoReplace(dir / "a.say", "control"));
  EXPECT_EQ(ReadFileText(dir / "a.say"), "control");
  platform::SetLastError(0);
  EXPECT_FALSE(platform::CreateFileNoReplace(dir / "a.say", "other"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  EXPECT_EQ(ReadFileText(dir / "a.say"), "control");
  EXPECT_EQ(ListFolder(dir.path()).size(), 1u);
}

TEST(Files, AppendCreatesThenAppends) {
  TempFolder dir;
  for (const char* piece : {"one\n", "two\n"}) {
    platform::FileHandle file;
    ASSERT_TRUE(platform::OpenForAppend(dir / "log.txt", file));
    ASSERT_TRUE(platform::WriteAll(file.get(), piece, 4));
  }
  EXPECT_EQ(ReadFileText(dir / "log.txt"), "one\ntwo\n");
  std::string contents;
  ASSERT_TRUE(platform::ReadWholeFile(dir / "log.txt", contents));
  EXPECT_EQ(contents, "one\ntwo\n");
}

TEST(Files, ExistenceTestsAndShortPath) {
  TempFolder dir;
  WriteFileText(dir / "f", "x");
  EXPECT_TRUE(platform::FileExists(dir / "f"));
  EXPECT_FALSE(platform::FileExists(dir.path()));
  EXPECT_TRUE(platform::DirectoryExists(dir.path()));
  EXPECT_FALSE(platform::DirectoryExists(dir / "f"));
  EXPECT_FALSE(platform::FileExists(dir / "missing"));
  EXPECT_FALSE(platform::DirectoryExists(""));
  std::string shortPath;
  ASSERT_TRUE(platform::GetShortPathName(dir / "f", shortPath));
  EXPECT_EQ(shortPath, dir / "f");
  EXPECT_FALSE(platform::GetShortPathName(dir / "missing", shortPath));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

}  // namespace

namespace {

// Held jobs lie in a folder the print service's users can write to: an open
// of an existing file must never follow a link, block on a FIFO or create.
TEST(OpenExistingRegular, OpensOnlyAnExistingRegularFile) {
  support_test::TempFolder dir;
  WriteFileText(dir / "job", "data");
  fs::create_symlink(dir / "job", dir / "link");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
  const struct {
    const char* name;
    bool ok;
    uint32_t error;
  } cases[] = {{"job", true, 0}, {"missing", false, 2}, {"link", false, 5}, {"fifo", false, 5}};
  for (const auto& c : cases) {
    for (const bool forWriting : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (forWriting ? " for writing" : ""));
      platform::FileHandle file;
      EXPECT_EQ(platform::OpenExistingRegular(dir / c.name, forWriting, file), c.ok);
      if (!c.ok) {
        EXPECT_EQ(platform::GetLastError(), c.error);
      }
    }
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));
  platform::FileHandle job;
  ASSERT_TRUE(platform::OpenExistingRegular(dir / "job", false, job));
  EXPECT_EQ(ReadFileText(platform::PathOfOpenFile(job.get())), "data");
}

}  // namespace
