#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

bool StartProcessFromCommandLine(const std::string& commandLine, bool wait, uint32_t* exitCode) {
  return StartProcess(SplitCommandLine(commandLine), wait, exitCode);
}

}  // namespace platform
