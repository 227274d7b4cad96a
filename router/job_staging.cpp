// Names for local copies: tick count and counter, never an existing file.
#include <exception>
#include <string>

#include "router/form_run.h"
#include "support/platform/clock.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"

namespace {

// Any entry takes a name, a dangling link included: publishing refuses to
// replace one, so skipping only real files would pick the same name again.
bool PathTaken(const std::string& path) { return platform::PathEntryExists(path); }

}  // namespace

bool TFormRun::MakeLocalCopyName(const AnsiString& folder, AnsiString& name) {
  if (!platform::DirectoryExists(folder)) {
    try {
      platform::ForceDirectories(folder);
    } catch (const std::exception& e) {
      WriteLog(AnsiString("ForceDirectories() error: ") + e.what());
      return false;
    }
  }
  if (!platform::DirectoryExists(folder)) {
    WriteLog("Could not create folder " + folder);
    return false;
  }
  // Signed on purpose: a tick count past 2^31 gives a name beginning with "-".
  const std::string tick = std::to_string(static_cast<int32_t>(platform::GetTickCount()));
  std::string candidate;
  for (uint32_t counter = 1;; ++counter) {
    candidate = platform::JoinPath(folder, tick + "." + std::to_string(counter) + ".prn");
    if (!PathTaken(candidate)) break;
  }
  name = candidate;
  return true;
}
