#include "spoolclient/library_settings.h"

#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace qtl {

namespace {

bool ReadDword(const char* name, uint32_t& value) {
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(kSettingsKey, key) != platform::kErrorSuccess) return false;
  return key.QueryDword(name, value) == platform::kErrorSuccess;
}

}  // namespace

uint32_t ReadKeepLogsFor() {
  uint32_t days = 0;
  return ReadDword("KeepLogsFor", days) ? days : kDefaultKeepLogsFor;
}

bool ReadNeedCapture() {
  uint32_t flag = 0;
  return ReadDword("NeedCapture", flag) && flag != 0;
}

int32_t LeadingDecimalNumber(const char* text, uint32_t size) {
  uint32_t i = 0;
  while (i < size && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == '\v' ||
                      text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < size && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;  // at most 8 digits arrive; kept bounded anyway
  }
  return static_cast<int32_t>(negative ? -value : value);
}

bool ReadNoShowMessages() {
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(kSettingsKey, key) != platform::kErrorSuccess) return true;
  char data[8] = {};
  uint32_t size = sizeof data;
  uint32_t type = 0;
  // Data longer than 8 bytes does not fit and leaves the default.
  if (key.QueryValue("NoShowMessages", &type, data, &size) != platform::kErrorSuccess) return true;
  return LeadingDecimalNumber(data, size) != 0;
}

}  // namespace qtl
