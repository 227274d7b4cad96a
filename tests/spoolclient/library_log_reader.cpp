#include "tests/spoolclient/library_log_reader.h"

#include <algorithm>
#include <filesystem>

#include "tests/spoolclient/test_root.h"

namespace spooltest {

namespace {
bool IsDailyLog(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return name.rfind("dll", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".txt";
}
}  // namespace

const std::regex& LogLinePattern() {
  static const std::regex pattern(R"(^(\S+) (\d+) (\d\d):(\d\d):(\d\d)\.(\d\d\d) (.*)$)");
  return pattern;
}

std::vector<std::string> ReadLogLines(const std::string& folder, bool* wholeLines) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file() && IsDailyLog(entry.path())) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> lines;
  if (wholeLines != nullptr) *wholeLines = true;
  for (const auto& file : files) {
    const std::string text = ReadFileText(file.string());
    std::size_t start = 0;
    while (start < text.size()) {
      const auto end = text.find("\r\n", start);
      if (end == std::string::npos) {
        if (wholeLines != nullptr) *wholeLines = false;
        lines.push_back(text.substr(start));
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
  }
  return lines;
}

std::vector<std::string> LogMessages(const std::string& folder) {
  std::vector<std::string> messages;
  for (const auto& line : ReadLogLines(folder)) {
    std::smatch match;
    messages.push_back(std::regex_match(line, match, LogLinePattern()) ? match[7].str() : "<malformed> " + line);
  }
  return messages;
}

void ClearLogs(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (IsDailyLog(entry.path())) std::filesystem::remove(entry.path(), error);
  }
}

}  // namespace spooltest
