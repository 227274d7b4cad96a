#include <sys/syscall.h>
#include <unistd.h>

#include <vector>

#include "support/platform/process_identity.h"

namespace platform {

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return std::string();
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

}  // namespace platform
