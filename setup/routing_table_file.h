#pragma once
// The routing table from the editor's side: reading its lines for the grid,
// the protocol label shown beside the port, the duplicate check and the
// writing of the whole table.
#include <optional>
#include <string>
#include <vector>

#include "support/routing_record.h"

namespace setup {

// The lines of the table at `path`; CR LF, a lone LF or a lone CR end a
// line, and a last line without an end is still a line. False with a
// message for the user when the file cannot be read.
bool ReadRoutingTableLines(const std::string& path, std::vector<std::string>& lines, std::string& errorMessage);

// `text` read as a decimal integer: optional leading blanks and sign, then
// digits to the end; 0 when it is not one (or does not fit 32 bits).
int DecimalOrZero(const std::string& text);

// "Vellum" for port 20004, "Stampline" for 20100, "Unknown" otherwise.
std::string ProtocolLabel(const std::string& portLocation);

// Two grid rows naming the same printer (compared exactly), numbered from 1:
// the later row and the earlier one.
struct DuplicatePrinter {
  int row;
  int earlierRow;
};
// `rows[0]` is grid row 1. Rows with an empty printer are not checked.
std::optional<DuplicatePrinter> FindDuplicatePrinter(const std::vector<RoutingRecord>& rows);

// The table's bytes: one CR LF-ended line per row with a printer, in order.
std::string FormatRoutingTable(const std::vector<RoutingRecord>& rows);

// The duplicate check, then the table written to RoutingTablePath() in one
// replace (readers see the old or the new table). Tells the user why it
// failed; nothing is written then.
bool SaveRoutingTableFile(const std::vector<RoutingRecord>& rows);

}  // namespace setup
