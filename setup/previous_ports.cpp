#include "setup/previous_ports.h"

#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace setup {

long RecordPreviousPort(const std::string& printerName, const std::string& portList) {
  if (printerName.empty()) return static_cast<long>(platform::kErrorInvalidParameter);
  platform::RegistryKey key;
  const long result = platform::RegistryKey::Create(kPreviousPortsKey, key);
  if (result != 0) return result;
  return key.SetString(printerName, portList);
}

std::optional<std::string> PreviousPortOf(const std::string& printerName) {
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(kPreviousPortsKey, key) != 0) return std::nullopt;
  std::string portList;
  if (key.QueryString(printerName, portList) != 0 || portList.empty()) return std::nullopt;
  return portList;
}

long ForgetPreviousPort(const std::string& printerName) {
  platform::RegistryKey key;
  long result = platform::RegistryKey::Open(kPreviousPortsKey, key);
  if (result == static_cast<long>(platform::kErrorFileNotFound)) return 0;
  if (result != 0) return result;
  result = key.DeleteValue(printerName);
  return result == static_cast<long>(platform::kErrorFileNotFound) ? 0 : result;
}

}  // namespace setup
