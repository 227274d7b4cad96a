#pragma once
// A private installation root for one test process: a fresh temporary
// folder that CORVANTA_ROOT points at, removed again at the end.
#include <string>

#include "tests/common/file_text.h"
#include "tests/common/scoped_env.h"
#include "tests/common/temp_folder.h"

namespace spooltest {

class TestRoot {
 public:
  // Creates the folder (with var/lib, so the common data folder exists
  // unless `withCommonData` is false) and sets CORVANTA_ROOT to it.
  explicit TestRoot(bool withCommonData = true);

  const std::string& path() const { return folder_.path(); }
  // The library's log folder below this root.
  std::string LogFolder() const { return path() + "/var/lib/Corvanta/qtlapi"; }
  // A fresh empty subfolder.
  std::string MakeFolder(const std::string& name) const;

 private:
  corvanta_test::TempFolder folder_;
  corvanta_test::ScopedEnv environment_;
};

using corvanta_test::PathExists;
using corvanta_test::ReadFileText;
using corvanta_test::WriteFileText;

}  // namespace spooltest
