// Proxy hand-off: the job and its control file, left for the forwarding process.
#include <string>

#include "router/form_run.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/file_publish.h"
#include "support/platform/files.h"
#include "support/platform/win_error.h"
#include "support/platform/win_error_text.h"

namespace {

// The data file's name with ".say" in place of ".dat".
AnsiString CompanionPathFor(const AnsiString& dataFile) {
  const auto dot = dataFile.rfind('.');
  const auto slash = dataFile.rfind('/');
  if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash)) return dataFile + ".say";
  return dataFile.substr(0, dot) + ".say";
}

AnsiString FolderOf(const AnsiString& path) {
  const auto slash = path.rfind('/');
  return slash == AnsiString::npos ? AnsiString(".") : path.substr(0, slash);
}

}  // namespace

bool TFormRun::HandOffToProxy(const AnsiString& jobFile, const AnsiString& printerName, const AnsiString& hostPort) {
  AnsiString dataFile;
  if (!AllocateProxyDataFile(dataFile)) return false;
  const AnsiString folder = FolderOf(dataFile);
  auto logCopyError = [&](uint32_t error) {
    WriteLog("Move file " + jobFile + " into " + dataFile + " error " + std::to_string(error));
  };
  auto logCompanionError = [&](uint32_t error) {
    const AnsiString companion = CompanionPathFor(dataFile);
    WriteLog("Create file " + companion + " error: Cannot create file \"" + companion + "\". " +
             platform::SysErrorMessage(error));
  };

  // The forwarding process takes a ".say" as the sign that its pair is ready.
  // Both files are written in full, unseen, before either name appears; the
  // ".dat" is then published first and the ".say" right after it.
  platform::FileHandle job;
  platform::PendingFile data;
  if (!platform::OpenRegularForRead(jobFile, job) || !data.Create(folder) ||
      !platform::CopyFileData(job.get(), data.fd())) {
    logCopyError(platform::GetLastError());
    return false;
  }
  job.Close();
  const AnsiString lines = "HostPort=" + hostPort + "\r\nKeyword=" + printerName + "\r\n";
  platform::PendingFile companion;
  if (!companion.Create(folder) || !platform::WriteAll(companion.fd(), lines.data(), lines.size())) {
    logCompanionError(platform::GetLastError());
    return false;
  }

  for (int attempt = 0;; ++attempt) {
    // A ".say" or ".dat" already under this number (a restored or deleted
    // counter file, a planted name) would pair our file with a stranger's:
    // the number is skipped, like a name another router took.
    bool taken = platform::PathEntryExists(dataFile) || platform::PathEntryExists(CompanionPathFor(dataFile));
    if (!taken && !data.Publish(dataFile, true)) {
      const uint32_t error = platform::GetLastError();
      if (error != platform::kErrorFileExists) {
        logCopyError(error);
        return false;
      }
      taken = true;
    }
    if (taken) {
      if (attempt >= kNameRaceRetries) {
        logCopyError(platform::kErrorFileExists);
        return false;
      }
      if (!AllocateProxyDataFile(dataFile)) return false;
      continue;
    }
    break;
  }
  if (!companion.Publish(CompanionPathFor(dataFile), true)) {
    const uint32_t error = platform::GetLastError();
    // A ".dat" without its ".say" is never collected; and one left here would
    // pair with whatever ".say" appears under its name later. Take it back.
    platform::DeleteFile(dataFile);
    platform::SyncFolder(folder);
    logCompanionError(error);
    return false;
  }
  return true;
}
