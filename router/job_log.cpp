// The router's daily log: one line per outcome, appended whole under a lock
// shared with every other router process.
#include <cstdio>

#include "router/job_log.h"

#include "router/form_run.h"
#include "support/platform/clock.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/range_lock.h"

namespace {
// Writers serialise on this range even while the file is shorter.
constexpr uint64_t kLogLockLength = 32;
}  // namespace

void TFormRun::WriteLog(const AnsiString& message) noexcept {
  try {
    if (!EnsureDataDir()) return;
  } catch (...) {
    return;
  }
  AppendJobLogLine(FDataDir, message);
}

void AppendJobLogLine(const AnsiString& dataDir, const AnsiString& message) noexcept {
  try {
    if (dataDir.empty()) return;
    // One reading of the clock names the file and stamps the line.
    const platform::SystemTime now = platform::GetLocalTime();
    char fileName[64];
    std::snprintf(fileName, sizeof fileName, "Stampline/rdx64%04d%02d%02d.txt", now.year, now.month, now.day);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    const std::string line = stamp + message + "\r\n";

    // The "Stampline" folder is not created here: without it the line is dropped.
    platform::FileHandle file;
    if (!platform::OpenRegularForAppend(platform::JoinPath(dataDir, fileName), file)) return;
    platform::RangeLock lock;
    if (!lock.Lock(file.get(), 0, kLogLockLength)) return;
    // A write cut short (a full disk) would run into the next writer's line:
    // take the piece back, under the same lock, so that lines stay whole.
    uint64_t sizeBefore = 0;
    if (!platform::GetFileSize(file.get(), sizeBefore)) return;
    if (!platform::WriteAll(file.get(), line.data(), line.size())) platform::TruncateTo(file.get(), sizeBefore);
  } catch (...) {
    // A log writer never fails visibly; the line is lost.
  }
}
