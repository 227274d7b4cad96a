#include "standins/monitor/job_spool.h"

#include <string_view>

#include "support/platform/file_io.h"
#include "support/platform/file_publish.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/random.h"
#include "support/platform/termination.h"
#include "support/platform/win_error.h"

namespace {

constexpr int kStandardInput = 0;
// Names tried before giving up; only a folder crammed with jobs runs out.
constexpr int kNameAttempts = 1000;

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

std::string RandomCharacters() {
  constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  uint32_t bits = platform::RandomUInt32();
  uint32_t more = platform::RandomUInt32();
  std::string text;
  for (int i = 0; i < 6; ++i) {
    text.push_back(kAlphabet[(bits ^ more) % kAlphabet.size()]);
    bits /= static_cast<uint32_t>(kAlphabet.size());
    more = more * 2654435761u + static_cast<uint32_t>(i);
  }
  return text;
}

bool OpenInput(const std::string& inputPath, platform::FileHandle& input) {
  // A FIFO or device named as the job would block the open or never end.
  return platform::OpenRegularForRead(inputPath, input);
}

}  // namespace

SpoolOutcome SpoolJob(const std::string& folder, const std::string& jobId, const std::string& inputPath, int copies,
                      int exitOnTermination) {
  // The input is opened before anything is created, so a job that cannot be
  // read leaves nothing behind.
  platform::FileHandle input;
  if (!inputPath.empty() && !OpenInput(inputPath, input)) return Failed(SpoolStep::kReadInput, {});

  // The job is written unseen and appears under its name only complete: the
  // router, or an operator, never finds a part of a job in the folder, even
  // after this process was killed.
  platform::PendingFile out;
  if (!out.Create(folder, 0644)) return Failed(SpoolStep::kCreateFile, {});
  platform::AbandonOnTermination({}, exitOnTermination);

  const int passes = inputPath.empty() ? 1 : (copies < 1 ? 1 : copies);
  for (int pass = 0; pass < passes; ++pass) {
    if (pass > 0 && !OpenInput(inputPath, input)) return Failed(SpoolStep::kReadInput, {});
    // A read error on the input is as rare as it is indistinguishable here;
    // a failed copy is reported as the write it nearly always is (disk full).
    if (!platform::CopyFileData(input.valid() ? input.get() : kStandardInput, out.fd())) {
      return Failed(SpoolStep::kWriteFile, {});
    }
    input.Close();
  }

  const std::string digits = DigitsOf(jobId);
  const std::string prefix = digits.empty() ? std::string("rdx") : "rdx" + digits + "-";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string jobPath = platform::JoinPath(folder, prefix + RandomCharacters() + ".prn");
    if (platform::PathEntryExists(jobPath)) continue;
    if (out.Publish(jobPath, true)) {
      // A cancel from here until the command starts removes the whole job.
      platform::AbandonOnTermination(jobPath, exitOnTermination);
      SpoolOutcome outcome;
      outcome.jobPath = jobPath;
      return outcome;
    }
    if (platform::GetLastError() != platform::kErrorFileExists) return Failed(SpoolStep::kWriteFile, {});
  }
  return Failed(SpoolStep::kCreateFile, {});
}
