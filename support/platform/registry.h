#pragma once
// The machine-wide registry (HKEY_LOCAL_MACHINE), kept in the text file
// RegistryFilePath() in the registry editor's export format. Values keep their
// type and exact bytes. Writers lock a side file and replace the registry file
// by rename, so concurrent writers lose no update and readers never lock.
// Key paths are below HKEY_LOCAL_MACHINE ("SOFTWARE\Corvanta\Vanteo Spooler");
// key and value names compare ignoring case. Results are Win32 error numbers.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

struct RegistryValue {
  std::string name;
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
};

class RegistryKey {
 public:
  // Opens an existing key; kErrorFileNotFound when it does not exist.
  static long Open(const std::string& keyPath, RegistryKey& key);
  // Opens the key, creating it and its parents when missing.
  static long Create(const std::string& keyPath, RegistryKey& key);
  // Removes a key with its values and subkeys.
  static long Delete(const std::string& keyPath);

  const std::string& path() const { return path_; }

  // Win32 query semantics: `data` null asks only for the size; a buffer
  // smaller than the value gives kErrorMoreData with `*size` set to the size
  // needed; a missing value gives kErrorFileNotFound. `type` may be null.
  long QueryValue(const std::string& name, uint32_t* type, void* data, uint32_t* size) const;
  long SetValue(const std::string& name, uint32_t type, const void* data, uint32_t size) const;
  long DeleteValue(const std::string& name) const;
  long EnumValues(std::vector<RegistryValue>& values) const;
  // The names of the direct subkeys.
  long EnumSubkeys(std::vector<std::string>& names) const;

  // Conveniences over the above. Strings are stored with a terminating NUL
  // (REG_SZ) and read back without it.
  long QueryString(const std::string& name, std::string& value) const;
  long SetString(const std::string& name, const std::string& value) const;
  long QueryDword(const std::string& name, uint32_t& value) const;
  long SetDword(const std::string& name, uint32_t value) const;

 private:
  std::string path_;
};

// The registry file's text for `keys` and back; exposed for tests.
struct RegistryKeyData {
  std::string path;
  std::vector<RegistryValue> values;
};
std::string FormatRegistryFile(const std::vector<RegistryKeyData>& keys);
// Whether a key path (below the root, without leading or trailing "\") or a
// value name can be written to the file and read back exactly; Create and
// SetValue refuse the others with 87.
bool RegistryCanStoreKeyPath(const std::string& path);
bool RegistryCanStoreValueName(const std::string& name);
bool ParseRegistryFile(const std::string& text, std::vector<RegistryKeyData>& keys);

}  // namespace platform
