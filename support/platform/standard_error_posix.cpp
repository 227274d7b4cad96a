#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "support/platform/standard_error.h"

namespace platform {

namespace {

void WriteWhole(const char* data, std::size_t size, bool socket) {
  while (size > 0) {
    const ssize_t n = socket ? ::send(STDERR_FILENO, data, size, MSG_NOSIGNAL) : ::write(STDERR_FILENO, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace

void WriteStandardError(const std::string& text) {
  struct stat st {};
  if (::fstat(STDERR_FILENO, &st) != 0) return;  // closed: nothing to write to
  if (S_ISSOCK(st.st_mode)) {
    WriteWhole(text.data(), text.size(), true);
    return;
  }
  // A pipe without a reader raises SIGPIPE on write. The signal is blocked
  // for this thread during the write, and one raised by it is taken back
  // before the mask is restored; one that was already pending stays.
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  sigset_t previous;
  if (::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous) != 0) return;
  sigset_t pending;
  sigemptyset(&pending);
  ::sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  WriteWhole(text.data(), text.size(), false);
  if (!wasPending) {
    const struct timespec noWait {};
    while (::sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace platform
