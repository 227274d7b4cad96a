// Quillet forwarding: the job moves, as a ".ps" file, into the import folder
// that the importer's own settings file names for the instance.
#include <exception>
#include <string>

#include "router/form_run.h"
#include "router/param_base2.h"
#include "support/platform/clock.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

namespace {

// Any entry takes a name, a dangling link included.
bool PathTaken(const std::string& path) { return platform::PathEntryExists(path); }

// A name in `folder` that no file has at this moment.
std::string FreeImportName(const std::string& folder) {
  const std::string tick = std::to_string(static_cast<int32_t>(platform::GetTickCount()));
  std::string candidate;
  for (uint32_t counter = 1;; ++counter) {
    candidate = platform::JoinPath(folder, tick + "_" + std::to_string(counter) + ".ps");
    if (!PathTaken(candidate)) return candidate;
  }
}

}  // namespace

bool TFormRun::ForwardToQuillet(const AnsiString& jobFile, int32_t instance) {
  const std::string settingsPath = platform::QuilletSettingsPath();
  if (!platform::FileExists(settingsPath)) {
    WriteLog("File does not exist: " + settingsPath);
    return false;
  }
  // Read afresh for every record: the importer may change its settings at any time.
  const cPARAMBASE2 settings(settingsPath);
  AnsiString nodePath = "Quill";
  if (instance >= 2) nodePath += std::to_string(instance);
  nodePath += "/ImportPath";
  if (settings.root.empty()) {
    WriteLog("psOutPath not set!");
    return false;
  }
  const pugi::xml_node node = settings.GetNode(nodePath);
  if (node.empty()) {
    WriteLog("Node not found: " + nodePath);
    return false;
  }
  const AnsiString folder = settings.NodeText(node);
  if (folder.empty()) {
    WriteLog("psOutPath not set!");
    return false;
  }
  if (!platform::DirectoryExists(folder)) {
    try {
      // A folder that stays missing makes the move below fail and say why.
      platform::ForceDirectories(folder);
    } catch (const std::exception& e) {
      WriteLog(AnsiString("TFormRun::ForwardToQuillet") + " error: " + e.what());
      return false;
    }
  }

  // A move renames folders too; a folder in the job's place is no print job.
  if (platform::DirectoryExists(jobFile)) {
    WriteLog(AnsiString("TFormRun::ForwardToQuillet") + ".MoveFileEx error " +
             std::to_string(platform::kErrorAccessDenied));
    return false;
  }
  for (int attempt = 0;; ++attempt) {
    if (platform::MoveFileNoReplace(jobFile, FreeImportName(folder))) return true;
    const uint32_t error = platform::GetLastError();
    // Another router took the name between the check and the move.
    if (error == platform::kErrorFileExists && attempt < kNameRaceRetries) continue;
    WriteLog(AnsiString("TFormRun::ForwardToQuillet") + ".MoveFileEx error " + std::to_string(error));
    return false;
  }
}
