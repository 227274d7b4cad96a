#pragma once
// The spooler on this machine: CUPS, reached through libcups (CUPS_SERVER
// chooses the server, as for every CUPS client).
//
// - Printers are the local CUPS queues; a printer's port is its device URI,
//   mapped as port_uri.h says.
// - Ports are "LPT1:" and, while the monitor's backend is installed, the
//   monitor's ports from the registry (monitor_ports.h).
// - The monitor channel opens only while the backend is installed: the file
//   "rdxport" in the backend folder, $CORVANTA_CUPS_BACKEND_DIR when set,
//   else CUPS's own ("cups-config --serverbin"/backend). "AddPort" and
//   "DeletePort" change the registry port list.
#include <memory>
#include <string>

#include "setup/spooler.h"

namespace setup {

std::unique_ptr<Spooler> CreateCupsSpooler();

// The folder the monitor's installers put the backend in.
std::string MonitorBackendFolder();
// True when the monitor's backend is in that folder.
bool MonitorBackendInstalled();

}  // namespace setup
