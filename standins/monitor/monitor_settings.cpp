#include "standins/monitor/monitor_settings.h"

#include "support/case_fold.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace {

// A string setting, or empty when it is missing or not a string.
std::string ReadStringSetting(const platform::RegistryKey& key, const char* name) {
  std::string value;
  if (key.QueryString(name, value) != static_cast<long>(platform::kErrorSuccess)) return {};
  return value;
}

}  // namespace

long ReadMonitorSettings(MonitorSettings& settings) {
  platform::RegistryKey key;
  const long result = platform::RegistryKey::Open(kMonitorKeyPath, key);
  if (result != static_cast<long>(platform::kErrorSuccess)) return result;
  settings.portCommand = ReadStringSetting(key, kPortCommandValue);
  settings.firstTempDir = ReadStringSetting(key, kFirstTempDirValue);
  return result;
}

long ReadMonitorPorts(std::vector<std::string>& ports) {
  ports.clear();
  platform::RegistryKey key;
  long result = platform::RegistryKey::Open(kMonitorPortsKeyPath, key);
  if (result == static_cast<long>(platform::kErrorFileNotFound)) return platform::kErrorSuccess;
  if (result != static_cast<long>(platform::kErrorSuccess)) return result;
  std::vector<platform::RegistryValue> values;
  result = key.EnumValues(values);
  if (result != static_cast<long>(platform::kErrorSuccess)) return result;
  for (const auto& value : values) {
    if (!value.name.empty()) ports.push_back(value.name);
  }
  return result;
}

bool ListsPort(const std::vector<std::string>& ports, const std::string& port) {
  for (const auto& candidate : ports) {
    if (SameTextUtf8(candidate, port)) return true;
  }
  return false;
}
