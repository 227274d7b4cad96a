#pragma once
// The library's daily log, shared by every thread and process that uses the
// library on the machine, and the optional trace on the standard error
// stream. Neither ever reports a failure: a line that cannot be written is
// dropped.
#include <string>

#include "support/platform/clock.h"

namespace qtl {

// <logFolder>/dll<yyyymmdd>.txt for the date of `now`.
std::string DailyLogPath(const std::string& folder, const platform::SystemTime& now);

// Creates the log folder with its parents when it is missing; true when it
// exists afterwards.
bool EnsureLogFolder(const std::string& folder);

// Appends "<program> <thread> hh:mm:ss.mmm <message>\r\n" to today's log,
// under the exclusive lock of its first 8 bytes.
void WriteLogLine(const std::string& message);

// Writes "hh:mm:ss.mmm <message>\r\n" to the standard error stream while
// tracing is on.
void WriteTraceLine(const std::string& message);

}  // namespace qtl
