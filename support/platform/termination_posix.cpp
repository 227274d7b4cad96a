#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "support/platform/termination.h"

namespace platform {

namespace {

// The handler may only touch what is async-signal-safe: a fixed buffer and
// plain flags. The mutable state below is written only while the signals it
// serves are blocked, so the handler never sees a half-written path.
char gPathToRemove[4096];
volatile sig_atomic_t gExitCode = 1;
volatile sig_atomic_t gRequested = 0;

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void Abandon(int) {
  if (gPathToRemove[0] != '\0') ::unlink(gPathToRemove);
  ::_exit(gExitCode);
}

void Note(int) { gRequested = 1; }

void Install(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESTART;  // blocking calls go on; the flag tells the rest
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

// Blocks the termination signals for the lifetime of the object.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    ::sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~SignalBlock() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

void AbandonOnTermination(const std::string& pathToRemove, int exitCode) {
  const SignalBlock block;
  const std::size_t n = std::min(pathToRemove.size(), sizeof gPathToRemove - 1);
  // A path that does not fit is not removed at all rather than a wrong one.
  const bool fits = pathToRemove.size() < sizeof gPathToRemove;
  std::memcpy(gPathToRemove, pathToRemove.data(), fits ? n : 0);
  gPathToRemove[fits ? n : 0] = '\0';
  gExitCode = exitCode;
  Install(Abandon);
}

void DeferTermination() {
  const SignalBlock block;
  gPathToRemove[0] = '\0';
  Install(Note);
}

bool TerminationRequested() { return gRequested != 0; }

}  // namespace platform
