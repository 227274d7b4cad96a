#include "setup_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "support/platform/process.h"
#include "support/platform/system_info.h"

namespace setup_test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "corvanta-setup-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
  // Readable by the unprivileged user that some tests run as.
  fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value) {
    setenv(name_.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

namespace {
std::mutex& RecordMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<RecordedMessage>& Records() {
  static std::vector<RecordedMessage> records;
  return records;
}
}  // namespace

MessageRecorder::MessageRecorder() {
  clear();
  platform::SetMessageBoxHandler([](const std::string& caption, const std::string& text, int32_t flags) {
    std::lock_guard<std::mutex> lock(RecordMutex());
    Records().push_back(RecordedMessage{caption, text, flags});
    return 1;
  });
}

MessageRecorder::~MessageRecorder() { platform::SetMessageBoxHandler(nullptr); }

std::vector<RecordedMessage> MessageRecorder::messages() const {
  std::lock_guard<std::mutex> lock(RecordMutex());
  return Records();
}

std::vector<std::string> MessageRecorder::texts() const {
  std::vector<std::string> texts;
  for (const auto& message : messages()) texts.push_back(message.text);
  return texts;
}

void MessageRecorder::clear() {
  std::lock_guard<std::mutex> lock(RecordMutex());
  Records().clear();
}

void WriteRecordingProgram(const std::string& path, const std::string& logPath, const std::string& extra) {
  fs::create_directories(fs::path(path).parent_path());
  WriteFile(path, "#!/bin/sh\necho \"${0##*/}$(printf ' %s' \"$@\")\" >> '" + logPath + "'\n" + extra +
                      "\n");
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
}

FakeProgramFolder::FakeProgramFolder() {
  WriteRecordingProgram(folder_ / "pm64/setup", log());
  WriteRecordingProgram(folder_ / "pm64/unrdx64", log());
}

std::vector<std::string> FakeProgramFolder::runs() const {
  std::vector<std::string> lines = ReadLines(log());
  for (auto& line : lines) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  return lines;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::optional<uint32_t> Run(const std::vector<std::string>& argv) {
  uint32_t exitCode = 0;
  if (!platform::StartProcess(argv, true, &exitCode)) return std::nullopt;
  return exitCode;
}

TmpfsMount::TmpfsMount(std::string folder) : folder_(std::move(folder)) {
  std::error_code error;
  fs::create_directories(folder_, error);
  const auto result = Run({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder_});
  mounted_ = result && *result == 0;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) Run({"umount", "-l", folder_});
}

bool TmpfsMount::MakeReadOnly() {
  if (!mounted_) return false;
  const auto result = Run({"mount", "-o", "remount,ro", folder_});
  return result && *result == 0;
}

bool RunningAsRoot() { return platform::HasAdministratorRights(); }

}  // namespace setup_test
