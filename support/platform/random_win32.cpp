#include <windows.h>
#include <bcrypt.h>

#include <mutex>
#include <random>

#include "support/platform/random.h"

namespace platform {

uint32_t SystemRandomUInt32() {
  uint32_t value = 0;
  if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return value;
  }
  static std::mutex fallbackMutex;
  static std::mt19937 fallback{std::random_device{}()};
  std::lock_guard<std::mutex> lock(fallbackMutex);
  return static_cast<uint32_t>(fallback());
}

}  // namespace platform
