#include "spoolclient/reply_split.h"

#include <cstring>

namespace qtl {

int32_t SplitReplyPrefix(char* output, int32_t* length, char* prefix) {
  if (output == nullptr || *length <= 0) return kNoPrefixResult;
  const auto size = static_cast<std::size_t>(*length);
  const char* separator = static_cast<const char*>(std::memchr(output, ';', size));
  if (separator == nullptr) return kNoPrefixResult;
  const auto n = static_cast<std::size_t>(separator - output);
  if (n > static_cast<std::size_t>(kLongestPrefix)) return kNoPrefixResult;
  if (prefix != nullptr) {
    std::memcpy(prefix, output, n);
    prefix[n] = '\0';
  }
  std::memmove(output, output + n + 1, size - n - 1);
  *length = static_cast<int32_t>(size - n - 1);
  return 0;
}

}  // namespace qtl
