#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "support/platform/process.h"
#include "support/platform/spawn_posix.h"
#include "support/platform/win_error.h"

extern char** environ;

namespace platform {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  for (;;) {
    while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool inQuotes = false;
    while (i < n) {
      const char c = commandLine[i];
      if (!inQuotes && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        std::size_t backslashes = 0;
        while (i < n && commandLine[i] == '\\') ++backslashes, ++i;
        if (i < n && commandLine[i] == '"') {
          arg.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
        } else {
          arg.append(backslashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (inQuotes && i + 1 < n && commandLine[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
          continue;
        }
        inQuotes = !inQuotes;
        ++i;
        continue;
      }
      arg.push_back(c);
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

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
