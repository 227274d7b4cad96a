// The monitor's registry settings and port list, in a private registry file.
#include <gtest/gtest.h>

#include "setup/messages.h"
#include "setup/monitor_ports.h"
#include "setup/monitor_settings.h"
#include "setup/spooler.h"
#include "setup_test_support.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/registry.h"

namespace {

using setup_test::MessageRecorder;
using setup_test::PrivateRoot;
using setup_test::ReadFileText;
using setup_test::WriteFileText;

class MonitorSettingsTest : public ::testing::Test {
 protected:
  // The raw bytes and type of a value of the settings key.
  static std::string RawValue(const std::string& name, uint32_t* type = nullptr) {
    platform::RegistryKey key;
    EXPECT_EQ(platform::RegistryKey::Open(setup::kMonitorSettingsKey, key), 0);
    uint32_t size = 0;
    EXPECT_EQ(key.QueryValue(name, type, nullptr, &size), 0);
    std::string data(size, '\0');
    EXPECT_EQ(key.QueryValue(name, type, data.data(), &size), 0);
    return data;
  }
  static void StoreRaw(const std::string& name, const std::string& data) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::RegistryKey::Create(setup::kMonitorSettingsKey, key), 0);
    ASSERT_EQ(key.SetValue(name, platform::kRegSz, data.data(), static_cast<uint32_t>(data.size())), 0);
  }

  PrivateRoot root_;
  MessageRecorder messages_;
};

TEST_F(MonitorSettingsTest, WithoutTheKeyNothingIsRead) {
  const auto stored = setup::ReadMonitorSettings();
  EXPECT_FALSE(stored.portCommand.has_value());
  EXPECT_FALSE(stored.firstTempDir.has_value());
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(MonitorSettingsTest, ResetCreatesTheDefaultDirectoryAndStoresItWithoutATerminatingZero) {
  std::string monitorDir;
  ASSERT_TRUE(setup::ResetMonitorDirectory(monitorDir));
  EXPECT_EQ(monitorDir, root_.path() + "/var/lib/Corvanta/rdx64mon");
  EXPECT_TRUE(platform::DirectoryExists(monitorDir));
  uint32_t type = 0;
  EXPECT_EQ(RawValue("FirstTempDir", &type), monitorDir);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(setup::ReadMonitorSettings().firstTempDir, monitorDir);
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(MonitorSettingsTest, QueryShowsTheStoredDirectoryOnItsOwnLine) {
  std::string monitorDir;
  ASSERT_TRUE(setup::ResetMonitorDirectory(monitorDir));
  setup::QueryMonitorDirectory();
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "Monitor Directory:\r\n" + monitorDir);
  EXPECT_EQ(messages_.messages()[0].flags, setup::kWarningBoxFlags);
}

TEST_F(MonitorSettingsTest, QueryWithoutKeyOrValueSaysWhy) {
  setup::QueryMonitorDirectory();
  ASSERT_TRUE(setup::WritePortCommand("\"/x/rdx64run\" \"%1\" \"%2\" \"%3\""));
  setup::QueryMonitorDirectory();
  EXPECT_EQ(messages_.texts(),
            (std::vector<std::string>{"Failed to open registry, error 2", "Failed to read registry entry!"}));
}

TEST_F(MonitorSettingsTest, PortCommandIsStoredAsItStandsAndReadBack) {
  const std::string command = "\"/opt/corvanta/rdx64run\" \"%1\" \"%2\" \"%3\"";
  ASSERT_TRUE(setup::WritePortCommand(command));
  EXPECT_EQ(RawValue("PortCommand"), command);
  EXPECT_EQ(setup::ReadMonitorSettings().portCommand, command);
}

TEST_F(MonitorSettingsTest, ValuesLongerThanTheReadBufferAreNotReadable) {
  StoreRaw("PortCommand", std::string(261, 'x'));
  StoreRaw("FirstTempDir", std::string(260, 'd'));
  const auto stored = setup::ReadMonitorSettings();
  EXPECT_FALSE(stored.portCommand.has_value());
  EXPECT_EQ(stored.firstTempDir, std::string(260, 'd'));
}

TEST_F(MonitorSettingsTest, ATerminatingZeroStoredByAnotherWriterIsNotPartOfTheText) {
  StoreRaw("PortCommand", std::string("cmd\0", 4));
  EXPECT_EQ(setup::ReadMonitorSettings().portCommand, "cmd");
}

TEST_F(MonitorSettingsTest, ADirectoryThatCannotBeCreatedIsReportedAndKeptInMemory) {
  WriteFileText(root_ / "var/lib/Corvanta", "a file where the folder belongs");
  std::string monitorDir;
  EXPECT_FALSE(setup::ResetMonitorDirectory(monitorDir));
  EXPECT_EQ(monitorDir, root_.path() + "/var/lib/Corvanta/rdx64mon");
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"Could not create directory " + monitorDir});
}

TEST_F(MonitorSettingsTest, ARegistryThatCannotBeWrittenIsReported) {
  WriteFileText(root_ / "etc", "a file where the folder belongs");
  std::string monitorDir;
  EXPECT_FALSE(setup::ResetMonitorDirectory(monitorDir));
  EXPECT_FALSE(setup::WritePortCommand("x"));
  EXPECT_EQ(messages_.texts(), (std::vector<std::string>{"Failed to open registry, error 3",
                                                         "Failed to open registry, error 3"}));
}

TEST_F(MonitorSettingsTest, AReadOnlyRegistryIsReportedAsAFailedWrite) {
  std::string monitorDir;
  ASSERT_TRUE(setup::ResetMonitorDirectory(monitorDir));
  const std::string saved = ReadFileText(platform::RegistryFilePath());
  setup_test::TmpfsMount mount(platform::ConfigFolder());
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  WriteFileText(platform::RegistryFilePath(), saved);
  if (!mount.MakeReadOnly()) GTEST_SKIP() << "cannot remount read-only here";
  EXPECT_FALSE(setup::WritePortCommand("x"));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"Failed to write registry, error 19"});
}

TEST_F(MonitorSettingsTest, MonitorPortsAreValuesOfThePortsKey) {
  std::vector<std::string> ports{"stale"};
  ASSERT_EQ(setup::ListMonitorPorts(ports), 0);
  EXPECT_TRUE(ports.empty());
  ASSERT_EQ(setup::AddMonitorPort("RPT1:"), 0);
  ASSERT_EQ(setup::AddMonitorPort("rpt1:"), 0) << "adding again changes nothing";
  ASSERT_EQ(setup::AddMonitorPort("RPT2:"), 0);
  ASSERT_EQ(setup::ListMonitorPorts(ports), 0);
  EXPECT_EQ(ports, (std::vector<std::string>{"RPT1:", "RPT2:"}));
  // The form the monitor's backend reads: an empty string with its zero.
  const std::string text = ReadFileText(platform::RegistryFilePath());
  EXPECT_NE(text.find("[SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"RPT1:\"=\"\""), std::string::npos) << text;

  EXPECT_EQ(setup::DeleteMonitorPort("Rpt1:"), 0);
  EXPECT_EQ(setup::DeleteMonitorPort("RPT1:"), static_cast<long>(setup::kErrorUnknownPort));
  ASSERT_EQ(setup::ListMonitorPorts(ports), 0);
  EXPECT_EQ(ports, std::vector<std::string>{"RPT2:"});
}

}  // namespace
