#include "setup/router_location.h"

#include "support/platform/paths.h"

namespace setup {

std::string DefaultRouterPath(const std::string& programFolder) {
  return platform::JoinPath(programFolder, kRouterFileName);
}

std::string PortCommandFor(const std::string& routerPath) {
  return "\"" + routerPath + "\" \"%1\" \"%2\" \"%3\"";
}

}  // namespace setup
