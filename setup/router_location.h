#pragma once
// Where the job router is, for the port command the setup tool suggests.
#include <string>

namespace setup {

// The router's file name on this platform.
inline constexpr const char* kRouterFileName = "rdx64run";

// The router beside the setup program (an installation keeps both in one
// folder and links the setup program onto PATH).
std::string DefaultRouterPath(const std::string& programFolder);

// The port command that runs `routerPath` with the job file, the printer
// name and the document title: "\"<router>\" \"%1\" \"%2\" \"%3\"".
std::string PortCommandFor(const std::string& routerPath);

}  // namespace setup
