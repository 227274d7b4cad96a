#pragma once
// How a Windows-style port name maps onto a CUPS printer's device URI.
// The monitor's ports ("RPT1:") are served by the "rdxport" backend; "LPT1:",
// the port a printer falls back to when it leaves the monitor, is the first
// parallel port; any other device URI stands for itself.
#include <string>

namespace setup {

inline constexpr const char* kMonitorBackendScheme = "rdxport";
inline constexpr const char* kFallbackPortName = "LPT1:";
inline constexpr const char* kFallbackDeviceUri = "parallel:/dev/lp0";

// "RPT1:" -> "rdxport:/RPT1:"; "LPT1:" -> "parallel:/dev/lp0"; a URI
// (scheme, colon, slash) stays as it is.
std::string DeviceUriFromPort(const std::string& portName);
// The reverse of DeviceUriFromPort.
std::string PortFromDeviceUri(const std::string& deviceUri);

}  // namespace setup
