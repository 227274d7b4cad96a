#pragma once
// Where the job router is, for the port command the setup tool suggests.
#include <string>

namespace setup {

// The router's file name on this platform.
inline constexpr const char* kRouterFileName = "rdx64run";

// The router beside the setup program; when it is not there but an
// installation keeps it in <prefix>/lib/corvanta (the setup program in
// <prefix>/bin), that one. Without either, the path beside the program.
std::string DefaultRouterPath(const std::string& programFolder);

// The port command that runs `routerPath` with the job file, the printer
// name and the document title: "\"<router>\" \"%1\" \"%2\" \"%3\"".
std::string PortCommandFor(const std::string& routerPath);

}  // namespace setup
