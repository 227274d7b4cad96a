#pragma once
// Reading the routing table and deciding what each of its records asks for.
#include <string>
#include <string_view>
#include <vector>

#include "support/ansi_split.h"
#include "support/routing_record.h"

enum class DestinationKind { LocalCopy, ProxyHandOff, QuilletForwarding, SpoolerSend };

inline constexpr std::string_view kProxyPrefix = "proxy:";
inline constexpr std::string_view kQuilletPrefix = "quillet:";

// The kind a pass-1 record's `destServer` selects: the local-copy sentinel,
// then "proxy:", then "quillet:" (all ignoring case), else a spooler send.
DestinationKind ClassifyDestination(const AnsiString& destServer);

// True when `text` begins with `prefix`, ignoring the case of ASCII letters.
bool StartsWithIgnoringCase(const AnsiString& text, std::string_view prefix);

// Hands each line of the table's text to `visit` in order, without copying:
// lines end at CR LF, a lone LF or a lone CR; a last line without a line end
// is still a line, an empty text has none. A UTF-8 byte-order mark at the
// start (as some editors add) is not part of the first line. Stops early
// when `visit` returns false.
template <class Visit>
void ForEachTableLine(std::string_view text, Visit&& visit) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    if (!visit(std::string_view(p, static_cast<std::size_t>(lineEnd - p)))) return;
    p = lineEnd + ((lineEnd + 1 < end && lineEnd[0] == '\r' && lineEnd[1] == '\n') ? 2 : 1);
  }
}

// The same lines as copies.
std::vector<AnsiString> SplitTableLines(std::string_view text);

// Loads the whole table at `path` into `text`: one buffer the size of the
// file, so that a big table costs its size in memory. Anything but a regular
// file (a FIFO, a device; a link only when it names one) is refused without
// waiting. False with
// `errorMessage` set, worded as the system words a file that cannot be
// opened, when the file cannot be read.
bool LoadRoutingTable(const std::string& path, std::string& text, AnsiString& errorMessage);

// Whether `record` applies to a job for `printerName`: the whole names are
// equal ignoring case. A record without a printer name (an empty line)
// applies to no job, not even one whose printer name is empty.
bool RecordAppliesTo(const RoutingRecord& record, const AnsiString& printerName);

// The same for a table line, looking at its first field only, so that the
// lines of other printers are never split.
bool LineAppliesTo(std::string_view line, std::string_view printerName);

// Equal ignoring case, as printer names are compared.
bool SamePrinterName(std::string_view a, std::string_view b);
