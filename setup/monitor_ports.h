#pragma once
// The port monitor's list of ports, kept in the registry: one string value per
// port below kMonitorPortsKey, named after the port, with empty data. The
// monitor's backend lists its devices from it.
#include <string>
#include <vector>

namespace setup {

inline constexpr const char* kMonitorPortsKey = "SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports";
inline constexpr const char* kMonitorName = "Redirected Port";

// The ports, in stored order; an absent key is an empty list. Returns a
// Win32 error number (0 on success).
long ListMonitorPorts(std::vector<std::string>& ports);
// Adds `portName`; adding an existing port (in any case) changes nothing.
long AddMonitorPort(const std::string& portName);
// Deletes `portName` (any case); kErrorUnknownPort when it is not listed.
long DeleteMonitorPort(const std::string& portName);

}  // namespace setup
