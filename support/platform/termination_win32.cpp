// Termination requests on Windows are console control events (Ctrl+C, Ctrl+Break,
// a closing console, log-off and shutdown). The handler runs on a thread of
// its own; the state it reads is written before the handler is installed.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "support/platform/termination.h"
#include "support/platform/win32_text.h"

namespace platform {

namespace {

std::mutex gMutex;
std::wstring gPathToRemove;
int gExitCode = 1;
bool gDeferred = false;
std::atomic<bool> gRequested{false};

BOOL WINAPI OnControl(DWORD) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gDeferred) {
    gRequested = true;
    return TRUE;
  }
  if (!gPathToRemove.empty()) ::DeleteFileW(gPathToRemove.c_str());
  ::ExitProcess(static_cast<UINT>(gExitCode));
  return TRUE;
}

void InstallOnce() {
  static std::once_flag once;
  std::call_once(once, [] { ::SetConsoleCtrlHandler(OnControl, TRUE); });
}

}  // namespace

void AbandonOnTermination(const std::string& pathToRemove, int exitCode) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gPathToRemove = pathToRemove.empty() ? std::wstring() : WidePath(pathToRemove);
    gExitCode = exitCode;
    gDeferred = false;
  }
  InstallOnce();
}

void DeferTermination() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gPathToRemove.clear();
    gDeferred = true;
  }
  InstallOnce();
}

bool TerminationRequested() { return gRequested; }

}  // namespace platform
