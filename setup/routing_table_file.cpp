#include "setup/routing_table_file.h"

#include <cstdio>
#include <map>

#include "setup/messages.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

namespace setup {

bool ReadRoutingTableLines(const std::string& path, std::vector<std::string>& lines, std::string& errorMessage) {
  std::string text;
  if (!platform::ReadWholeFile(path, text)) {
    errorMessage = "Cannot open file \"" + path + "\", error " + std::to_string(platform::GetLastError());
    return false;
  }
  lines.clear();
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    line.push_back(c);
  }
  if (!line.empty()) lines.push_back(line);
  return true;
}

int DecimalOrZero(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return 0;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 0;
  return static_cast<int>(value);
}

std::string ProtocolLabel(const std::string& portLocation) {
  const int port = DecimalOrZero(portLocation);
  if (port == kVellumPort) return "Vellum";
  if (port == kStamplinePort) return "Stampline";
  return "Unknown";
}

std::optional<DuplicatePrinter> FindDuplicatePrinter(const std::vector<RoutingRecord>& rows) {
  std::map<std::string, int> seen;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& printer = rows[i].printer;
    if (printer.empty()) continue;
    const int row = static_cast<int>(i) + 1;
    const auto [it, inserted] = seen.emplace(printer, row);
    if (!inserted) return DuplicatePrinter{row, it->second};
  }
  return std::nullopt;
}

std::string FormatRoutingTable(const std::vector<RoutingRecord>& rows) {
  std::string text;
  for (const auto& row : rows) {
    if (row.printer.empty()) continue;
    text += row.ToLine();
    text += "\r\n";
  }
  return text;
}

bool SaveRoutingTableFile(const std::vector<RoutingRecord>& rows) {
  if (const auto duplicate = FindDuplicatePrinter(rows)) {
    char message[64];
    std::snprintf(message, sizeof message, "Record %d is the same with %d", duplicate->row, duplicate->earlierRow);
    ShowWarningBox(message);
    return false;
  }
  const std::string text = FormatRoutingTable(rows);
  const std::string folder = platform::ConfigFolder();
  try {
    platform::ForceDirectories(folder);
  } catch (const platform::InOutError&) {
    // Judged by the test below.
  }
  if (!platform::DirectoryExists(folder)) {
    ShowWarningBox("Directory " + folder + " not found and cound not be created!");
    return false;
  }
  const std::string path = platform::RoutingTablePath();
  if (!platform::ReplaceFileAtomically(path, text, 0644)) {
    const std::string reason = "Cannot create file \"" + path + "\", error " + std::to_string(platform::GetLastError());
    ShowWarningBox("Failed to save " + folder + ", error: " + reason);
    return false;
  }
  return true;
}

}  // namespace setup
