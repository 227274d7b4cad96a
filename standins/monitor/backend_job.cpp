#include "standins/monitor/backend_job.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "standins/monitor/backend_status.h"
#include "standins/monitor/device_uri.h"
#include "standins/monitor/job_spool.h"
#include "standins/monitor/monitor_settings.h"
#include "standins/monitor/port_command.h"
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
      return Fail(messages, "Cannot write the job file " + spooled.jobPath + ErrorText(spooled.error) +
                                " (the job file has been removed)");
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
  if (command.empty()) {
    return Fail(messages, std::string(kPortCommandValue) + " names no program; the job is kept in " + spooled.jobPath);
  }
  messages << "DEBUG: Running " << command.front() << " for " << spooled.jobPath << std::endl;
  uint32_t exitCode = 0;
  if (!platform::StartProcess(command, true, &exitCode)) {
    const uint32_t error = platform::GetLastError();
    return Fail(messages, "Cannot start the port command " + command.front() + ErrorText(error) +
                              "; the job is kept in " + spooled.jobPath);
  }
  if (exitCode != 0) {
    // The job has been handed over: the command owns the file and reports its
    // own outcome. Failing here would make the scheduler repeat a job that
    // may already have been delivered.
    messages << "WARNING: The port command " << command.front() << " ended with status " << exitCode << std::endl;
  }
  return kBackendOk;
}
