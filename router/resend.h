#pragma once
// The resend command: sends held jobs again to the destinations their
// companions list, oldest first, one job at a time under a lock of its own.
#include <iosfwd>
#include <vector>

#include "support/ansi_split.h"

enum class ResendMode { DryRun, All, One };

struct ResendRequest {
  ResendMode mode = ResendMode::All;
  AnsiString job;  // ResendMode::One: the held job's name or path
};

// Exit statuses: nothing is held any more / something is still held / the
// command was wrong or could not bind the client library.
inline constexpr int kResendNothingHeld = 0;
inline constexpr int kResendStillHeld = 1;
inline constexpr int kResendFailed = 2;

// The command line after the program path: "--dry-run", "--all" or one job.
// False with `error` set for anything else.
bool ParseResendArguments(const std::vector<AnsiString>& arguments, ResendRequest& request, AnsiString& error);

// Runs the request; progress and problems go to `out` and `err` as well as
// to the router's daily log. Returns one of the exit statuses above.
int RunResend(const ResendRequest& request, std::ostream& out, std::ostream& err);

// A test seam: with CORVANTA_TEST_RESEND_CRASH set to one of "locked",
// "sent", "updated" or "job-deleted" the command ends at once at that point,
// as if killed, to show that no point of a resend can lose a job.
