// Registry keys over the registry file: readers take a parsed snapshot
// without locking; writers serialise on a side lock file and replace the
// file whole.
#include <sys/stat.h>
#include <time.h>

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "support/case_fold.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/range_lock.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

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

std::string KeyFold(const std::string& path) { return FoldCaseUtf8(NormalizeKeyPath(path)); }

// The registry file parsed, with each key's folded path, so that lookups
// neither parse nor fold again.
struct Snapshot {
  std::vector<RegistryKeyData> keys;
  std::vector<std::string> folded;                         // KeyFold(keys[i].path)
  std::unordered_map<std::string, std::size_t> firstIndex;  // folded path -> first key with it

  explicit Snapshot(std::vector<RegistryKeyData> parsed) : keys(std::move(parsed)) {
    folded.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
      folded.push_back(KeyFold(keys[i].path));
      firstIndex.emplace(folded.back(), i);
    }
  }
  const RegistryKeyData* Find(const std::string& path) const {
    const auto found = firstIndex.find(KeyFold(path));
    return found == firstIndex.end() ? nullptr : &keys[found->second];
  }
  // The key itself or any key below it.
  bool Exists(const std::string& path) const {
    const std::string p = KeyFold(path);
    if (firstIndex.count(p) != 0) return true;
    for (const auto& c : folded) {
      if (c.size() > p.size() + 1 && c.compare(0, p.size(), p) == 0 && c[p.size()] == '\\') return true;
    }
    return false;
  }
};
using SnapshotPtr = std::shared_ptr<const Snapshot>;

// What identifies one version of the registry file: writers replace it by
// rename (a new inode), and an edit in place changes its size or times.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  struct timespec modified {};
  struct timespec changed {};

  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec;
  }
};

bool StampOf(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp = FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  return true;
}

// File times tick coarsely: two edits in place within one tick, same size,
// leave the same stamp. A file changed this recently is therefore read
// again at each use until its stamp is older than any such tick.
bool Settled(const FileStamp& stamp) {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec - stamp.changed.tv_sec >= 2;
}

struct SnapshotCache {
  std::mutex mutex;
  std::string path;
  FileStamp stamp;
  SnapshotPtr snapshot;
};
SnapshotCache& Cache() {
  static SnapshotCache cache;
  return cache;
}

// The registry as the file holds it now; a missing file is an empty
// registry. Settings are read at every use, so this runs often: the file is
// parsed again only when its stamp changed.
long LoadSnapshot(SnapshotPtr& snapshot) {
  const std::string path = RegistryFilePath();
  FileStamp before;
  const bool stamped = StampOf(path, before);
  if (stamped) {
    std::lock_guard<std::mutex> lock(Cache().mutex);
    if (Cache().snapshot != nullptr && Cache().path == path && Cache().stamp == before) {
      snapshot = Cache().snapshot;
      return kErrorSuccess;
    }
  }
  std::string text;
  if (!ReadWholeFile(path, text)) {
    const uint32_t error = GetLastError();
    if (error != kErrorFileNotFound && error != kErrorPathNotFound) return static_cast<long>(error);
    snapshot = std::make_shared<const Snapshot>(std::vector<RegistryKeyData>());
    return kErrorSuccess;
  }
  std::vector<RegistryKeyData> keys;
  if (!ParseRegistryFile(text, keys)) return kErrorInvalidData;
  snapshot = std::make_shared<const Snapshot>(std::move(keys));
  // Kept only when the file did not change while it was read.
  FileStamp after;
  if (stamped && StampOf(path, after) && after == before && Settled(after)) {
    std::lock_guard<std::mutex> lock(Cache().mutex);
    Cache().path = path;
    Cache().stamp = after;
    Cache().snapshot = snapshot;
  }
  return kErrorSuccess;
}

// A copy of the registry for a writer to change.
long LoadKeys(std::vector<RegistryKeyData>& keys) {
  SnapshotPtr snapshot;
  const long result = LoadSnapshot(snapshot);
  if (result != kErrorSuccess) return result;
  keys = snapshot->keys;
  return kErrorSuccess;
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

const RegistryValue* FindValue(const RegistryKeyData& key, const std::string& name) {
  const std::string wanted = FoldCaseUtf8(name);
  for (const auto& value : key.values) {
    if (FoldCaseUtf8(value.name) == wanted) return &value;
  }
  return nullptr;
}

RegistryValue* FindValue(RegistryKeyData& key, const std::string& name) {
  return const_cast<RegistryValue*>(FindValue(static_cast<const RegistryKeyData&>(key), name));
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
  SnapshotPtr snapshot;
  const long result = LoadSnapshot(snapshot);
  if (result != kErrorSuccess) return result;
  if (!snapshot->Exists(path)) return kErrorFileNotFound;
  key.path_ = path;
  return kErrorSuccess;
}

long RegistryKey::Create(const std::string& keyPath, RegistryKey& key) {
  const std::string path = NormalizeKeyPath(keyPath);
  if (!RegistryCanStoreKeyPath(path)) return kErrorInvalidParameter;
  SnapshotPtr snapshot;
  if (LoadSnapshot(snapshot) == kErrorSuccess && snapshot->Find(path) != nullptr) {
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
  SnapshotPtr snapshot;
  const long result = LoadSnapshot(snapshot);
  if (result != kErrorSuccess) return result;
  const RegistryKeyData* key = snapshot->Find(path_);
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
  if (!RegistryCanStoreKeyPath(path_) || !RegistryCanStoreValueName(name)) return kErrorInvalidParameter;
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
  SnapshotPtr snapshot;
  const long result = LoadSnapshot(snapshot);
  if (result != kErrorSuccess) return result;
  values.clear();
  if (const RegistryKeyData* key = snapshot->Find(path_)) values = key->values;
  return kErrorSuccess;
}

long RegistryKey::EnumSubkeys(std::vector<std::string>& names) const {
  SnapshotPtr snapshot;
  const long result = LoadSnapshot(snapshot);
  if (result != kErrorSuccess) return result;
  names.clear();
  const std::string parent = NormalizeKeyPath(path_);
  for (const auto& key : snapshot->keys) {
    if (!IsBelow(key.path, parent)) continue;
    const std::string rest = NormalizeKeyPath(key.path).substr(parent.size() + 1);
    const std::string child = rest.substr(0, rest.find('\\'));
    bool seen = false;
    for (const auto& name : names) seen = seen || SameTextUtf8(name, child);
    if (!seen) names.push_back(child);
  }
  return kErrorSuccess;
}

}  // namespace platform
