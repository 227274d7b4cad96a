#pragma once
// The pieces of posix_spawn that starting a program and watching a started
// one share. For the platform's own *_posix.cpp files only.
#include <spawn.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace platform {

// `strings` as the null-terminated pointer array that posix_spawn takes for
// its arguments and environment; valid while `strings` is unchanged.
std::vector<char*> NullTerminatedPointers(const std::vector<std::string>& strings);

// The status a reaped child reports: its exit code, or 128 + the signal
// that ended it.
uint32_t ExitCodeFromWaitStatus(int status);

// Spawn attributes, released on every path: the child starts with
// `defaultSignals` at their default handling whatever its parent ignores,
// nothing blocked, and with `newProcessGroup` in a process group of its own.
class SpawnAttributes {
 public:
  SpawnAttributes(std::initializer_list<int> defaultSignals, bool newProcessGroup);
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

}  // namespace platform
