#include "spoolclient/library_state.h"

#include <atomic>
#include <mutex>

#include "support/platform/process_identity.h"

namespace qtl {

namespace {

std::atomic<bool> gTraceEnabled{false};
std::atomic<bool> gSocketsStarted{false};

// std::mutex has a trivial destructor, so it stays usable during detach.
std::mutex gFolderMutex;

std::string& FolderStorage() {
  static std::string* folder = new std::string;
  return *folder;
}

std::string FileNamePart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool TraceEnabled() { return gTraceEnabled.load(std::memory_order_relaxed); }
void EnableTrace() { gTraceEnabled.store(true, std::memory_order_relaxed); }

bool SocketsStarted() { return gSocketsStarted.load(); }
bool MarkSocketsStarted() { return !gSocketsStarted.exchange(true); }
bool MarkSocketsStopped() { return gSocketsStarted.exchange(false); }

std::string LogFolder() {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  return FolderStorage();
}

void SetLogFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  FolderStorage() = folder;
}

const std::string& HostProgramName() {
  // Thread-safe one-time initialisation; the string is never destroyed.
  static const std::string* name = new std::string(FileNamePart(platform::ExecutablePath()));
  return *name;
}

}  // namespace qtl
