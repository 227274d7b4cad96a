#include "setup/port_installer.h"

#include <cstdint>
#include <optional>

#include "setup/messages.h"
#include "setup/port_list.h"
#include "setup/previous_ports.h"
#include "support/case_fold.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/process.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"

namespace setup {

namespace {

constexpr std::size_t kMaxPath = 260;

// Blanks and control characters removed at both ends.
std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace

PortInstaller::PortInstaller(Spooler& spooler, std::string programFolder, std::string portName)
    : is64Bit(Is64BitWindows),
      hasAdminRights(HasAdminRights),
      spooler_(spooler),
      programFolder_(std::move(programFolder)),
      portName_(std::move(portName)) {}

std::string PortInstaller::MonitorLibraryPath() const { return platform::JoinPath(programFolder_, "rdx32mon.dll"); }

bool PortInstaller::RunInstaller(const std::string& path, std::string* reason) {
  std::string errorText;
  if (!platform::RunProcessKeepingErrors({path}, errorText)) return false;
  if (reason != nullptr) *reason = Trim(errorText);
  return true;
}

bool PortInstaller::ShortMonitorLibraryPath(std::string& shortPath) const {
  const std::string dll = MonitorLibraryPath();
  if (!platform::FileExists(dll)) {
    ShowWarningBox("Could not find file " + dll);
    return false;
  }
  if (!platform::GetShortPathName(dll, shortPath) || shortPath.size() >= kMaxPath) {
    ShowWarningBox("GetShortPathNameA failed!");
    return false;
  }
  return true;
}

bool PortInstaller::SendPortCommand(const std::string& command, const std::string& installerReason) {
  // The monitor's own refusal is often only the effect; what the installer
  // said (no rights, no backend folder) is the cause, on the next line.
  const auto tell = [&](const std::string& text) {
    ShowPlainMessage(installerReason.empty() ? text : text + "\n" + installerReason);
  };
  SpoolerHandle channel;
  if (!spooler_.OpenPrinter(kMonitorChannelName, kServerAccessAdminister, channel)) {
    tell(WithLastError("OpenPrinter error "));
    return false;
  }
  bool failed = false;
  uint32_t status = 0;
  if (!spooler_.XcvData(channel, command, PortNameForChannel(portName_), status)) {
    failed = true;
    tell(WithLastError("XcvData error "));
  }
  if (!channel.Close()) {
    failed = true;
    tell(WithLastError("ClosePrinter error "));
  }
  return !failed;
}

bool PortInstaller::PortExists() {
  std::vector<PortRecord> ports;
  if (!spooler_.EnumPorts(ports)) {
    ShowPlainMessage(WithLastError("EnumPorts() error "));
    return false;
  }
  for (const auto& port : ports) {
    if (SameTextUtf8(port.portName, portName_)) return true;
  }
  return false;
}

void PortInstaller::QueryPort() {
  if (PortExists()) {
    ShowWarningBox("Port [" + portName_ + "] found!");
  } else {
    ShowWarningBox("Port [" + portName_ + "] not found!");
  }
}

void PortInstaller::AddPort(const std::vector<std::string>& gridPrinters) {
  if (PortExists()) {
    ShowWarningBox("Port already installed!");
    AttachPortToPrinters(gridPrinters);
    return;
  }
  if (is64Bit()) {
    InstallPort64(gridPrinters);
  } else {
    InstallPort32();
  }
}

void PortInstaller::InstallPort32() {
  if (!hasAdminRights()) {
    ShowWarningBox("Only the Administrator can run this option!");
    return;
  }
  std::string shortPath;
  if (!ShortMonitorLibraryPath(shortPath)) return;
  const std::string commandLine = "rundll32.exe " + shortPath + ",InstallDll " + shortPath;
  if (!platform::StartProcessFromCommandLine(commandLine, true)) {
    ShowWarningBox(WithLastError("CreateProcessA " + commandLine + " error "));
  }
}

void PortInstaller::InstallPort64(const std::vector<std::string>& gridPrinters) {
  std::string installerReason;
  if (!RunInstaller(platform::JoinPath(programFolder_, "pm64/setup"), &installerReason)) {
    ShowWarningBox(WithLastError("CreateProcess() error "));
    return;
  }
  if (!SendPortCommand("AddPort", installerReason)) return;
  ShowPlainMessage("Success");
  AttachPortToPrinters(gridPrinters);
}

void PortInstaller::AttachPortToPrinters(const std::vector<std::string>& gridPrinters) {
  if (!PortExists()) return;
  for (const auto& cell : gridPrinters) {
    const std::string name = Trim(cell);
    if (name.empty()) continue;
    SpoolerHandle printer;
    if (!spooler_.OpenPrinter(name, kPrinterAccessForPortChange, printer)) {
      ShowPlainMessage(WithLastError("OpenPrinter() error "));
      continue;
    }
    PrinterRecord record;
    if (!spooler_.GetPrinter(printer, record)) {
      ShowPlainMessage(WithLastError("GetPrinter() error "));
      continue;
    }
    if (SameTextUtf8(record.portName, portName_)) continue;
    // Removing the port gives the printer back what it printed to; a printer
    // whose address could not be kept stays where it is.
    const long recorded = RecordPreviousPort(record.printerName, record.portName);
    if (recorded != 0) {
      ShowPlainMessage("Could not record the port of " + record.printerName + ", error " + std::to_string(recorded));
      continue;
    }
    record.portName = portName_;
    if (!spooler_.SetPrinter(printer, record)) ShowPlainMessage(WithLastError("SetPrinter() error "));
  }
}

void PortInstaller::RemovePort() {
  std::vector<PrinterRecord> printers;
  if (spooler_.EnumPrinters(printers)) {
    for (auto& record : printers) {
      std::vector<std::string> ports = SplitPortList(record.portName);
      bool found = false;
      for (auto it = ports.begin(); it != ports.end(); ++it) {
        if (SameTextUtf8(*it, portName_)) {
          ports.erase(it);
          found = true;
          break;
        }
      }
      if (!found) continue;
      // A printer with no port left goes back to what it printed to before
      // it was attached, or to LPT1: when that was never recorded.
      std::optional<std::string> previous;
      if (ports.empty()) previous = PreviousPortOf(record.printerName);
      record.portName = !ports.empty() ? JoinPortList(ports) : previous ? *previous : std::string("LPT1:");
      SpoolerHandle printer;
      if (!spooler_.OpenPrinter(record.printerName, kPrinterAccessForPortChange, printer)) {
        ShowWarningBox(WithLastError("OpenPrinter() error "));
        continue;
      }
      if (!spooler_.SetPrinter(printer, record)) {
        ShowWarningBox(WithLastError("SetPrinter() error "));
        continue;
      }
      ForgetPreviousPort(record.printerName);
    }
  }
  if (is64Bit()) {
    UninstallPort64();
  } else {
    UninstallPort32();
  }
}

void PortInstaller::UninstallPort32() {
  std::string shortPath;
  if (!ShortMonitorLibraryPath(shortPath)) return;
  const std::string commandLine = "rundll32.exe " + shortPath + ",UninstallDll";
  if (!platform::StartProcessFromCommandLine(commandLine, true)) {
    ShowWarningBox(WithLastError("CreateProcess " + commandLine + " error "));
  }
}

void PortInstaller::UninstallPort64() {
  if (!SendPortCommand("DeletePort")) return;
  if (!RunInstaller(platform::JoinPath(programFolder_, "pm64/unrdx64"), nullptr)) {
    ShowWarningBox(WithLastError("CreateProcess() error "));
  }
}

}  // namespace setup
