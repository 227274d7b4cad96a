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

// Cuts the table's text into lines at CR LF, a lone LF or a lone CR; a last
// line without a line end is still a line, an empty text has none.
std::vector<AnsiString> SplitTableLines(const std::string& text);

// Loads the whole table at `path` into `lines`. False with `errorMessage`
// set, worded as the system words a file that cannot be opened, when the
// file cannot be read.
bool LoadRoutingTable(const std::string& path, std::vector<AnsiString>& lines, AnsiString& errorMessage);

// Whether `record` applies to a job for `printerName`: the whole names are
// equal ignoring case. A record without a printer name (an empty line)
// applies to no job, not even one whose printer name is empty.
bool RecordAppliesTo(const RoutingRecord& record, const AnsiString& printerName);

// The same for a table line, looking at its first field only, so that the
// lines of other printers are never split.
bool LineAppliesTo(const AnsiString& line, const AnsiString& printerName);

// Equal ignoring case, as printer names are compared.
bool SamePrinterName(std::string_view a, std::string_view b);
