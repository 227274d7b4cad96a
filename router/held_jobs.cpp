// Keeping a job whose spooler send failed, for the resend command, when the
// operator has switched that on; otherwise the job is deleted as always.
#include <string>

#include "router/form_run.h"
#include "router/held_store.h"
#include "support/platform/win_error.h"
#include "support/router_settings.h"

bool TFormRun::KeepJobAfterFailedSends(const AnsiString& jobFile) {
  if (failedSends_.empty() || !ReadKeepFailedSends()) return false;
  HeldCompanion companion;
  companion.originalJob = jobFile;
  companion.heldTime = HeldTimeText();
  companion.sends = failedSends_;
  AnsiString heldJob;
  if (EnsureDataDir() && HoldJob(FDataDir, jobFile, companion, heldJob)) {
    WriteLog("Kept " + jobFile + " as " + heldJob + " for a resend");
    return true;
  }
  // Not deleted either: a job that was to be kept is never lost.
  const uint32_t error = FDataDir.empty() ? platform::kErrorPathNotFound : platform::GetLastError();
  WriteLog("Could not keep " + jobFile + " for a resend, error " + std::to_string(error));
  return true;
}
