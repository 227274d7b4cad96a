#include "router/form_run.h"

#include <exception>
#include <string>

#include "router/client_binding.h"
#include "router/integer_text.h"
#include "router/routing_table.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"

TFormRun::TFormRun(std::vector<AnsiString> arguments) : arguments_(std::move(arguments)) { FormCreate(); }

TFormRun::~TFormRun() { FormDestroy(); }

void TFormRun::FormCreate() {
  if (arguments_.size() < 3) {
    const AnsiString program = arguments_.empty() ? AnsiString() : arguments_[0];
    AppMessageBox("Syntax: " + program + " filename printername [document_title]", MB_OK | MB_ICONEXCLAMATION);
    terminateRequested_ = true;
    return;
  }

  // Bound on every run, before the table is read: a router that cannot send
  // keeps the job rather than deliver it only partly.
  AnsiString bindFailure;
  if (!BindMaicomm3(FLibrary, FMaicomm3, bindFailure)) {
    WriteLog(bindFailure);
    terminateRequested_ = true;
    return;
  }

  try {
    RunJob();
  } catch (const std::exception& e) {
    AppMessageBox(e.what(), MB_OK | MB_ICONERROR);
  } catch (...) {
    AppMessageBox("", MB_OK | MB_ICONERROR);
  }
  terminateRequested_ = true;
}

void TFormRun::FormDestroy() {
  FMaicomm3 = nullptr;
  FLibrary.Unload();
}

void TFormRun::RunJob() {
  // Always the full path: the client library takes a bare word such as
  // "ISSUE_Z" for a command, not for a file in the current folder.
  const AnsiString jobFile = platform::AbsolutePath(arguments_[1]);
  const AnsiString& printerName = arguments_[2];

  const std::string tablePath = platform::RoutingTablePath();
  if (!platform::FileExists(tablePath)) return;
  std::string table;
  AnsiString error;
  if (!LoadRoutingTable(tablePath, table, error)) {
    WriteLog("Error reading parameter file: " + error);
    return;
  }

  // A FIFO would block whoever opens it, a device never ends, and a link
  // (or a folder) is not a job the monitor wrote: none is read, sent, copied,
  // moved or deleted. The job stays for an operator, as after an abort.
  if (platform::PathEntryExists(jobFile) && !platform::IsRegularFileEntry(jobFile)) {
    WriteLog("Job file " + jobFile + " is not a regular file; it is left in place");
    return;
  }

  bool found = false;
  bool aborted = false;
  ForEachTableLine(table, [&](std::string_view line) {
    if (!LineAppliesTo(line, printerName)) return true;
    found = true;
    aborted = !DispatchRecord(jobFile, printerName, RoutingRecord::FromLine(AnsiString(line)));
    return !aborted;
  });
  if (aborted) return;
  if (!found) {
    ForEachTableLine(table, [&](std::string_view line) {
      if (!LineAppliesTo(line, AnyPrinterName)) return true;
      found = true;
      SendToSpooler(jobFile, printerName, RoutingRecord::FromLine(AnsiString(line)));
      return true;
    });
  }

  // Every file published above is on disk with its folder entry by now (each
  // publish flushes both), so deleting the job cannot lose it to a power cut.
  // A job whose spooler send failed may be kept for a resend instead.
  if (!KeepJobAfterFailedSends(jobFile)) {
    // Quillet forwarding may have moved the job away already; nothing to report then.
    platform::DeleteFile(jobFile);
  }
  if (!found) WriteLog("Did not locate printer " + printerName + " in param. file");
}

bool TFormRun::DispatchRecord(const AnsiString& jobFile, const AnsiString& printerName,
                              const RoutingRecord& record) {
  switch (ClassifyDestination(record.destServer)) {
    case DestinationKind::LocalCopy:
      return MakeLocalCopy(jobFile, record.portLocation);
    case DestinationKind::ProxyHandOff:
      return HandOffToProxy(jobFile, printerName,
                            record.destServer.substr(kProxyPrefix.size()) + ":" + record.portLocation);
    case DestinationKind::QuilletForwarding:
      return ForwardToQuillet(jobFile, LeadingInt32(record.destServer.substr(kQuilletPrefix.size())));
    case DestinationKind::SpoolerSend:
      SendToSpooler(jobFile, printerName, record);
      return true;
  }
  return true;
}

void TFormRun::SendToSpooler(const AnsiString& jobFile, const AnsiString& printerName,
                             const RoutingRecord& record) {
  const AnsiString hostPort = record.destServer + ":" + record.portLocation;
  const int32_t timeoutSec = StrToIntDef(record.timeoutSec, 0);
  const AnsiString attemptTime = HeldTimeText();
  const int32_t result = SendJobFile(FMaicomm3, printerName, hostPort, jobFile, timeoutSec);
  WriteLog("Sent " + jobFile + " to " + hostPort + " for " + printerName + ", ret=" + std::to_string(result));
  if (!SendReachedBackEnd(result)) failedSends_.push_back({hostPort, printerName, timeoutSec, result, attemptTime});
}

bool TFormRun::MakeLocalCopy(const AnsiString& jobFile, const AnsiString& folder) {
  for (int attempt = 0;; ++attempt) {
    AnsiString name;
    if (!MakeLocalCopyName(folder, name)) return false;
    if (platform::CopyFileNoReplace(jobFile, name)) return true;
    const uint32_t error = platform::GetLastError();
    // Another router took the name between the check and the copy: the copy
    // refused to overwrite it, so pick the next free name.
    if (error == platform::kErrorFileExists && attempt < kNameRaceRetries) continue;
    WriteLog("Copy file error " + std::to_string(error));
    return false;
  }
}

bool TFormRun::EnsureDataDir() {
  if (FDataDir.empty()) GetCommonAppDataDir(FDataDir);
  if (FDataDir.empty()) return false;
  if (!platform::DirectoryExists(FDataDir)) {
    try {
      platform::ForceDirectories(FDataDir);
    } catch (const std::exception&) {
      // Reported by the caller's own check below, as a folder that is missing.
    }
  }
  return platform::DirectoryExists(FDataDir);
}
