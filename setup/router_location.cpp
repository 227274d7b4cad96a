#include "setup/router_location.h"

#include "support/platform/files.h"
#include "support/platform/paths.h"

namespace setup {

std::string DefaultRouterPath(const std::string& programFolder) {
  const std::string beside = platform::JoinPath(programFolder, kRouterFileName);
  if (platform::FileExists(beside)) return beside;
  const auto slash = programFolder.rfind('/');
  if (slash != std::string::npos && programFolder.substr(slash + 1) == "bin") {
    const std::string prefix = programFolder.substr(0, slash);
    const std::string installed = platform::JoinPath(prefix.empty() ? "/" : prefix, "lib/corvanta/" + std::string(kRouterFileName));
    if (platform::FileExists(installed)) return installed;
  }
  return beside;
}

std::string PortCommandFor(const std::string& routerPath) {
  return "\"" + routerPath + "\" \"%1\" \"%2\" \"%3\"";
}

}  // namespace setup
