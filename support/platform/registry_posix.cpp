// Registry keys over the registry file: readers parse a snapshot without
// locking; writers serialise on a side lock file and replace the file whole.
#include <cstring>
#include <functional>

#include "support/case_fold.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/range_lock.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

constexpr long kErrorInvalidData = 13;
const char kRootPrefix[] = "HKEY_LOCAL_MACHINE\\";

std::string NormalizeKeyPath(std::string path) {
  if (path.size() >= std::strlen(kRootPrefix) &&
      SameTextUtf8(path.substr(0, std::strlen(kRootPrefix)), kRootPrefix)) {
    path.erase(0, std::strlen(kRootPrefix));
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return path;
}

// A line break or other control character in a key or value name would break
// the file's one-item-per-line form, so such names are refused.
bool StorableName(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string KeyFold(const std::string& path) { return FoldCaseUtf8(NormalizeKeyPath(path)); }

// Reads the registry file; a missing file is an empty registry.
long LoadKeys(std::vector<RegistryKeyData>& keys) {
  std::string text;
  if (!ReadWholeFile(RegistryFilePath(), text)) {
    keys.clear();
    const uint32_t error = GetLastError();
    return (error == kErrorFileNotFound || error == kErrorPathNotFound) ? kErrorSuccess : static_cast<long>(error);
  }
  return ParseRegistryFile(text, keys) ? kErrorSuccess : kErrorInvalidData;
}

RegistryKeyData* FindKey(std::vector<RegistryKeyData>& keys, const std::string& path) {
  const std::string wanted = KeyFold(path);
  for (auto& key : keys) {
    if (KeyFold(key.path) == wanted) return &key;
  }
  return nullptr;
}

bool IsBelow(const std::string& candidate, const std::string& parent) {
  const std::string c = KeyFold(candidate);
  const std::string p = KeyFold(parent);
  return c.size() > p.size() + 1 && c.compare(0, p.size(), p) == 0 && c[p.size()] == '\\';
}

bool KeyExists(std::vector<RegistryKeyData>& keys, const std::string& path) {
  if (FindKey(keys, path) != nullptr) return true;
  for (const auto& key : keys) {
    if (IsBelow(key.path, path)) return true;
  }
  return false;
}

RegistryValue* FindValue(RegistryKeyData& key, const std::string& name) {
  const std::string wanted = FoldCaseUtf8(name);
  for (auto& value : key.values) {
    if (FoldCaseUtf8(value.name) == wanted) return &value;
  }
  return nullptr;
}

// Runs `change` on the current registry under the writers' lock and stores
// the result when it answers success.
long Modify(const std::function<long(std::vector<RegistryKeyData>&)>& change) {
  try {
    ForceDirectories(ConfigFolder());
  } catch (const InOutError&) {
    return kErrorPathNotFound;
  }
  FileHandle lockFile;
  if (!OpenForReadWrite(RegistryFilePath() + ".lock", lockFile, 0644)) return static_cast<long>(GetLastError());
  RangeLock lock;
  if (!lock.Lock(lockFile.get(), 0, 1)) return static_cast<long>(GetLastError());
  std::vector<RegistryKeyData> keys;
  long result = LoadKeys(keys);
  if (result != kErrorSuccess) return result;
  result = change(keys);
  if (result != kErrorSuccess) return result;
  if (!ReplaceFileAtomically(RegistryFilePath(), FormatRegistryFile(keys), 0644)) {
    return static_cast<long>(GetLastError());
  }
  return kErrorSuccess;
}

void EnsureKeyWithParents(std::vector<RegistryKeyData>& keys, const std::string& path) {
  std::size_t pos = 0;
  for (;;) {
    pos = path.find('\\', pos);
    const std::string prefix = pos == std::string::npos ? path : path.substr(0, pos);
    if (!prefix.empty() && FindKey(keys, prefix) == nullptr) keys.push_back(RegistryKeyData{prefix, {}});
    if (pos == std::string::npos) break;
    ++pos;
  }
}

}  // namespace

long RegistryKey::Open(const std::string& keyPath, RegistryKey& key) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty()) return kErrorInvalidParameter;
  std::vector<RegistryKeyData> keys;
  const long result = LoadKeys(keys);
  if (result != kErrorSuccess) return result;
  if (!KeyExists(keys, path)) return kErrorFileNotFound;
  key.path_ = path;
  return kErrorSuccess;
}

long RegistryKey::Create(const std::string& keyPath, RegistryKey& key) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty() || !StorableName(path)) return kErrorInvalidParameter;
  std::vector<RegistryKeyData> keys;
  if (LoadKeys(keys) == kErrorSuccess && FindKey(keys, path) != nullptr) {
    key.path_ = path;
    return kErrorSuccess;
  }
  const long result = Modify([&](std::vector<RegistryKeyData>& current) {
    EnsureKeyWithParents(current, path);
    return static_cast<long>(kErrorSuccess);
  });
  if (result == kErrorSuccess) key.path_ = path;
  return result;
}

long RegistryKey::Delete(const std::string& keyPath) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (path.empty()) return kErrorInvalidParameter;
  return Modify([&](std::vector<RegistryKeyData>& keys) {
    if (!KeyExists(keys, path)) return static_cast<long>(kErrorFileNotFound);
    std::vector<RegistryKeyData> kept;
    const std::string folded = KeyFold(path);
    for (auto& key : keys) {
      if (KeyFold(key.path) != folded && !IsBelow(key.path, path)) kept.push_back(std::move(key));
    }
    keys = std::move(kept);
    return static_cast<long>(kErrorSuccess);
  });
}

long RegistryKey::QueryValue(const std::string& name, uint32_t* type, void* data, uint32_t* size) const {
  std::vector<RegistryKeyData> keys;
  const long result = LoadKeys(keys);
  if (result != kErrorSuccess) return result;
  RegistryKeyData* key = FindKey(keys, path_);
  if (key == nullptr) return kErrorFileNotFound;
  const RegistryValue* value = FindValue(*key, name);
  if (value == nullptr) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  const auto needed = static_cast<uint32_t>(value->data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (size == nullptr) return kErrorInvalidParameter;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed > 0) std::memcpy(data, value->data.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long RegistryKey::SetValue(const std::string& name, uint32_t type, const void* data, uint32_t size) const {
  if (data == nullptr && size > 0) return kErrorInvalidParameter;
  if (path_.empty() || !StorableName(path_) || !StorableName(name)) return kErrorInvalidParameter;
  const auto* bytes = static_cast<const uint8_t*>(data);
  return Modify([&](std::vector<RegistryKeyData>& keys) {
    EnsureKeyWithParents(keys, path_);
    RegistryKeyData* key = FindKey(keys, path_);
    RegistryValue* value = FindValue(*key, name);
    if (value == nullptr) {
      key->values.push_back(RegistryValue{name, type, {}});
      value = &key->values.back();
    }
    value->type = type;
    value->data.assign(bytes, bytes + size);
    return static_cast<long>(kErrorSuccess);
  });
}

long RegistryKey::DeleteValue(const std::string& name) const {
  return Modify([&](std::vector<RegistryKeyData>& keys) {
    RegistryKeyData* key = FindKey(keys, path_);
    if (key == nullptr) return static_cast<long>(kErrorFileNotFound);
    const std::string wanted = FoldCaseUtf8(name);
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
      if (FoldCaseUtf8(it->name) == wanted) {
        key->values.erase(it);
        return static_cast<long>(kErrorSuccess);
      }
    }
    return static_cast<long>(kErrorFileNotFound);
  });
}

long RegistryKey::EnumValues(std::vector<RegistryValue>& values) const {
  std::vector<RegistryKeyData> keys;
  const long result = LoadKeys(keys);
  if (result != kErrorSuccess) return result;
  values.clear();
  if (RegistryKeyData* key = FindKey(keys, path_)) values = key->values;
  return kErrorSuccess;
}

long RegistryKey::EnumSubkeys(std::vector<std::string>& names) const {
  std::vector<RegistryKeyData> keys;
  const long result = LoadKeys(keys);
  if (result != kErrorSuccess) return result;
  names.clear();
  const std::string parent = NormalizeKeyPath(path_);
  for (const auto& key : keys) {
    if (!IsBelow(key.path, parent)) continue;
    const std::string rest = NormalizeKeyPath(key.path).substr(parent.size() + 1);
    const std::string child = rest.substr(0, rest.find('\\'));
    bool seen = false;
    for (const auto& name : names) seen = seen || SameTextUtf8(name, child);
    if (!seen) names.push_back(child);
  }
  return kErrorSuccess;
}

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
