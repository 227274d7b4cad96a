#pragma once
// The router's daily log, also written by the resend command.
#include "support/ansi_split.h"

// Appends one line made of the local time and `message` to the day's log in
// <dataDir>/Stampline, under the lock every writer shares; drops it silently
// on any failure (the "Stampline" folder is not created here).
void AppendJobLogLine(const AnsiString& dataDir, const AnsiString& message) noexcept;
