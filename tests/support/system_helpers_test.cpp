// The common data folder, version text, message box and machine questions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/auto_array.h"
#include "support/platform/process.h"
#include "support/platform/system_info.h"
#include "support/system_helpers.h"
#include "support/version_record.h"
#include "test_support.h"
#include "tests/common/unprivileged.h"

namespace {

using support_test::RootTest;
using support_test::ScopedEnv;

class CommonAppDataDirTest : public RootTest {};

TEST_F(CommonAppDataDirTest, MissingFolderIsSuccessOnlyUnderTheLenientRule) {
  const std::string expected = root().path() + "/var/lib/Corvanta";
  AnsiString dir = "untouched";
  EXPECT_TRUE(GetCommonAppDataDir(dir, AppDataSuccessRule::NotNegative));
  EXPECT_EQ(dir, expected);
  AnsiString strict = "untouched";
  EXPECT_FALSE(GetCommonAppDataDir(strict, AppDataSuccessRule::ExactlyZero));
  EXPECT_EQ(strict, "untouched");
  // Neither rule creates anything.
  EXPECT_FALSE(std::filesystem::exists(root() / "var"));
}

TEST_F(CommonAppDataDirTest, ExistingFolderIsSuccessUnderBothRules) {
  std::filesystem::create_directories(root() / "var/lib");
  for (auto rule : {AppDataSuccessRule::NotNegative, AppDataSuccessRule::ExactlyZero}) {
    AnsiString dir;
    EXPECT_TRUE(GetCommonAppDataDir(dir, rule));
    EXPECT_EQ(dir, root().path() + "/var/lib/Corvanta");
  }
  AnsiString byDefault;
  EXPECT_TRUE(GetCommonAppDataDir(byDefault));
  EXPECT_EQ(byDefault, root().path() + "/var/lib/Corvanta");
}

TEST_F(CommonAppDataDirTest, TrailingDelimiterGivesNoDoubledDelimiter) {
  std::filesystem::create_directories(root() / "var/lib");
  for (const std::string suffix : {"", "/", "//"}) {
    SCOPED_TRACE("root" + suffix);
    ScopedEnv withSuffix("CORVANTA_ROOT", root().path() + suffix);
    AnsiString dir;
    ASSERT_TRUE(GetCommonAppDataDir(dir, AppDataSuccessRule::ExactlyZero));
    EXPECT_EQ(dir, root().path() + "/var/lib/Corvanta");
  }
}

TEST(CommonAppDataDir, FileSystemRootWhenNoRootIsSet) {
  ScopedEnv unset("CORVANTA_ROOT", std::nullopt);
  AnsiString dir;
  ASSERT_TRUE(GetCommonAppDataDir(dir));
  EXPECT_EQ(dir, "/var/lib/Corvanta");
}

TEST(FileVersionText, ProgramWithAVersionRecord) {
  AnsiString text;
  GetFileVersionText(support_test::HelperPath().c_str(), text);
  EXPECT_EQ(text, "2.1.0.17");
}

TEST(FileVersionText, RunningProgramWhenNoFileIsNamed) {
  support_test::TempFolder dir;
  ASSERT_EQ(support_test::RunHelper({"version", dir / "out"}), 0u);
  EXPECT_EQ(support_test::ReadFileText(dir / "out"), "2.1.0.17");
  // This test program carries no record of its own.
  AnsiString text;
  GetFileVersionText(nullptr, text);
  EXPECT_EQ(text, "Undefined");
}

TEST(FileVersionText, ExactlyUndefinedWithoutARecord) {
  support_test::TempFolder dir;
  support_test::WriteFileText(dir / "plain.txt", "not a program\n");
  support_test::WriteFileText(dir / "empty", "");
  // The start of a real program, cut off before its section table.
  const std::string helper = support_test::ReadFileText(support_test::HelperPath());
  support_test::WriteFileText(dir / "truncated", helper.substr(0, 200));
  // A program whose section table points past the end of the file.
  std::string corrupt = helper;
  corrupt.resize(corrupt.size() / 2);
  support_test::WriteFileText(dir / "half", corrupt);
  // A FIFO must not hang the reader waiting for a writer.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  for (const std::string& path : {dir / "plain.txt", dir / "empty", dir / "truncated", dir / "half", dir / "fifo",
                                  dir / "missing", dir.path(), std::string("/proc/self/exe"), std::string("")}) {
    SCOPED_TRACE(path);
    AnsiString text = "previous";
    GetFileVersionText(path.c_str(), text);
    EXPECT_EQ(text, "Undefined");
  }
}

TEST(FileVersionText, RecordCarriesEveryField) {
  VersionRecord record;
  ASSERT_TRUE(ReadVersionRecord(support_test::HelperPath(), record));
  EXPECT_EQ(record.file[0], 2);
  EXPECT_EQ(record.file[1], 1);
  EXPECT_EQ(record.file[2], 0);
  EXPECT_EQ(record.file[3], 17);
  EXPECT_EQ(record.product[0], 2);
  EXPECT_EQ(record.product[1], 1);
  EXPECT_EQ(record.fileDescription, "Support test helper");
  EXPECT_EQ(record.companyName, "Corvanta");
}

TEST(FileVersionText, PartsAreDecimalWithoutLeadingZeros) {
  AnsiString text;
  GetFileVersionText(SUPPORT_TEST_VERSION_MAX, text);
  EXPECT_EQ(text, "65535.0.10.65535");
}

// Records what the message box was asked to show.
struct RecordedBox {
  std::string caption;
  std::string text;
  int32_t flags = -1;
};

TEST(AppMessageBox, GoesThroughTheSeamWithTheApplicationTitle) {
  RecordedBox box;
  platform::SetMessageBoxHandler([&](const std::string& caption, const std::string& text, int32_t flags) {
    box = {caption, text, flags};
    return static_cast<int32_t>(IDNO);
  });
  SetApplicationTitle("Corvanta Setup");
  const int32_t answer = AppMessageBox("Save changes?", MB_YESNO | MB_ICONEXCLAMATION | MB_TOPMOST);
  platform::SetMessageBoxHandler({});
  SetApplicationTitle("");
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(box.caption, "Corvanta Setup");
  EXPECT_EQ(box.text, "Save changes?");
  EXPECT_EQ(box.flags, 0x40034);
}

TEST(AppMessageBox, DefaultWritesToStandardErrorAndAnswersOk) {
  platform::SetMessageBoxHandler({});
  SetApplicationTitle("rdx64run");
  testing::internal::CaptureStderr();
  const int32_t answer = AppMessageBox("Syntax: rdx64run file printer [title]", 0x40030);
  const std::string written = testing::internal::GetCapturedStderr();
  SetApplicationTitle("");
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(written, "rdx64run: Syntax: rdx64run file printer [title]\n");
}

TEST(SystemQuestions, AdministratorRightsFollowTheEffectiveUser) {
  // Tests run as root here; an unprivileged run of the helper must say no.
  EXPECT_TRUE(HasAdminRights());
  uint32_t exitCode = 99;
  if (!platform::StartProcess(corvanta_test::AsUnprivilegedUser({support_test::HelperPath(), "admin"}), true,
                              &exitCode) ||
      exitCode > 1) {
    GTEST_SKIP() << "cannot run the helper as the user nobody (status " << exitCode << ")";
  }
  EXPECT_EQ(exitCode, 0u);
}

TEST(SystemQuestions, SixtyFourBitMachineAndNtVersion) {
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_TRUE(Is64BitWindows());
#endif
  platform::OsVersionInfo info;
  ASSERT_TRUE(platform::GetOsVersion(info));
  EXPECT_EQ(info.platformId, 2u);
  // Passes the setup tool's "NT 5 or later" and "Vista or later" checks.
  EXPECT_GE(info.majorVersion, 6u);
}

struct Counted {
  static int destroyed;
  ~Counted() { ++destroyed; }
};
int Counted::destroyed = 0;

TEST(AutoArray, FreesOnEveryPathOutOfScope) {
  Counted::destroyed = 0;
  {
    auto_array<Counted> three(3);
  }
  EXPECT_EQ(Counted::destroyed, 3);
  Counted::destroyed = 0;
  try {
    auto_array<Counted> two(2);
    throw std::runtime_error("leave early");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Counted::destroyed, 2);
  Counted::destroyed = 0;
  Counted* kept = nullptr;
  {
    auto_array<Counted> released(4);
    kept = released.release();
  }
  EXPECT_EQ(Counted::destroyed, 0);
  delete[] kept;
  EXPECT_EQ(Counted::destroyed, 4);
}

TEST(AutoArray, HoldsAWritableCharacterBuffer) {
  auto_array<char> buffer(260);
  buffer[0] = '\0';
  std::snprintf(buffer.get(), 260, "%s", "/var/lib");
  EXPECT_STREQ(buffer.get(), "/var/lib");
}

}  // namespace
