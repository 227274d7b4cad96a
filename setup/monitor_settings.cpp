#include "setup/monitor_settings.h"

#include <cstdint>
#include <vector>

#include "setup/messages.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"

namespace setup {

namespace {

// A string value as the monitor's settings hold it; false (last error set)
// when it is missing, not a string or longer than the read buffer.
bool ReadString(const platform::RegistryKey& key, const std::string& name, std::string& value) {
  std::vector<char> buffer(kRegistryReadBufferSize);
  uint32_t size = kRegistryReadBufferSize;
  uint32_t type = 0;
  const long result = key.QueryValue(name, &type, buffer.data(), &size);
  if (result != 0) {
    platform::SetLastError(static_cast<uint32_t>(result));
    return false;
  }
  if (type != platform::kRegSz && type != platform::kRegExpandSz) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return false;
  }
  // Another writer may have stored the terminating zero with the text.
  while (size > 0 && buffer[size - 1] == '\0') --size;
  value.assign(buffer.data(), size);
  return true;
}

long WriteString(const platform::RegistryKey& key, const std::string& name, const std::string& value) {
  return key.SetValue(name, platform::kRegSz, value.data(), static_cast<uint32_t>(value.size()));
}

}  // namespace

StoredMonitorSettings ReadMonitorSettings() {
  StoredMonitorSettings settings;
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(kMonitorSettingsKey, key) != 0) return settings;
  std::string value;
  if (ReadString(key, kFirstTempDirValue, value)) settings.firstTempDir = value;
  if (ReadString(key, kPortCommandValue, value)) settings.portCommand = value;
  return settings;
}

bool DefaultMonitorDirectory(std::string& directory) {
  std::string folder;
  if (!GetCommonAppDataDir(folder)) return false;
  directory = platform::JoinPath(folder, "rdx64mon");
  return true;
}

bool ResetMonitorDirectory(std::string& monitorDir) {
  std::string directory;
  if (!DefaultMonitorDirectory(directory)) {
    ShowWarningBox("GetCommonAppData() error");
    return false;
  }
  monitorDir = directory;
  if (!platform::DirectoryExists(monitorDir)) {
    try {
      platform::ForceDirectories(monitorDir);
    } catch (const platform::InOutError&) {
      // Judged by the test below.
    }
    if (!platform::DirectoryExists(monitorDir)) {
      ShowWarningBox("Could not create directory " + monitorDir);
      return false;
    }
  }
  platform::RegistryKey key;
  long result = platform::RegistryKey::Create(kMonitorSettingsKey, key);
  if (result != 0) {
    ShowWarningBox("Failed to open registry, error " + std::to_string(result));
    return false;
  }
  result = WriteString(key, kFirstTempDirValue, monitorDir);
  if (result != 0) {
    ShowWarningBox("Failed to write registry, error " + std::to_string(result));
    return false;
  }
  return true;
}

bool WritePortCommand(const std::string& portCommand) {
  platform::RegistryKey key;
  long result = platform::RegistryKey::Create(kMonitorSettingsKey, key);
  if (result != 0) {
    ShowWarningBox("Failed to open registry, error " + std::to_string(result));
    return false;
  }
  result = WriteString(key, kPortCommandValue, portCommand);
  if (result != 0) {
    ShowWarningBox("Failed to write registry, error " + std::to_string(result));
    return false;
  }
  return true;
}

void QueryMonitorDirectory() {
  platform::RegistryKey key;
  const long result = platform::RegistryKey::Open(kMonitorSettingsKey, key);
  if (result != 0) {
    ShowWarningBox("Failed to open registry, error " + std::to_string(result));
    return;
  }
  std::string value;
  if (!ReadString(key, kFirstTempDirValue, value)) {
    ShowWarningBox("Failed to read registry entry!");
    return;
  }
  ShowWarningBox("Monitor Directory:\r\n" + value);
}

}  // namespace setup
