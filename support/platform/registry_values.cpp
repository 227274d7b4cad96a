// The typed accessors of a registry key, built on QueryValue and SetValue, so
// that both platforms read and write strings and numbers alike.
#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace platform {

long RegistryKey::QueryString(const std::string& name, std::string& value) const {
  uint32_t type = 0;
  uint32_t size = 0;
  long result = QueryValue(name, &type, nullptr, &size);
  if (result != kErrorSuccess) return result;
  if (type != kRegSz && type != kRegExpandSz) return kErrorInvalidData;
  std::string buffer(size, '\0');
  result = QueryValue(name, &type, buffer.data(), &size);
  if (result != kErrorSuccess) return result;
  buffer.resize(size);
  const auto nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  value = buffer;
  return kErrorSuccess;
}

long RegistryKey::SetString(const std::string& name, const std::string& value) const {
  return SetValue(name, kRegSz, value.c_str(), static_cast<uint32_t>(value.size() + 1));
}

long RegistryKey::QueryDword(const std::string& name, uint32_t& value) const {
  uint32_t type = 0;
  uint8_t bytes[4] = {};
  uint32_t size = sizeof bytes;
  const long result = QueryValue(name, &type, bytes, &size);
  // A value of another type is the wrong kind of data, however long it is.
  if (result == kErrorMoreData) return kErrorInvalidData;
  if (result != kErrorSuccess) return result;
  if (type != kRegDword || size != 4) return kErrorInvalidData;
  value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
  return kErrorSuccess;
}

long RegistryKey::SetDword(const std::string& name, uint32_t value) const {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return SetValue(name, kRegDword, bytes, 4);
}

}  // namespace platform
