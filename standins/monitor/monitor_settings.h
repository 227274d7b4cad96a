#pragma once
// What the Redirected Port monitor keeps in the registry: its settings
// (written by the setup tool) and its list of ports.
#include <string>
#include <vector>

inline constexpr const char* kMonitorKeyPath = "SOFTWARE\\Corvanta\\Vanteo Spooler";
inline constexpr const char* kMonitorPortsKeyPath = "SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports";
inline constexpr const char* kPortCommandValue = "PortCommand";
inline constexpr const char* kFirstTempDirValue = "FirstTempDir";

struct MonitorSettings {
  std::string portCommand;   // empty when not set
  std::string firstTempDir;  // empty when not set
};

// Reads both settings; a missing value stays empty. Returns the registry's
// error for a key that cannot be opened (0 on success).
long ReadMonitorSettings(MonitorSettings& settings);

// The monitor's ports in the order stored; a missing list is an empty one.
long ReadMonitorPorts(std::vector<std::string>& ports);

// True when `port` is among `ports`, ignoring case as port names do.
bool ListsPort(const std::vector<std::string>& ports, const std::string& port);
