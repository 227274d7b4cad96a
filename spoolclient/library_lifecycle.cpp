#include "spoolclient/library_lifecycle.h"

#include <exception>

#include "spoolclient/library_log.h"
#include "spoolclient/library_state.h"
#include "spoolclient/log_purge.h"
#include "spoolclient/transport.h"
#include "support/platform/paths.h"
#include "support/system_helpers.h"

namespace qtl {

std::string DefaultLogFolder() {
  AnsiString common;
  // The library takes only a definite answer: a common data folder that does
  // not exist yet sends the log to the fallback folder instead.
  if (GetCommonAppDataDir(common, AppDataSuccessRule::ExactlyZero) && !common.empty()) {
    return platform::JoinPath(common, "qtlapi");
  }
  return platform::CorvantaRoot() + "/qtlapi";
}

void ProcessAttach() {
  try {
    // Capture names come from the platform's random source, which needs no
    // seeding here.
    SetLogFolder(DefaultLogFolder());
    WriteLogLine("DLL_PROCESS_ATTACH");
  } catch (const std::exception&) {
  }
}

void ProcessDetach() {
  try {
    if (SocketsStarted()) StopSockets();
    PurgeOldLogs();
    WriteLogLine("DLL_PROCESS_DETACH");
  } catch (const std::exception&) {
  }
}

}  // namespace qtl
