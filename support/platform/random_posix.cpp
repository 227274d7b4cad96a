#include <sys/random.h>

#include <cerrno>
#include <mutex>
#include <random>

#include "support/platform/random.h"

namespace platform {

uint32_t SystemRandomUInt32() {
  uint32_t value = 0;
  for (;;) {
    const ssize_t n = ::getrandom(&value, sizeof value, 0);
    if (n == static_cast<ssize_t>(sizeof value)) return value;
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  // No kernel entropy call: a generator seeded once from whatever the library offers.
  static std::mutex fallbackMutex;
  static std::mt19937 fallback{std::random_device{}()};
  std::lock_guard<std::mutex> lock(fallbackMutex);
  return static_cast<uint32_t>(fallback());
}

}  // namespace platform
