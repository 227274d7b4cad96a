#pragma once
// Writing a print job into the monitor directory, under a name no other job has.
#include <cstdint>
#include <string>

enum class SpoolStep { kNone, kReadInput, kCreateFile, kWriteFile };

struct SpoolOutcome {
  SpoolStep failedStep = SpoolStep::kNone;  // kNone: the job file is complete
  uint32_t error = 0;                       // the system error of the failed step
  std::string jobPath;                      // the job file (also named on a write failure)
};

// Writes the job into a new file of `folder` named "rdx" + `jobId` + "-" +
// six random characters + ".prn": `copies` times the content of `inputPath`
// (which must be a regular file: a FIFO or device is refused without
// waiting), or standard input once when `inputPath` is empty (copies are
// then already in the data). The file appears under its name only complete
// and on disk; a process killed while writing leaves nothing. A termination
// request ends the process with `exitOnTermination`, removing the file when
// it was already published; a failure leaves nothing either. The job id is
// reduced to its digits, so it can never make a path.
SpoolOutcome SpoolJob(const std::string& folder, const std::string& jobId, const std::string& inputPath, int copies,
                      int exitOnTermination);
