// The registry file: whatever parses must format to a text that parses back
// to the same keys and values, and formatting that again gives the same text.
// The same input is also read as a key path (first line), a value name
// (second line) and data (the rest): when the registry accepts the names,
// a value of every type stored under them must read back exactly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "support/platform/registry.h"

namespace {

bool SameKeys(const std::vector<platform::RegistryKeyData>& a, const std::vector<platform::RegistryKeyData>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].path != b[k].path || a[k].values.size() != b[k].values.size()) return false;
    for (std::size_t v = 0; v < a[k].values.size(); ++v) {
      const auto& x = a[k].values[v];
      const auto& y = b[k].values[v];
      if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
  }
  return true;
}

void CheckAcceptedNames(const std::string& text) {
  const std::size_t firstEnd = text.find('\n');
  if (firstEnd == std::string::npos) return;
  const std::size_t secondEnd = text.find('\n', firstEnd + 1);
  if (secondEnd == std::string::npos) return;
  const std::string path = text.substr(0, firstEnd);
  const std::string name = text.substr(firstEnd + 1, secondEnd - firstEnd - 1);
  if (!platform::RegistryCanStoreKeyPath(path) || !platform::RegistryCanStoreValueName(name)) return;
  const std::vector<uint8_t> bytes(text.begin() + static_cast<std::ptrdiff_t>(secondEnd + 1), text.end());
  const uint32_t types[] = {platform::kRegSz, platform::kRegDword, platform::kRegBinary, platform::kRegMultiSz,
                            bytes.empty() ? 0u : bytes[0] * 0x01010101u};
  for (const uint32_t type : types) {
    const std::vector<platform::RegistryKeyData> keys = {{path, {{name, type, bytes}}}};
    std::vector<platform::RegistryKeyData> back;
    FUZZ_CHECK(platform::ParseRegistryFile(platform::FormatRegistryFile(keys), back));
    FUZZ_CHECK(SameKeys(keys, back));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckAcceptedNames(text);
  std::vector<platform::RegistryKeyData> first;
  if (!platform::ParseRegistryFile(text, first)) return 0;
  const std::string formatted = platform::FormatRegistryFile(first);
  std::vector<platform::RegistryKeyData> second;
  FUZZ_CHECK(platform::ParseRegistryFile(formatted, second));
  FUZZ_CHECK(SameKeys(first, second));
  FUZZ_CHECK(platform::FormatRegistryFile(second) == formatted);
  return 0;
}
