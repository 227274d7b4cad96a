#include "tests/spoolclient/test_root.h"

#include <filesystem>

namespace spooltest {

TestRoot::TestRoot(bool withCommonData) : environment_("CORVANTA_ROOT", folder_.path()) {
  if (withCommonData) std::filesystem::create_directories(path() + "/var/lib");
  std::filesystem::create_directories(path() + "/etc/corvanta");
}

std::string TestRoot::MakeFolder(const std::string& name) const {
  const std::string folder = path() + "/" + name;
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace spooltest
