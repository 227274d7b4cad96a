#pragma once
// The text file kept beside a held job: where the job came from, when it was
// held, and each spooler send that has still to succeed. Lines end with CR LF:
//   Job=<the job file's path when it was held>
//   Held=<YYYY-MM-DD HH:MM:SS>
//   Send=<host:port> TAB <printer> TAB <time-out> TAB <last result> TAB <time of the last attempt>
// Fields holding "%", TAB, CR or LF carry them as %25, %09, %0D and %0A.
#include <cstdint>
#include <vector>

#include "support/ansi_split.h"

struct HeldSend {
  AnsiString hostPort;
  AnsiString printerName;
  int32_t timeoutSec = 0;
  int32_t result = 0;
  AnsiString attemptTime;
};

struct HeldCompanion {
  AnsiString originalJob;
  AnsiString heldTime;
  std::vector<HeldSend> sends;
};

AnsiString FormatHeldCompanion(const HeldCompanion& companion);
// False when the text is not a companion (no "Job=" line, or a "Send=" line
// without its five fields and whole numbers). Unknown lines are skipped.
bool ParseHeldCompanion(const AnsiString& text, HeldCompanion& companion);

// The local time as "YYYY-MM-DD HH:MM:SS", as attempts and holds are stamped.
AnsiString HeldTimeText();
