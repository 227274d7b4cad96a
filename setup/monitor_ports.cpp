#include "setup/monitor_ports.h"

#include "setup/spooler.h"
#include "support/case_fold.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace setup {

long ListMonitorPorts(std::vector<std::string>& ports) {
  ports.clear();
  platform::RegistryKey key;
  long result = platform::RegistryKey::Open(kMonitorPortsKey, key);
  if (result == static_cast<long>(platform::kErrorFileNotFound)) return 0;
  if (result != 0) return result;
  std::vector<platform::RegistryValue> values;
  result = key.EnumValues(values);
  if (result != 0) return result;
  for (const auto& value : values) ports.push_back(value.name);
  return 0;
}

long AddMonitorPort(const std::string& portName) {
  if (portName.empty()) return static_cast<long>(platform::kErrorInvalidParameter);
  std::vector<std::string> ports;
  long result = ListMonitorPorts(ports);
  if (result != 0) return result;
  for (const auto& port : ports) {
    if (SameTextUtf8(port, portName)) return 0;
  }
  platform::RegistryKey key;
  result = platform::RegistryKey::Create(kMonitorPortsKey, key);
  if (result != 0) return result;
  return key.SetString(portName, "");
}

long DeleteMonitorPort(const std::string& portName) {
  platform::RegistryKey key;
  long result = platform::RegistryKey::Open(kMonitorPortsKey, key);
  if (result == static_cast<long>(platform::kErrorFileNotFound)) return static_cast<long>(kErrorUnknownPort);
  if (result != 0) return result;
  result = key.DeleteValue(portName);
  if (result == static_cast<long>(platform::kErrorFileNotFound)) return static_cast<long>(kErrorUnknownPort);
  return result;
}

}  // namespace setup
