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

namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool SamePrinterName(std::string_view a, std::string_view b) {
  // Most names are plain ASCII; folding is only needed beyond it (where a
  // name may even change its length, like the Kelvin sign against "k").
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
  }
  return SameTextUtf8(a, b);
}

bool RecordAppliesTo(const RoutingRecord& record, const AnsiString& printerName) {
  return !record.printer.empty() && SamePrinterName(record.printer, printerName);
}

bool LineAppliesTo(const AnsiString& line, const AnsiString& printerName) {
  // The first field as the splitter cuts it: up to a TAB, or a NUL that ends the text.
  const std::size_t end = line.find_first_of(std::string_view("\t\0", 2));
  const std::string_view printer = std::string_view(line).substr(0, end);
  return !printer.empty() && SamePrinterName(printer, printerName);
}
