#include "support/router_settings.h"

#include "support/platform/registry.h"
#include "support/platform/win_error.h"

bool ReadKeepFailedSends() {
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(kRouterSettingsKey, key) != platform::kErrorSuccess) return false;
  uint32_t value = 0;
  if (key.QueryDword(kKeepFailedSendsValue, value) != platform::kErrorSuccess) return false;
  return value != 0;
}

long WriteKeepFailedSends(bool keep) {
  platform::RegistryKey key;
  const long created = platform::RegistryKey::Create(kRouterSettingsKey, key);
  if (created != platform::kErrorSuccess) return created;
  return key.SetDword(kKeepFailedSendsValue, keep ? 1u : 0u);
}
