#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "support/platform/child_process.h"
#include "support/platform/spawn_posix.h"
#include "support/platform/win_error.h"

extern char** environ;

namespace platform {

namespace {

std::vector<std::string> BuildEnvironment(const ChildProcessOptions& options) {
  std::vector<std::string> result;
  if (!options.clearEnvironment) {
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text(*entry);
      const auto equals = text.find('=');
      const std::string name = text.substr(0, equals);
      bool replaced = false;
      for (const auto& [key, value] : options.environment) replaced = replaced || key == name;
      if (!replaced) result.push_back(text);
    }
  }
  for (const auto& [key, value] : options.environment) result.push_back(key + "=" + value);
  return result;
}

// Owners of the spawn descriptions, released on every path.
struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

}  // namespace

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildProcessOptions& options) {
  if (pid_ > 0) {
    SetLastError(kErrorBusy);
    return false;
  }
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  const std::vector<char*> args = NullTerminatedPointers(argv);
  const std::vector<std::string> environment = BuildEnvironment(options);
  const std::vector<char*> envp = NullTerminatedPointers(environment);

  SpawnActions actions;
  if (!options.standardInput.empty()) {
    posix_spawn_file_actions_addopen(&actions.actions, 0, options.standardInput.c_str(), O_RDONLY, 0);
  }
  if (!options.standardOutput.empty()) {
    posix_spawn_file_actions_addopen(&actions.actions, 1, options.standardOutput.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.standardError.empty()) {
    posix_spawn_file_actions_addopen(&actions.actions, 2, options.standardError.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions.actions, options.workingFolder.c_str());
  }
  const SpawnAttributes attributes({SIGPIPE, SIGCHLD, SIGTERM, SIGINT, SIGHUP}, options.newProcessGroup);

  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions.actions, attributes.get(), args.data(), envp.data());
  if (rc != 0) {
    SetLastErrorFromErrno(rc);
    return false;
  }
  pid_ = pid;
  group_ = options.newProcessGroup;
  exitCode_ = 0;
  return true;
}

bool ChildProcess::Wait(int timeoutMs, uint32_t* exitCode) {
  if (pid_ <= 0) {
    if (exitCode != nullptr) *exitCode = exitCode_;
    return true;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    int status = 0;
    const pid_t rc = ::waitpid(pid_, &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (rc == pid_) {
      exitCode_ = ExitCodeFromWaitStatus(status);
      pid_ = -1;
      if (exitCode != nullptr) *exitCode = exitCode_;
      return true;
    }
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0) {
      // Not our child any more (reaped elsewhere): nothing left to wait for.
      SetLastErrorFromErrno(errno);
      pid_ = -1;
      if (exitCode != nullptr) *exitCode = exitCode_;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(50)) pause *= 2;
  }
}

bool ChildProcess::Running() { return !Wait(0); }

void ChildProcess::Terminate(int graceMs) {
  if (pid_ <= 0) return;
  const pid_t target = group_ ? -pid_ : pid_;
  ::kill(target, SIGTERM);
  if (!Wait(graceMs)) {
    ::kill(target, SIGKILL);
    Wait(-1);
  } else if (group_) {
    // The leader is gone; whatever it left running in its group goes too.
    ::kill(target, SIGKILL);
  }
}

}  // namespace platform
