#include "support/platform/spawn_posix.h"

#include <signal.h>
#include <sys/wait.h>

namespace platform {

std::vector<char*> NullTerminatedPointers(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const auto& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

uint32_t ExitCodeFromWaitStatus(int status) {
  return WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                           : 128u + static_cast<uint32_t>(WTERMSIG(status));
}

SpawnAttributes::SpawnAttributes(std::initializer_list<int> defaultSignals, bool newProcessGroup) {
  posix_spawnattr_init(&attributes_);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : defaultSignals) sigaddset(&defaults, signal);
  posix_spawnattr_setsigdefault(&attributes_, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes_, &none);
  short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  if (newProcessGroup) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&attributes_, 0);
  }
  posix_spawnattr_setflags(&attributes_, flags);
}

}  // namespace platform
