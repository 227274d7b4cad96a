#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "support/platform/file_handle.h"
#include "support/platform/sync_trace_posix.h"

namespace platform {

void TraceSyncCall(const char* kind, const std::string& path) {
  const char* traceFile = std::getenv("CORVANTA_TEST_SYNC_TRACE");
  if (traceFile == nullptr || *traceFile == '\0') return;
  FileHandle trace(::open(traceFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!trace.valid()) return;
  const std::string line = std::string(kind) + " " + path + "\n";
  // One write per line: O_APPEND keeps lines of concurrent writers whole.
  [[maybe_unused]] const ssize_t written = ::write(trace.get(), line.data(), line.size());
}

}  // namespace platform
