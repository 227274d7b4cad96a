#pragma once
// One print job through the Redirected Port monitor: spool it into the
// monitor directory and run PortCommand for it.
#include <ostream>
#include <string>

struct BackendJob {
  std::string jobId;      // argv[1]
  std::string user;       // argv[2]
  std::string title;      // argv[3]
  std::string copies;     // argv[4]
  std::string options;    // argv[5]
  std::string inputPath;  // argv[6]; empty: the job comes on standard input
  std::string deviceUri;  // $DEVICE_URI
  std::string printer;    // $PRINTER
};

// Runs the job and returns the backend status. Every failure is one
// "ERROR: ..." line on `messages` (the scheduler's error log) and
// kBackendFailed, so the scheduler keeps the job; nothing is lost.
int RunBackendJob(const BackendJob& job, std::ostream& messages);
