// Proxy hand-off: the job and its control file, left for the forwarding process.
#include <string>

#include "router/form_run.h"
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

}  // namespace

bool TFormRun::HandOffToProxy(const AnsiString& jobFile, const AnsiString& printerName, const AnsiString& hostPort) {
  AnsiString dataFile;
  if (!AllocateProxyDataFile(dataFile)) return false;

  // The ".dat" appears under its name only when complete, and never replaces a file.
  if (!platform::CopyFileNoReplace(jobFile, dataFile)) {
    WriteLog("Move file " + jobFile + " into " + dataFile + " error " + std::to_string(platform::GetLastError()));
    return false;
  }

  const AnsiString companion = CompanionPathFor(dataFile);
  const AnsiString lines = "HostPort=" + hostPort + "\r\nKeyword=" + printerName + "\r\n";
  // Written after the ".dat" is complete, to a temporary name first: the
  // forwarding process takes a ".say" as the sign that its pair is ready.
  if (!platform::CreateFileNoReplace(companion, lines)) {
    const uint32_t error = platform::GetLastError();
    WriteLog("Create file " + companion + " error: Cannot create file \"" + companion + "\". " +
             platform::SysErrorMessage(error));
    return false;
  }
  return true;
}
