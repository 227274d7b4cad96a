// The test seams of the random numbers; the system's own source is in the
// platform's file (SystemRandomUInt32).
#include <cstdlib>
#include <mutex>

#include "support/platform/random.h"

namespace platform {

namespace {

std::mutex& SourceMutex() {
  static std::mutex mutex;
  return mutex;
}
std::function<uint32_t()>& Source() {
  static std::function<uint32_t()> source;
  return source;
}

bool RandomFromEnvironment(uint32_t& value) {
  const char* text = std::getenv("CORVANTA_TEST_RANDOM");
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text, &end, 10);
  if (end == text) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace

uint32_t RandomUInt32() {
  {
    std::lock_guard<std::mutex> lock(SourceMutex());
    if (Source()) return Source()();
  }
  uint32_t value = 0;
  if (RandomFromEnvironment(value)) return value;
  return SystemRandomUInt32();
}

int32_t RandomInRange(int32_t low, int32_t high) {
  if (high <= low) return low;
  const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(high) - low) + 1;
  return static_cast<int32_t>(low + static_cast<int64_t>(RandomUInt32() % span));
}

void SetRandomSource(std::function<uint32_t()> source) {
  std::lock_guard<std::mutex> lock(SourceMutex());
  Source() = std::move(source);
}

}  // namespace platform
