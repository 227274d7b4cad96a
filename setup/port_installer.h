#pragma once
// Installing and removing the port monitor and its port, and pointing
// printers at the port. Every failure is told to the user (messages.h) and
// stops the operation where the user could not sensibly go on.
#include <functional>
#include <string>
#include <vector>

#include "setup/spooler.h"

namespace setup {

// The monitor port the setup tool manages.
inline constexpr const char* kManagedPortName = "RPT1:";

class PortInstaller {
 public:
  // `programFolder` holds the installers (pm64/setup, pm64/unrdx64) and, on
  // 32-bit Windows, the monitor library.
  PortInstaller(Spooler& spooler, std::string programFolder, std::string portName = kManagedPortName);

  const std::string& portName() const { return portName_; }
  const std::string& programFolder() const { return programFolder_; }
  Spooler& spooler() const { return spooler_; }

  // True when the port is among the spooler's ports.
  bool PortExists();
  // Tells the user whether the port exists.
  void QueryPort();
  // Installs the monitor and its port, or only attaches the printers named
  // in `gridPrinters` when the port exists already.
  void AddPort(const std::vector<std::string>& gridPrinters);
  void InstallPort32();
  void InstallPort64(const std::vector<std::string>& gridPrinters);
  // Makes the port the only port of every printer named in `gridPrinters`.
  void AttachPortToPrinters(const std::vector<std::string>& gridPrinters);
  // Moves every local printer off the port, then removes port and monitor.
  void RemovePort();
  void UninstallPort32();
  void UninstallPort64();

  // Replaceable questions, asked anew at each use.
  std::function<bool()> is64Bit;
  std::function<bool()> hasAdminRights;

 private:
  std::string MonitorLibraryPath() const;
  // The monitor library's short path for a rundll32 command line; false,
  // with the warning shown, when the library or its short path is missing.
  bool ShortMonitorLibraryPath(std::string& shortPath) const;
  // Sends `command` ("AddPort", "DeletePort") for the port through the
  // monitor's configuration channel; false, with every failure shown, when
  // it or the closing of the channel failed. A failure message carries
  // `installerReason`, when there is one, on its next line.
  bool SendPortCommand(const std::string& command, const std::string& installerReason = {});
  // Starts `path` with no arguments and waits for it; `reason` (when given)
  // gets what it wrote to its standard error.
  bool RunInstaller(const std::string& path, std::string* reason);

  Spooler& spooler_;
  std::string programFolder_;
  std::string portName_;
};

}  // namespace setup
