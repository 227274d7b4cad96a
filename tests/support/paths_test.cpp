// Fixed locations below CORVANTA_ROOT and the running program's folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/platform/paths.h"
#include "test_support.h"

namespace {

using support_test::ScopedEnv;

TEST(Paths, EverythingHangsOffTheRoot) {
  const struct {
    std::optional<std::string> root;
    std::string prefix;
  } cases[] = {
      {std::nullopt, ""}, {std::string(""), ""}, {std::string("/"), ""},
      {std::string("/srv/c"), "/srv/c"}, {std::string("/srv/c/"), "/srv/c"}, {std::string("/srv/c//"), "/srv/c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root.value_or("(unset)"));
    ScopedEnv root("CORVANTA_ROOT", c.root);
    EXPECT_EQ(platform::CorvantaRoot(), c.prefix);
    EXPECT_EQ(platform::ConfigFolder(), c.prefix + "/etc/corvanta");
    EXPECT_EQ(platform::RoutingTablePath(), c.prefix + "/etc/corvanta/kvp64exe.dat");
    EXPECT_EQ(platform::QuilletSettingsPath(), c.prefix + "/etc/corvanta/Quillet.xml");
    EXPECT_EQ(platform::RegistryFilePath(), c.prefix + "/etc/corvanta/hklm.reg");
    EXPECT_EQ(platform::CommonAppDataFolder(), c.prefix + "/var/lib");
  }
}

TEST(Paths, JoinPathPutsOneDelimiterBetween) {
  EXPECT_EQ(platform::JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(platform::JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(platform::JoinPath("", "b"), "b");
  EXPECT_EQ(platform::JoinPath("/", "b"), "/b");
}

TEST(Paths, ExecutableFolderIsTheRunningProgramsFolder) {
  const auto self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(platform::ExecutableFolder(), self.parent_path().string());

  support_test::TempFolder dir;
  ASSERT_EQ(support_test::RunHelper({"exe-folder", dir / "out"}), 0u);
  EXPECT_EQ(support_test::ReadFileText(dir / "out"),
            std::filesystem::canonical(support_test::HelperPath()).parent_path().string());
}

}  // namespace
