#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/platform/process.h"
#include "support/platform/spawn_posix.h"
#include "support/platform/win_error.h"

extern char** environ;

namespace platform {

bool StartProcess(const std::vector<std::string>& argv, bool wait, uint32_t* exitCode) {
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  const std::vector<char*> args = NullTerminatedPointers(argv);
  // The child starts with default signal handling whatever its parent ignores.
  const SpawnAttributes attributes({SIGPIPE, SIGCHLD}, false);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], nullptr, attributes.get(), args.data(), environ);
  if (rc != 0) {
    SetLastErrorFromErrno(rc);
    return false;
  }
  if (!wait) {
    // Nobody waits for it: a short-lived reaper child would be needed to
    // avoid a zombie; the callers (shell-style "open" commands) are few and
    // the zombie is reaped when our process ends.
    return true;
  }
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) >= 0) break;
    if (errno != EINTR) {
      SetLastErrorFromErrno(errno);
      return false;
    }
  }
  if (exitCode != nullptr) {
    *exitCode = ExitCodeFromWaitStatus(status);
  }
  return true;
}

namespace {

// Owner of one file descriptor.
class Descriptor {
 public:
  Descriptor() = default;
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int* out() { return &fd_; }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// Owner of spawn file actions.
class SpawnFileActions {
 public:
  SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Reads what is there without blocking; false at end of file or on an error.
bool ReadAvailable(int fd, std::string& kept, std::size_t maxBytes) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      const std::size_t room = maxBytes > kept.size() ? maxBytes - kept.size() : 0;
      kept.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(got)));
      // Still the caller's standard error too; a closed one loses nothing here.
      [[maybe_unused]] const ssize_t copied = ::write(STDERR_FILENO, buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

}  // namespace

bool RunProcessKeepingErrors(const std::vector<std::string>& argv, std::string& errorText, uint32_t* exitCode,
                             std::size_t maxErrorBytes) {
  errorText.clear();
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  Descriptor readEnd;
  Descriptor writeEnd;
  *readEnd.out() = ends[0];
  *writeEnd.out() = ends[1];
  SpawnFileActions actions;
  // The child's standard error is the pipe, blocking as programs expect.
  posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDERR_FILENO);
  const std::vector<char*> args = NullTerminatedPointers(argv);
  const SpawnAttributes attributes({SIGPIPE, SIGCHLD}, false);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], actions.get(), attributes.get(), args.data(), environ);
  writeEnd.Reset();
  if (rc != 0) {
    SetLastErrorFromErrno(rc);
    return false;
  }
  // Read while the child runs; a grandchild that keeps the pipe open must
  // not hold us once the child itself has ended.
  bool open = true;
  int status = 0;
  for (;;) {
    if (open) {
      pollfd watched{readEnd.get(), POLLIN, 0};
      const int ready = ::poll(&watched, 1, 100);
      if (ready > 0) open = ReadAvailable(readEnd.get(), errorText, maxErrorBytes);
    }
    const pid_t ended = ::waitpid(pid, &status, open ? WNOHANG : 0);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) {
      SetLastErrorFromErrno(errno);
      return false;
    }
  }
  if (open) ReadAvailable(readEnd.get(), errorText, maxErrorBytes);
  if (exitCode != nullptr) *exitCode = ExitCodeFromWaitStatus(status);
  return true;
}

bool StartProcessFromCommandLine(const std::string& commandLine, bool wait, uint32_t* exitCode) {
  return StartProcess(SplitCommandLine(commandLine), wait, exitCode);
}

}  // namespace platform
