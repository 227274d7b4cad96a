#pragma once
// Fixtures of the Windows tests: a temporary folder removed with its
// contents, an environment variable set for a scope, small file helpers.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform/random.h"

namespace windows_test {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    for (;;) {
      const fs::path candidate = fs::temp_directory_path() / ("corvanta-" + std::to_string(platform::RandomUInt32()));
      if (fs::create_directory(candidate)) {
        path_ = candidate.generic_string();
        return;
      }
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) { _putenv_s(name_.c_str(), value ? value->c_str() : ""); }
  std::string name_;
  std::optional<std::string> old_;
};

inline void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The names in `folder`, sorted.
inline std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The folder of the running test program (where the build puts the DLL and
// the router too).
std::string ProgramFolder();

}  // namespace windows_test
