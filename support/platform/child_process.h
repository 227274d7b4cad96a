#pragma once
// A started program that its owner watches, waits for with a limit and stops
// when done: the owner of a server or daemon that a test or tool runs for a
// while. The destructor stops a child that still runs, so nothing outlives
// its owner, on any path.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct ChildProcessOptions {
  // Start from an empty environment instead of this process's.
  bool clearEnvironment = false;
  // Variables set (or replaced) in the child's environment.
  std::vector<std::pair<std::string, std::string>> environment;
  // Files for the standard streams; empty inherits ours. The output files
  // are created or truncated.
  std::string standardInput;
  std::string standardOutput;
  std::string standardError;
  // Put the child in a process group of its own, so Terminate reaches
  // everything it starts in turn.
  bool newProcessGroup = false;
  // The child's working folder; empty keeps ours.
  std::string workingFolder;
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Terminate(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (searched on PATH when it has no '/'). False with the
  // last error set when it cannot be started or one is already running.
  bool Start(const std::vector<std::string>& argv, const ChildProcessOptions& options = {});

  // Waits up to `timeoutMs` milliseconds (negative: without limit). True when
  // the child has ended; `exitCode` then gets its status (128 + signal when
  // killed). False when it still runs.
  bool Wait(int timeoutMs, uint32_t* exitCode = nullptr);

  // True while the child runs.
  bool Running();

  // Asks the child (its whole group when it has one) to stop, waits up to
  // `graceMs`, then kills it, and reaps it. Nothing when none runs.
  void Terminate(int graceMs = 5000);

  int pid() const { return pid_; }
  // The status of the child that has ended (valid after Wait returned true).
  uint32_t exitCode() const { return exitCode_; }

 private:
  int pid_ = -1;
#if defined(_WIN32)
  void* process_ = nullptr;  // the process handle, held until it is reaped
#endif
  bool group_ = false;
  uint32_t exitCode_ = 0;
};

}  // namespace platform
