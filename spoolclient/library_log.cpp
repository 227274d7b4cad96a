#include "spoolclient/library_log.h"

#include <exception>

#include "spoolclient/library_state.h"
#include "spoolclient/text_format.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/process_identity.h"
#include "support/platform/range_lock.h"
#include "support/platform/standard_error.h"

namespace qtl {

namespace {
// Every writer, thread or process, takes this range before appending.
constexpr uint64_t kLockedBytes = 8;
}  // namespace

std::string DailyLogPath(const std::string& folder, const platform::SystemTime& now) {
  return platform::JoinPath(folder, FormatText("dll%04d%02d%02d.txt", now.year, now.month, now.day));
}

bool EnsureLogFolder(const std::string& folder) {
  if (platform::DirectoryExists(folder)) return true;
  try {
    platform::ForceDirectories(folder);
  } catch (const platform::InOutError&) {
    return false;
  }
  return platform::DirectoryExists(folder);
}

void WriteLogLine(const std::string& message) {
  try {
    const std::string program = HostProgramName();
    const std::string folder = LogFolder();
    EnsureLogFolder(folder);
    const platform::SystemTime now = platform::GetLocalTime();
    const std::string line =
        FormatText("%s %d %02d:%02d:%02d.%03d %s\r\n", program.c_str(), static_cast<int>(platform::CurrentThreadId()),
                   now.hour, now.minute, now.second, now.milliseconds, message.c_str());
    platform::FileHandle file;
    // A FIFO or device planted under the log's name is refused, not waited on.
    if (!platform::OpenRegularForAppend(DailyLogPath(folder, now), file)) return;
    platform::RangeLock lock;
    if (!lock.Lock(file.get(), 0, kLockedBytes)) return;
    // The file is opened for appending, so the line always lands at the end,
    // written with one call while the range is held.
    platform::WriteAll(file.get(), line.data(), line.size());
  } catch (const std::exception&) {
    // A log line is never worth failing the caller's request.
  }
}

void WriteTraceLine(const std::string& message) {
  if (!TraceEnabled()) return;
  try {
    const platform::SystemTime now = platform::GetLocalTime();
    const std::string line = FormatText("%02d:%02d:%02d.%03d %s\r\n", now.hour, now.minute, now.second,
                                        now.milliseconds, message.c_str());
    platform::WriteStandardError(line);
  } catch (const std::exception&) {
  }
}

}  // namespace qtl
