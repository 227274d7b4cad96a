#include "spoolclient/library_state.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "support/platform/process_identity.h"

namespace qtl {

namespace {

// Everything here is trivially destructible: the detach work may run after
// the process destroyed ordinary static objects, and after an unload no
// heap block may be left behind.
std::atomic<bool> gTraceEnabled{false};
std::atomic<bool> gSocketsStarted{false};

std::mutex gFolderMutex;
char gFolder[4096] = {};

std::once_flag gProgramOnce;
char gProgram[256] = {};
std::size_t gProgramLength = 0;

void StoreProgramName() {
  const std::string path = platform::ExecutablePath();
  const auto slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  gProgramLength = std::min(name.size(), sizeof gProgram - 1);
  std::memcpy(gProgram, name.data(), gProgramLength);
}

}  // namespace

bool TraceEnabled() { return gTraceEnabled.load(std::memory_order_relaxed); }
void EnableTrace() { gTraceEnabled.store(true, std::memory_order_relaxed); }

bool SocketsStarted() { return gSocketsStarted.load(); }
bool MarkSocketsStarted() { return !gSocketsStarted.exchange(true); }
bool MarkSocketsStopped() { return gSocketsStarted.exchange(false); }

std::string LogFolder() {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  return std::string(gFolder);
}

void SetLogFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  // Longer than any path the system can open; cut rather than overflow.
  const std::size_t length = std::min(folder.size(), sizeof gFolder - 1);
  std::memcpy(gFolder, folder.data(), length);
  gFolder[length] = '\0';
}

std::string HostProgramName() {
  // Filled once, by the first caller, whatever the number of threads.
  std::call_once(gProgramOnce, StoreProgramName);
  return std::string(gProgram, gProgramLength);
}

}  // namespace qtl
