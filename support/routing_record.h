#pragma once
// One line of the routing table, shared by the job router and the setup tool.
#include <string>

#include "support/ansi_split.h"

// The destination text that asks for a local copy into a folder. The
// ".invalid" top-level domain is reserved and never resolves, so this can
// never be a real server.
inline constexpr const char* LocalCopySentinelHost = "localcopy.invalid";

// The printer name of the fallback records.
inline constexpr const char* AnyPrinterName = "ANYPRINTER";

// Well-known back-end ports.
inline constexpr int kVellumPort = 20004;
inline constexpr int kStamplinePort = 20100;

struct RoutingRecord {
  AnsiString printer;
  AnsiString destServer;
  AnsiString portLocation;
  AnsiString timeoutSec;  // as it stands in the file; see TimeoutSeconds()

  // The fields of one table line: split at TAB, at least four, extra ignored.
  static RoutingRecord FromLine(const AnsiString& line) {
    const cANSISTRSPLIT fields(line, "\t", 4);
    return RoutingRecord{fields[0], fields[1], fields[2], fields[3]};
  }

  // The line as the writer stores it (without the line end).
  AnsiString ToLine() const { return printer + '\t' + destServer + '\t' + portLocation + '\t' + timeoutSec; }
};
