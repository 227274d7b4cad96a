#include "tests/spoolclient/test_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace spooltest {

namespace {

std::string CreateUniqueFolder(const std::string& prefix) {
  std::random_device device;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = base / (prefix + std::to_string(device()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate.string();
  }
  throw std::runtime_error("cannot create a temporary folder");
}

}  // namespace

TestRoot::TestRoot(bool withCommonData) : path_(CreateUniqueFolder("spoolclient-root-")) {
  if (withCommonData) std::filesystem::create_directories(path_ + "/var/lib");
  std::filesystem::create_directories(path_ + "/etc/corvanta");
  ::setenv("CORVANTA_ROOT", path_.c_str(), 1);
}

TestRoot::~TestRoot() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::string TestRoot::MakeFolder(const std::string& name) const {
  const std::string folder = path_ + "/" + name;
  std::filesystem::create_directories(folder);
  return folder;
}

TempFolder::TempFolder() : path_(CreateUniqueFolder("spoolclient-tmp-")) {}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
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

bool PathExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace spooltest
