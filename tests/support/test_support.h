#pragma once
// Fixtures shared by the support tests: temporary folders, environment
// variables set for one test, the helper program, a small tmpfs mount.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace support_test {

// A fresh folder below /tmp, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) one environment variable until destroyed.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A test with its own installation root: CORVANTA_ROOT points at a fresh
// temporary folder for the test's duration.
class RootTest : public ::testing::Test {
 protected:
  RootTest() : root_env_("CORVANTA_ROOT", root_.path()) {}
  const TempDir& root() const { return root_; }

 private:
  TempDir root_;
  ScopedEnv root_env_;
};

// The helper program built next to the tests.
std::string HelperPath();

// Runs the helper with `args` and waits; its exit status (128 + signal when killed).
uint32_t RunHelper(const std::vector<std::string>& args);

// A tmpfs of `kilobytes` mounted on a fresh folder; unmounted at the end.
// mounted() is false when this machine does not let us mount.
class TmpfsMount {
 public:
  explicit TmpfsMount(unsigned kilobytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& path() const { return folder_.path(); }
  // Remounts read-only; false when that fails.
  bool MakeReadOnly();

 private:
  TempDir folder_;
  bool mounted_ = false;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
// The names in `folder` (without "." and "..").
std::vector<std::string> ListFolder(const std::string& folder);

}  // namespace support_test
