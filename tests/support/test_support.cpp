#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/platform/process.h"

namespace support_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvanta-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value) {
    ::setenv(name_.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    ::setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

std::string HelperPath() { return SUPPORT_TEST_HELPER; }

uint32_t RunHelper(const std::vector<std::string>& args) {
  std::vector<std::string> argv{HelperPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  uint32_t exitCode = 0;
  if (!platform::StartProcess(argv, true, &exitCode)) return 255;
  return exitCode;
}

TmpfsMount::TmpfsMount(unsigned kilobytes) {
  uint32_t exitCode = 1;
  const std::string options = "size=" + std::to_string(kilobytes) + "k";
  mounted_ = platform::StartProcess({"mount", "-t", "tmpfs", "-o", options, "tmpfs", folder_.path()}, true,
                                    &exitCode) &&
             exitCode == 0;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) platform::StartProcess({"umount", "-l", folder_.path()}, true, nullptr);
}

bool TmpfsMount::MakeReadOnly() {
  uint32_t exitCode = 1;
  return mounted_ && platform::StartProcess({"mount", "-o", "remount,ro", folder_.path()}, true, &exitCode) &&
         exitCode == 0;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

}  // namespace support_test
