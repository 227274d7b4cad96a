#pragma once
// A Redirected Port port as the print spooler sees it: the device URI
// "rdxport:/RPT1:" stands for the monitor's port "RPT1:".
#include <string>

inline constexpr const char* kBackendScheme = "rdxport";

// "rdxport:/" + the port name, with what a URI cannot hold percent-encoded.
std::string DeviceUriForPort(const std::string& port);

// The port name of an "rdxport:" device URI; false for any other URI or an
// empty or malformed port name.
bool PortFromDeviceUri(const std::string& uri, std::string& port);

// One line of the device listing the scheduler asks for:
// direct rdxport:/RPT1: "Redirected Port RPT1:" "Redirected Port"
std::string DeviceListLine(const std::string& port);
