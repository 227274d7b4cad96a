// Quillet forwarding: the settings file, the import folder, the move.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Settings(const std::string& instances) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- importer settings -->\n<Quillet>\n" + instances +
         "</Quillet>\n";
}

std::string Instance(const std::string& element, const std::string& importPath) {
  return "  <" + element + "><Other>x</Other><ImportPath>" + importPath + "</ImportPath></" + element + ">\n";
}

const Environment kTick = {{"CORVANTA_TEST_TICK_COUNT", "31337"}};

TEST(RouterQuillet, InstanceNumberSelectsTheImportFolder) {
  struct Case {
    std::string destination;
    std::string folder;
  };
  const Case cases[] = {
      {"quillet:", "imp1"},   {"quillet:0", "imp1"},    {"quillet:1", "imp1"},   {"QUILLET:2", "imp2"},
      {"Quillet:3", "imp3"},  {"quillet: 3abc", "imp3"}, {"quillet:-4", "imp1"}, {"quillet:+2", "imp2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.destination);
    RouterSandbox sandbox;
    const std::string imports = sandbox.base() + "/imports/";
    sandbox.WriteQuilletSettings(Settings(Instance("Quill", imports + "imp1") + Instance("Quill2", imports + "imp2") +
                                          Instance("Quill3", imports + "imp3")));
    sandbox.WriteTable("P\t" + c.destination + "\t\t\r\n");
    const std::string job = sandbox.MakeJob("job.prn", "postscript");

    sandbox.Run({job, "P"}, kTick);

    EXPECT_THAT(ListFolder(imports), ElementsAre(c.folder));
    EXPECT_EQ(ReadFileText(imports + c.folder + "/31337_1.ps"), "postscript");
    EXPECT_FALSE(PathExists(job));
    EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
  }
}

TEST(RouterQuillet, ImportPathForms) {
  struct Case {
    const char* name;
    std::string settings;  // %s stands for the import folder
  };
  const Case cases[] = {
      {"CDATA", Settings("<Quill><ImportPath><![CDATA[%s]]></ImportPath></Quill>\n")},
      {"comment before the text", Settings("<Quill><ImportPath><!-- where -->%s</ImportPath></Quill>\n")},
      {"trailing delimiter", Settings("<Quill><ImportPath>%s/</ImportPath></Quill>\n")},
      {"root element of any name", "<Anything><Quill><ImportPath>%s</ImportPath></Quill></Anything>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    const std::string folder = sandbox.base() + "/new/import";
    std::string settings = c.settings;
    settings.replace(settings.find("%s"), 2, folder);
    sandbox.WriteQuilletSettings(settings);
    sandbox.WriteTable("P\tquillet:1\t\t\r\n");
    const std::string job = sandbox.MakeJob("job.prn", "ps");

    sandbox.Run({job, "P"}, kTick);

    EXPECT_THAT(ListFolder(folder), ElementsAre("31337_1.ps"));
    EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
  }
}

TEST(RouterQuillet, Utf16SettingsFileIsDetected) {
  RouterSandbox sandbox;
  const std::string folder = sandbox.base() + "/Εισαγωγή";
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Quillet><Quill><ImportPath>" + folder +
                           "</ImportPath></Quill></Quillet>";
  // UTF-8 to UTF-16LE with a byte-order mark (the text holds no characters beyond the BMP).
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t code = c;
    int extra = 0;
    if (c >= 0xE0) code = c & 0x0F, extra = 2;
    else if (c >= 0xC0) code = c & 0x1F, extra = 1;
    for (int k = 1; k <= extra; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    utf16.push_back(static_cast<char>(code & 0xFF));
    utf16.push_back(static_cast<char>(code >> 8));
  }
  sandbox.WriteQuilletSettings(utf16);
  sandbox.WriteTable("P\tquillet:\t\t\r\n");

  sandbox.Run({sandbox.MakeJob("job.prn"), "P"}, kTick);

  EXPECT_THAT(ListFolder(folder), ElementsAre("31337_1.ps"));
}

TEST(RouterQuillet, SettingsProblemsAbortTheRunAndKeepTheJob) {
  struct Case {
    const char* name;
    std::optional<std::string> settings;  // none: no settings file
    const char* destination;
    std::string message;
  };
  const Case cases[] = {
      {"settings file missing", std::nullopt, "quillet:", "File does not exist: %p"},
      {"malformed", "<Quillet><Quill><ImportPath>/x</Quill>", "quillet:", "psOutPath not set!"},
      {"empty file", "", "quillet:", "psOutPath not set!"},
      {"binary garbage", std::string("\x01\x02\xff\xfe\x00garbage", 12), "quillet:", "psOutPath not set!"},
      {"instance missing", "<Quillet><Quill><ImportPath>/x</ImportPath></Quill></Quillet>", "quillet:2",
       "Node not found: Quill2/ImportPath"},
      {"ImportPath missing", "<Quillet><Quill><Path>/x</Path></Quill></Quillet>", "quillet:",
       "Node not found: Quill/ImportPath"},
      {"ImportPath one level too deep", "<Quillet><Outer><Quill><ImportPath>/x</ImportPath></Quill></Outer></Quillet>",
       "quillet:", "Node not found: Quill/ImportPath"},
      {"ImportPath empty", "<Quillet><Quill><ImportPath></ImportPath></Quill></Quillet>", "quillet:",
       "psOutPath not set!"},
      {"ImportPath self-closing", "<Quillet><Quill><ImportPath/></Quill></Quillet>", "quillet:", "psOutPath not set!"},
      {"ImportPath empty CDATA", "<Quillet><Quill><ImportPath><![CDATA[]]></ImportPath></Quill></Quillet>",
       "quillet:", "psOutPath not set!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    if (c.settings) sandbox.WriteQuilletSettings(*c.settings);
    sandbox.WriteTable(std::string("P\t") + c.destination + "\t\t\r\nP\thostB\t2\t0\r\n");
    const std::string job = sandbox.MakeJob("job.prn", "keep me");

    const RouterRun run = sandbox.Run({job, "P"});

    std::string expected = c.message;
    if (const auto at = expected.find("%p"); at != std::string::npos) {
      expected.replace(at, 2, sandbox.quilletSettingsPath());
    }
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_THAT(sandbox.LogMessages(), ElementsAre(expected));
    EXPECT_EQ(ReadFileText(job), "keep me");
    EXPECT_THAT(sandbox.Calls(), IsEmpty());
  }
}

TEST(RouterQuillet, TakenNameUsesTheNextCounter) {
  RouterSandbox sandbox;
  const std::string folder = sandbox.base() + "/imp";
  fs::create_directories(folder);
  WriteFileText(folder + "/31337_1.ps", "first");
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", folder)));
  sandbox.WriteTable("P\tquillet:\t\t\r\n");

  sandbox.Run({sandbox.MakeJob("job.prn", "second"), "P"}, kTick);

  EXPECT_EQ(ReadFileText(folder + "/31337_1.ps"), "first");
  EXPECT_EQ(ReadFileText(folder + "/31337_2.ps"), "second");
}

TEST(RouterQuillet, ImportFolderOnAnotherFileSystem) {
  RouterSandbox sandbox;
  const std::string other = sandbox.base() + "/other";
  if (!sandbox.MountTmpfs(other, "4m")) GTEST_SKIP() << "cannot mount a tmpfs here";
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", other + "/imp")));
  sandbox.WriteTable("P\tquillet:\t\t\r\n");
  const std::string content(1024 * 1024 + 17, 'q');
  const std::string job = sandbox.MakeJob("job.prn", content);

  sandbox.Run({job, "P"}, kTick);

  EXPECT_THAT(ListFolder(other + "/imp"), ElementsAre("31337_1.ps"));
  EXPECT_EQ(ReadFileText(other + "/imp/31337_1.ps"), content);
  EXPECT_FALSE(PathExists(job));
  EXPECT_THAT(sandbox.LogMessages(), IsEmpty());
}

TEST(RouterQuillet, FullImportFileSystemLeavesNothingAndKeepsTheJob) {
  RouterSandbox sandbox;
  const std::string full = sandbox.base() + "/full";
  if (!sandbox.MountTmpfs(full, "64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", full)));
  sandbox.WriteTable("P\tquillet:\t\t\r\n");
  const std::string content(512 * 1024, 'q');
  const std::string job = sandbox.MakeJob("job.prn", content);

  sandbox.Run({job, "P"}, kTick);

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("TFormRun::ForwardToQuillet.MoveFileEx error 112"));
  EXPECT_THAT(ListFolder(full), IsEmpty());
  EXPECT_EQ(ReadFileText(job), content);
}

TEST(RouterQuillet, ImportFolderThatCannotBeCreated) {
  RouterSandbox sandbox;
  const std::string locked = sandbox.base() + "/locked";
  fs::create_directories(locked);
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", locked + "/imp")));
  sandbox.WriteTable("P\tquillet:\t\t\r\n");
  WriteFileText(sandbox.logPath(), "");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.OpenToEveryone();
  fs::permissions(locked, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);

  sandbox.Run({job, "P"}, kTick, /*asNobody=*/true);

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("TFormRun::ForwardToQuillet.MoveFileEx error 2"));
  EXPECT_TRUE(PathExists(job));
}

TEST(RouterQuillet, JobFileThatIsAFolderIsNotMoved) {
  RouterSandbox sandbox;
  const std::string folder = sandbox.base() + "/imp";
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", folder)));
  sandbox.WriteTable("P\tquillet:\t\t\r\n");
  const std::string job = sandbox.base() + "/jobs/folder";
  fs::create_directories(job);

  sandbox.Run({job, "P"}, kTick);

  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Job file " + job + " is not a regular file; it is left in place"));
  EXPECT_TRUE(fs::is_directory(job));
  EXPECT_THAT(ListFolder(folder), IsEmpty());
}

TEST(RouterQuillet, LaterRecordsFindTheJobGone) {
  RouterSandbox sandbox;
  const std::string folder = sandbox.base() + "/imp";
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteQuilletSettings(Settings(Instance("Quill", folder)));

  // A spooler send after the move gets the library's "no input file" result; the run goes on.
  sandbox.WriteTable("P\tquillet:\t\t\r\nP\thost\t1\t0\r\n");
  const std::string first = sandbox.MakeJob("first.prn");
  sandbox.Run({first, "P"}, kTick);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + first + " to host:1 for P, ret=-5"));
  EXPECT_THAT(ListFolder(folder), ElementsAre("31337_1.ps"));

  // A local copy after the move fails and ends the run before later records.
  sandbox.WriteTable("P\tquillet:\t\t\r\nP\tlocalcopy.invalid\t" + out + "\t\r\nP\thost\t2\t0\r\n");
  const std::string second = sandbox.MakeJob("second.prn");
  sandbox.Run({second, "P"}, kTick);
  EXPECT_EQ(sandbox.LogMessages().back(), "Copy file error 2");
  EXPECT_THAT(ListFolder(folder), ElementsAre("31337_1.ps", "31337_2.ps"));
  EXPECT_THAT(ListFolder(out), IsEmpty());
  EXPECT_EQ(sandbox.Calls().size(), 1u);
}

}  // namespace
}  // namespace router_test
