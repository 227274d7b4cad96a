#include "setup_test_support.h"

#include <filesystem>
#include <mutex>

#include "support/platform/system_info.h"

namespace setup_test {

namespace fs = std::filesystem;

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
  WriteFileText(path, "#!/bin/sh\necho \"${0##*/}$(printf ' %s' \"$@\")\" >> '" + logPath + "'\n" + extra + "\n");
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

bool RunningAsRoot() { return platform::HasAdministratorRights(); }

}  // namespace setup_test
