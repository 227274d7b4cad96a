#pragma once
// Deleting old daily logs, once, when the library is unloaded.
#include <cstdint>
#include <string>

#include "support/platform/clock.h"

namespace qtl {

// The date a log file's name carries ("dll" then "%4d%2d%2d"); false when
// the name yields fewer than three numbers or no calendar date.
bool DateOfLogName(const std::string& name, int& year, int& month, int& day);

// Deletes the files "dll*.txt" of `folder` whose date lies `keepDays` or
// more whole days before `today`. Folders and names without a date stay.
void PurgeLogsOlderThan(const std::string& folder, uint32_t keepDays, const platform::SystemTime& today);

// The purge of detach: KeepLogsFor from the registry, today's local date.
void PurgeOldLogs();

}  // namespace qtl
