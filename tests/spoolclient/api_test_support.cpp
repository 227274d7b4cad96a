#include "tests/spoolclient/api_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/platform/registry.h"
#include "tests/spoolclient/library_log_reader.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {

namespace {
TestRoot* gRoot = nullptr;
constexpr const char* kSettingsKey = "SOFTWARE\\Corvanta\\Stampline\\qtlDll";
}  // namespace

TestRoot& Root() { return *gRoot; }

std::vector<std::string> LibraryLogMessages() { return LogMessages(Root().LogFolder()); }
void ClearLibraryLog() { ClearLogs(Root().LogFolder()); }

bool LogHas(const std::string& message) {
  const auto messages = LibraryLogMessages();
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

void SetRawSetting(const std::string& name, uint32_t type, const std::string& bytes) {
  platform::RegistryKey key;
  ASSERT_EQ(platform::RegistryKey::Create(kSettingsKey, key), 0);
  ASSERT_EQ(key.SetValue(name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
}

void SetDwordSetting(const std::string& name, uint32_t value) {
  const std::string bytes = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                             static_cast<char>(value >> 24)};
  SetRawSetting(name, platform::kRegDword, bytes);
}

void SetStringSetting(const std::string& name, const std::string& value) {
  SetRawSetting(name, platform::kRegSz, value + std::string(1, '\0'));
}

void ClearSettings() { platform::RegistryKey::Delete(kSettingsKey); }

std::string MakeFile(const std::string& name, const std::string& contents) {
  const std::string path = Root().path() + "/" + name;
  WriteFileText(path, contents);
  return path;
}

}  // namespace spooltest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    // The root exists before the library is loaded, so its attach writes here.
    spooltest::TestRoot root;
    spooltest::gRoot = &root;
    result = RUN_ALL_TESTS();
    spooltest::UnloadApi();
    spooltest::gRoot = nullptr;
  }
  return result;
}
