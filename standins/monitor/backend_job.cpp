#include "standins/monitor/backend_job.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "standins/monitor/backend_status.h"
#include "standins/monitor/device_uri.h"
#include "standins/monitor/job_spool.h"
#include "standins/monitor/monitor_settings.h"
#include "standins/monitor/port_command.h"
#include "support/platform/clock.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/process.h"
#include "support/platform/termination.h"
#include "support/platform/win_error.h"

namespace {

// The scheduler keeps copies within this range; anything else is one copy.
int CopiesFrom(const std::string& text) {
  char* end = nullptr;
  const long copies = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || copies < 1 || copies > 9999) return 1;
  return static_cast<int>(copies);
}

int Fail(std::ostream& messages, const std::string& text) {
  messages << "ERROR: " << text << std::endl;
  return kBackendFailed;
}

std::string ErrorText(uint32_t error) { return ", error " + std::to_string(error); }

// A killed command's status: this plus the signal's number.
constexpr uint32_t kSignalStatusBase = 128;

// Today's log of the job router, where it says why it kept a job.
std::string RouterLogPath() {
  const platform::SystemTime now = platform::GetLocalTime();
  char name[32];
  std::snprintf(name, sizeof name, "rdx64%04d%02d%02d.txt", now.year, now.month, now.day);
  return platform::JoinPath(platform::CommonAppDataFolder(), std::string("Corvanta/Stampline/") + name);
}

std::string WriteHint(uint32_t error) {
  if (error == platform::kErrorAccessDenied || error == platform::kErrorWriteProtect) {
    return " (the folder must be writable by the user this backend runs as)";
  }
  if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) {
    return " (the folder does not exist; \"Reset monitor directory\" in the setup tool creates it)";
  }
  return {};
}

}  // namespace

int RunBackendJob(const BackendJob& job, std::ostream& messages) {
  std::string port;
  if (!PortFromDeviceUri(job.deviceUri, port)) {
    return Fail(messages, "The device URI \"" + job.deviceUri + "\" names no Redirected Port port (expected " +
                              kBackendScheme + ":/<port>)");
  }
  if (job.printer.empty()) return Fail(messages, "The printer name is missing (PRINTER is not set)");

  const std::string where = std::string(" in ") + kMonitorKeyPath + " of " + platform::RegistryFilePath();
  MonitorSettings settings;
  const long settingsResult = ReadMonitorSettings(settings);
  if (settingsResult != 0) {
    return Fail(messages, "The Redirected Port settings cannot be read" + where +
                              ErrorText(static_cast<uint32_t>(settingsResult)) + "; save them with the setup tool");
  }
  std::vector<std::string> ports;
  const long portsResult = ReadMonitorPorts(ports);
  if (portsResult != 0) {
    return Fail(messages, std::string("The Redirected Port port list cannot be read") +
                              ErrorText(static_cast<uint32_t>(portsResult)));
  }
  if (!ListsPort(ports, port)) {
    return Fail(messages, "Port " + port + " is not installed in the Redirected Port monitor; add it with the setup tool");
  }
  if (settings.portCommand.empty()) {
    return Fail(messages, std::string(kPortCommandValue) + " is not set" + where + "; save the settings with the setup tool");
  }
  if (settings.firstTempDir.empty()) {
    return Fail(messages, std::string(kFirstTempDirValue) + " is not set" + where +
                              "; use \"Reset monitor directory\" in the setup tool");
  }

  // A template that names no program is known before anything is spooled.
  if (ExpandPortCommand(settings.portCommand, "job", job.printer, job.title).empty()) {
    return Fail(messages, std::string(kPortCommandValue) + " names no program" + where +
                              "; save the settings with the setup tool");
  }

  const SpoolOutcome spooled =
      SpoolJob(settings.firstTempDir, job.jobId, job.inputPath, CopiesFrom(job.copies), kBackendFailed);
  switch (spooled.failedStep) {
    case SpoolStep::kNone:
      break;
    case SpoolStep::kReadInput:
      return Fail(messages, "Cannot read the job data from " + job.inputPath + ErrorText(spooled.error));
    case SpoolStep::kCreateFile:
      return Fail(messages, "Cannot create a job file in " + settings.firstTempDir + ErrorText(spooled.error) +
                                WriteHint(spooled.error));
    case SpoolStep::kWriteFile:
      return Fail(messages, "Cannot write the job file in " + settings.firstTempDir + ErrorText(spooled.error) +
                                " (nothing was left there)");
  }

  // From here the job file is complete and belongs to the port command. A
  // cancel request no longer removes it; the command is left to finish, since
  // stopping it half-way could deliver the job only in part.
  platform::DeferTermination();
  if (platform::TerminationRequested()) {
    // Cancelled between spooling and starting the command: nothing was handed over.
    platform::DeleteFile(spooled.jobPath);
    return kBackendFailed;
  }
  const std::vector<std::string> command = ExpandPortCommand(settings.portCommand, spooled.jobPath, job.printer, job.title);
  messages << "DEBUG: Running " << command.front() << " for " << spooled.jobPath << std::endl;
  uint32_t exitCode = 0;
  if (!platform::StartProcess(command, true, &exitCode)) {
    const uint32_t error = platform::GetLastError();
    // Nothing was handed over and the scheduler keeps the job for its retry:
    // our copy would only be an orphan that every retry adds to.
    platform::DeleteFile(spooled.jobPath);
    return Fail(messages, "Cannot start the port command " + command.front() + ErrorText(error) +
                              "; the print spooler keeps the job");
  }
  // The job has been handed over: the command owns the file and reports its
  // own outcome. Failing here would make the scheduler repeat a job that may
  // already have been delivered, so the operator is told instead.
  if (exitCode != 0) {
    messages << "WARNING: The port command " << command.front() << " ended with status " << exitCode;
    if (exitCode > kSignalStatusBase) messages << " (stopped by signal " << exitCode - kSignalStatusBase << ")";
    messages << std::endl;
  }
  if (platform::PathEntryExists(spooled.jobPath)) {
    messages << "WARNING: The job was not delivered everywhere and is kept in " << spooled.jobPath << "; see "
             << RouterLogPath() << " for the reason" << std::endl;
  }
  return kBackendOk;
}
