#include "router/routing_table.h"

#include "support/case_fold.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
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

std::vector<AnsiString> SplitTableLines(std::string_view text) {
  std::vector<AnsiString> lines;
  ForEachTableLine(text, [&lines](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

bool LoadRoutingTable(const std::string& path, std::string& text, AnsiString& errorMessage) {
  platform::FileHandle file;
  // The table's folder is the administrator's: a link there may be followed,
  // but only to a regular file.
  if (!platform::OpenRegularForRead(path, file, true) || !platform::ReadAll(file.get(), text)) {
    errorMessage = "Cannot open file \"" + path + "\". " + platform::SysErrorMessage(platform::GetLastError());
    return false;
  }
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

bool LineAppliesTo(std::string_view line, std::string_view printerName) {
  // The first field as the splitter cuts it: up to a TAB, or a NUL that ends the text.
  const std::size_t end = line.find_first_of(std::string_view("\t\0", 2));
  const std::string_view printer = line.substr(0, end);
  return !printer.empty() && SamePrinterName(printer, printerName);
}
