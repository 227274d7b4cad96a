#include "standins/monitor/job_spool.h"

#include "support/platform/files.h"
#include "support/platform/termination.h"
#include "support/platform/win_error.h"

namespace {

constexpr int kStandardInput = 0;

std::string DigitsOf(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9' && digits.size() < 10) digits.push_back(c);
  }
  return digits;
}

SpoolOutcome Failed(SpoolStep step, std::string jobPath) {
  SpoolOutcome outcome;
  outcome.failedStep = step;
  outcome.error = platform::GetLastError();
  outcome.jobPath = std::move(jobPath);
  return outcome;
}

}  // namespace

SpoolOutcome SpoolJob(const std::string& folder, const std::string& jobId, const std::string& inputPath, int copies,
                      int exitOnTermination) {
  // The input is opened before anything is created, so a job that cannot be
  // read leaves nothing behind.
  platform::FileHandle input;
  if (!inputPath.empty() && !platform::OpenForRead(inputPath, input)) return Failed(SpoolStep::kReadInput, {});

  platform::FileHandle out;
  std::string jobPath;
  const std::string digits = DigitsOf(jobId);
  const std::string prefix = digits.empty() ? std::string("rdx") : "rdx" + digits + "-";
  if (!platform::CreateUniqueFile(folder, prefix, ".prn", out, jobPath)) return Failed(SpoolStep::kCreateFile, {});
  platform::AbandonOnTermination(jobPath, exitOnTermination);

  const int passes = inputPath.empty() ? 1 : (copies < 1 ? 1 : copies);
  SpoolStep failedStep = SpoolStep::kNone;
  for (int pass = 0; failedStep == SpoolStep::kNone && pass < passes; ++pass) {
    if (pass > 0 && !platform::OpenForRead(inputPath, input)) {
      failedStep = SpoolStep::kReadInput;
      break;
    }
    // A read error on the input is as rare as it is indistinguishable here;
    // a failed copy is reported as the write it nearly always is (disk full).
    if (!platform::CopyFileData(input.valid() ? input.get() : kStandardInput, out.get())) {
      failedStep = SpoolStep::kWriteFile;
    }
    input.Close();
  }
  if (failedStep == SpoolStep::kNone && !out.Close()) failedStep = SpoolStep::kWriteFile;
  if (failedStep != SpoolStep::kNone) {
    SpoolOutcome outcome = Failed(failedStep, jobPath);
    out.Close();
    platform::DeleteFile(jobPath);
    platform::AbandonOnTermination({}, exitOnTermination);
    return outcome;
  }
  SpoolOutcome outcome;
  outcome.jobPath = jobPath;
  return outcome;
}
