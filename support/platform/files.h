#pragma once
// File and folder services. Every function that can fail sets the thread's
// last error to a Win32 number (win_error.h) and returns false.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "support/platform/file_handle.h"

namespace platform {

bool FileExists(const std::string& path);       // an existing non-folder
bool DirectoryExists(const std::string& path);  // an existing folder

// Raised by ForceDirectories for a path that cannot name a folder at all.
class InOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates `path` and every missing parent (mode 0775 less the umask). Throws
// InOutError ("Unable to create directory") for an empty path and ("Invalid
// path") for one holding a NUL character. Returns true when the folder exists
// afterwards; false, with the last error set, when a component cannot be
// created (3 when a file stands where a folder should be).
bool ForceDirectories(const std::string& path);

// Opens (creating when missing) `path` for appending, hinting sequential use.
bool OpenForAppend(const std::string& path, FileHandle& file, unsigned mode = 0664);
// Opens an existing file for reading.
bool OpenForRead(const std::string& path, FileHandle& file);
// Opens (creating when missing) `path` for reading and writing, without truncating.
bool OpenForReadWrite(const std::string& path, FileHandle& file, unsigned mode = 0664);

// Writes all of `size` bytes, retrying short writes; false on error.
bool WriteAll(int fd, const void* data, std::size_t size);
// Reads the whole file into `contents`.
bool ReadWholeFile(const std::string& path, std::string& contents);

// Copies `source` to `target`, which must not exist: the data goes to a hidden
// temporary name in the target folder and appears under `target` only when
// complete. An existing `target` is never replaced (error 80); a failed copy
// leaves nothing behind. The kernel copies the data; memory use is flat.
bool CopyFileNoReplace(const std::string& source, const std::string& target);

// Moves `source` to `target` without ever replacing `target` (error 80);
// across file systems it copies (flushed to disk with its folder) and then
// removes the source. Returns only when the data is on disk. On failure the
// source is where it was and nothing new is left at `target`.
bool MoveFileNoReplace(const std::string& source, const std::string& target);

// Replaces `path` with `contents` so that readers see the old or the new file,
// never a part: temporary file in the same folder, flushed, renamed over.
bool ReplaceFileAtomically(const std::string& path, const std::string& contents, unsigned mode = 0644);

// Writes `contents` to a new file `path` (must not exist), so that it appears
// only complete; as CopyFileNoReplace but from memory.
bool CreateFileNoReplace(const std::string& path, const std::string& contents, unsigned mode = 0664);

// Creates a new file with a name no other file has: `folder` + "/" + `prefix`
// + six random characters + `suffix`. `path` receives the name; the file gets
// exactly `mode` (not reduced by the umask) and is open for writing in `file`.
bool CreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                      FileHandle& file, std::string& path, unsigned mode = 0644);

// Copies everything that remains readable from descriptor `from` (a file, a
// pipe, standard input) to descriptor `to`; the kernel copies where it can.
bool CopyFileData(int from, int to);

bool DeleteFile(const std::string& path);

// Flushes the data of the file at `path` (not following a link) and then the
// folder that holds it to disk, so that both its content and its name survive
// a crash. False (last error set) when either flush fails.
bool SyncFileAndFolder(const std::string& path);

// The size of an open file or of `path`; false on error.
bool GetFileSize(int fd, uint64_t& size);

// The short (8.3) form of a path: the path itself on this platform.
bool GetShortPathName(const std::string& path, std::string& shortPath);

}  // namespace platform
