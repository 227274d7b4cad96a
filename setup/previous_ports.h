#pragma once
// What a printer printed to before the setup tool attached it to the
// monitor's port, so that removing the port can give it back. Kept in the
// registry under the monitor's key, beside its port list: one string value per printer
// below kPreviousPortsKey, named after the printer (names compare ignoring
// case, as printer names do), holding its former port list.
#include <optional>
#include <string>

namespace setup {

inline constexpr const char* kPreviousPortsKey = "SOFTWARE\\Corvanta\\Vanteo Spooler\\Previous Ports";

// Stores `portList` for `printerName`, replacing an older record. Returns a
// Win32 error number (0 on success).
long RecordPreviousPort(const std::string& printerName, const std::string& portList);
// The recorded port list of `printerName`; nothing when there is no record
// (or it cannot be read).
std::optional<std::string> PreviousPortOf(const std::string& printerName);
// Drops the record of `printerName`; a missing record is no error.
long ForgetPreviousPort(const std::string& printerName);

}  // namespace setup
