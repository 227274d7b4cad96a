#include "router/routing_table.h"

#include "support/case_fold.h"
#include "support/platform/files.h"
#include "support/platform/win_error.h"
#include "support/platform/win_error_text.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool StartsWithIgnoringCase(const AnsiString& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

DestinationKind ClassifyDestination(const AnsiString& destServer) {
  if (SameTextUtf8(destServer, LocalCopySentinelHost)) return DestinationKind::LocalCopy;
  if (StartsWithIgnoringCase(destServer, kProxyPrefix)) return DestinationKind::ProxyHandOff;
  if (StartsWithIgnoringCase(destServer, kQuilletPrefix)) return DestinationKind::QuilletForwarding;
  return DestinationKind::SpoolerSend;
}

std::vector<AnsiString> SplitTableLines(const std::string& text) {
  std::vector<AnsiString> lines;
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    lines.emplace_back(text, start, end - start);
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') {
      start = end + 2;
    } else {
      start = end + 1;
    }
  }
  return lines;
}

bool LoadRoutingTable(const std::string& path, std::vector<AnsiString>& lines, AnsiString& errorMessage) {
  std::string content;
  if (!platform::ReadWholeFile(path, content)) {
    errorMessage = "Cannot open file \"" + path + "\". " + platform::SysErrorMessage(platform::GetLastError());
    return false;
  }
  lines = SplitTableLines(content);
  return true;
}

bool RecordAppliesTo(const RoutingRecord& record, const AnsiString& printerName) {
  return !record.printer.empty() && SameTextUtf8(record.printer, printerName);
}
