#pragma once
// Publishing new files that other processes collect. The data is written
// where nobody can see it; the file then appears under its final name whole,
// never replacing anything, and (when asked) on disk together with the
// folder entry that names it, so that a power cut cannot leave an empty or
// nameless file behind after its source was deleted.
#include <cstdint>
#include <string>

#include "support/platform/file_handle.h"

namespace platform {

// Flushes an open file's data and size to the disk (FlushFileBuffers).
bool SyncFile(int fd);
// Flushes a folder's entries (new, renamed and removed names) to the disk.
// A no-op where the platform journals names by itself.
bool SyncFolder(const std::string& folder);

// Hidden temporaries that PendingFile names (only where the file system
// cannot hold a file without a name) begin with this; nothing else does.
inline constexpr const char* kPendingFilePrefix = ".~pending-";

// A new file being written in one folder, invisible to others until it is
// published. Where the file system allows it the file has no name at all
// until then (Linux O_TMPFILE), so a crash leaves nothing. Elsewhere it is a
// hidden temporary named with kPendingFilePrefix, marked as in use while its
// owner lives; RemoveStaleTemporaries removes those whose owner died.
class PendingFile {
 public:
  PendingFile() = default;
  // Discards a file that was not published.
  ~PendingFile();
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Starts a file in `folder` that gets exactly `mode` (not reduced by the
  // umask). False (last error set) when the folder cannot take one.
  bool Create(const std::string& folder, unsigned mode = 0664);

  // The descriptor to write the data to (valid between Create and Publish).
  int fd() const { return file_.get(); }

  // Gives the file the name `target`, which must lie in the folder given to
  // Create. Never replaces an existing entry, a dangling link included
  // (error 80); the file then stays pending and Publish may be tried again
  // with another name. With `durable`, the data is flushed before the name
  // appears and the folder after, and a failure to flush the folder takes
  // the name back: true then means the file and its name are on disk. The
  // file is closed after a successful publish.
  bool Publish(const std::string& target, bool durable);

  // Gives up the file: nothing of it remains.
  void Discard();

 private:
  FileHandle file_;
  std::string folder_;
  std::string tempPath_;  // empty when the file has no name
};

// Removes from `folder` the hidden temporaries of PendingFile whose owner
// died (no process holds them and they were not written for a minute).
// Failures are ignored: a later call tries again.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace platform
