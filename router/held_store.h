#pragma once
// The held folder: jobs whose spooler send failed, each kept under a new
// name "<YYYYMMDD-HHMMSS-mmm>-<random>.prn" with its companion ".txt" beside
// it (held_companion.h). Names sort in the order the jobs were held.
#include <vector>

#include "router/held_companion.h"
#include "support/ansi_split.h"

// <dataDir>/Stampline/held
AnsiString HeldFolder(const AnsiString& dataDir);

// The companion of a held job: the same name with ".txt" for ".prn".
AnsiString HeldCompanionPath(const AnsiString& heldJob);

// Writes the companion (complete and on disk) under a new name in the held
// folder, creating the folder when missing, then moves `jobFile` beside it,
// never replacing a file. `heldJob` receives the job's new path. On failure
// false with the last error set: the job is where it was and nothing new is
// left in the held folder.
bool HoldJob(const AnsiString& dataDir, const AnsiString& jobFile, const HeldCompanion& companion,
             AnsiString& heldJob);

// The held jobs in `folder` (full paths), oldest first, and the companions
// whose job is gone (left by a resend that ended between its two deletes, or
// being written by a router right now). A missing folder holds nothing.
bool ListHeldJobs(const AnsiString& folder, std::vector<AnsiString>& jobs, std::vector<AnsiString>& leftovers);
