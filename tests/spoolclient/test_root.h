#pragma once
// A private installation root for one test process: a fresh temporary
// folder that CORVANTA_ROOT points at, removed again at the end.
#include <string>

namespace spooltest {

class TestRoot {
 public:
  // Creates the folder (with var/lib, so the common data folder exists
  // unless `withCommonData` is false) and sets CORVANTA_ROOT to it.
  explicit TestRoot(bool withCommonData = true);
  ~TestRoot();
  TestRoot(const TestRoot&) = delete;
  TestRoot& operator=(const TestRoot&) = delete;

  const std::string& path() const { return path_; }
  // The library's log folder below this root.
  std::string LogFolder() const { return path_ + "/var/lib/Corvanta/qtlapi"; }
  // A fresh empty subfolder.
  std::string MakeFolder(const std::string& name) const;

 private:
  std::string path_;
};

// A temporary folder of its own (not a root), removed at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Small file helpers.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
bool PathExists(const std::string& path);

}  // namespace spooltest
