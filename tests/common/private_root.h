#pragma once
// An installation root of the test's own: CORVANTA_ROOT points at a fresh
// temporary folder for the owner's lifetime.
#include <string>

#include "tests/common/scoped_env.h"
#include "tests/common/temp_folder.h"

namespace corvanta_test {

class PrivateRoot {
 public:
  PrivateRoot() : environment_("CORVANTA_ROOT", folder_.path()) {}
  const std::string& path() const { return folder_.path(); }
  std::string operator/(const std::string& name) const { return folder_ / name; }

 private:
  TempFolder folder_;
  ScopedEnv environment_;
};

}  // namespace corvanta_test
