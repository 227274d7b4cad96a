// The machine's own registry (HKEY_LOCAL_MACHINE). The monitor's settings
// (below "SOFTWARE\Corvanta\Vanteo Spooler") belong to a 64-bit component, so
// they are opened in the 64-bit view on every Windows; the library's own
// settings stay in the view of the process that loads it. Names travel as
// UTF-16; string data is converted from and to UTF-8 with its exact length
// (a value stored without a terminating zero reads back without one).
#include <windows.h>

#include <cstring>

#include "support/case_fold.h"
#include "support/platform/registry.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

const char kRootPrefix[] = "HKEY_LOCAL_MACHINE\\";
const char kMonitorKey[] = "SOFTWARE\\Corvanta\\Vanteo Spooler";

std::string NormalizeKeyPath(std::string path) {
  if (path.size() >= std::strlen(kRootPrefix) &&
      SameTextUtf8(path.substr(0, std::strlen(kRootPrefix)), kRootPrefix)) {
    path.erase(0, std::strlen(kRootPrefix));
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return path;
}

REGSAM ViewFlag(const std::string& path) {
  const std::size_t n = std::strlen(kMonitorKey);
  const bool monitor = path.size() >= n && SameTextUtf8(path.substr(0, n), kMonitorKey) &&
                       (path.size() == n || path[n] == '\\');
  return monitor ? KEY_WOW64_64KEY : 0;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  long Open(const std::string& path, REGSAM access) {
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, access | ViewFlag(path), &key_);
  }
  long Create(const std::string& path, REGSAM access) {
    return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access | ViewFlag(path), nullptr, &key_, nullptr);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The value's type and bytes in the layer's form (strings as UTF-8).
long ReadValue(const std::string& keyPath, const std::string& name, DWORD& type, std::vector<uint8_t>& bytes) {
  OpenKey key;
  long result = key.Open(keyPath, KEY_QUERY_VALUE);
  if (result != ERROR_SUCCESS) return result;
  const std::wstring wideName = Widen(name);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = 0;
    result = ::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    std::vector<uint8_t> raw(size);
    result = ::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, raw.data(), &size);
    if (result == ERROR_MORE_DATA) continue;  // grew in between
    if (result != ERROR_SUCCESS) return result;
    raw.resize(size);
    if (IsStringType(type)) {
      std::wstring text(raw.size() / 2, L'\0');
      if (!text.empty()) std::memcpy(text.data(), raw.data(), text.size() * 2);
      const std::string narrow = Narrow(text);
      bytes.assign(narrow.begin(), narrow.end());
    } else {
      bytes = std::move(raw);
    }
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

}  // namespace

long RegistryKey::Open(const std::string& keyPath, RegistryKey& key) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty()) return kErrorInvalidParameter;
  OpenKey opened;
  const long result = opened.Open(path, KEY_READ);
  if (result == ERROR_SUCCESS) key.path_ = path;
  return result;
}

long RegistryKey::Create(const std::string& keyPath, RegistryKey& key) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty()) return kErrorInvalidParameter;
  OpenKey created;
  const long result = created.Create(path, KEY_WRITE);
  if (result == ERROR_SUCCESS) key.path_ = path;
  return result;
}

long RegistryKey::Delete(const std::string& keyPath) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty()) return kErrorInvalidParameter;
  const auto slash = path.rfind('\\');
  const std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string child = slash == std::string::npos ? path : path.substr(slash + 1);
  HKEY parentKey = HKEY_LOCAL_MACHINE;
  OpenKey opened;
  if (!parent.empty()) {
    const long result = opened.Open(parent, KEY_ALL_ACCESS);
    if (result != ERROR_SUCCESS) return result;
    parentKey = opened.get();
  }
  return ::RegDeleteTreeW(parentKey, Widen(child).c_str());
}

long RegistryKey::QueryValue(const std::string& name, uint32_t* type, void* data, uint32_t* size) const {
  DWORD valueType = 0;
  std::vector<uint8_t> bytes;
  const long result = ReadValue(path_, name, valueType, bytes);
  if (result != ERROR_SUCCESS) return result;
  if (type != nullptr) *type = valueType;
  const auto needed = static_cast<uint32_t>(bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (size == nullptr) return kErrorInvalidParameter;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed > 0) std::memcpy(data, bytes.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long RegistryKey::SetValue(const std::string& name, uint32_t type, const void* data, uint32_t size) const {
  if (data == nullptr && size > 0) return kErrorInvalidParameter;
  OpenKey key;
  long result = key.Create(path_, KEY_SET_VALUE);
  if (result != ERROR_SUCCESS) return result;
  if (IsStringType(type)) {
    std::wstring text = Widen(std::string(static_cast<const char*>(data), size));
    const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    // The system adds a terminating zero that the count leaves out when one
    // follows the data in the buffer; a non-zero guard there keeps the value
    // exactly as given (stored without a terminator, read back without one).
    text.push_back(L'?');
    return ::RegSetValueExW(key.get(), Widen(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(text.data()),
                            bytes);
  }
  return ::RegSetValueExW(key.get(), Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

long RegistryKey::DeleteValue(const std::string& name) const {
  OpenKey key;
  const long result = key.Open(path_, KEY_SET_VALUE);
  if (result != ERROR_SUCCESS) return result;
  return ::RegDeleteValueW(key.get(), Widen(name).c_str());
}

long RegistryKey::EnumValues(std::vector<RegistryValue>& values) const {
  OpenKey key;
  const long result = key.Open(path_, KEY_QUERY_VALUE);
  if (result != ERROR_SUCCESS) return result;
  values.clear();
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    const long rc = ::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    RegistryValue value;
    value.name = Narrow(std::wstring(name, length));
    DWORD type = 0;
    if (ReadValue(path_, value.name, type, value.data) != ERROR_SUCCESS) continue;
    value.type = type;
    values.push_back(std::move(value));
  }
  return kErrorSuccess;
}

long RegistryKey::EnumSubkeys(std::vector<std::string>& names) const {
  OpenKey key;
  const long result = key.Open(path_, KEY_ENUMERATE_SUB_KEYS);
  if (result != ERROR_SUCCESS) return result;
  names.clear();
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const long rc = ::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    names.push_back(Narrow(std::wstring(name, length)));
  }
  return kErrorSuccess;
}

}  // namespace platform
