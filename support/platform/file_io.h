#pragma once
// Positioned reads and writes on an open file, and opens that refuse anything
// but a regular file. A FIFO or device put where a shared log or counter file
// belongs must make the open fail, not block the caller for ever.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/platform/file_handle.h"

namespace platform {

// As OpenForAppend / OpenForReadWrite (creating `path` when missing, never
// truncating), but an existing non-regular file or a symbolic link is refused
// with error 5, and the open never blocks. A file these create gets exactly
// `mode`, not reduced by the umask, so that users sharing it can all write.
bool OpenRegularForAppend(const std::string& path, FileHandle& file, unsigned mode = 0664);
bool OpenRegularForReadWrite(const std::string& path, FileHandle& file, unsigned mode = 0664);
// Opens an existing regular file for reading. A FIFO, device, socket or
// folder under the name is refused with error 5 (a missing file gives 2),
// and the open never blocks. A symbolic link is refused too, unless
// `followLinks` (for files in folders that only administrators write):
// then what it names must be a regular file.
bool OpenRegularForRead(const std::string& path, FileHandle& file, bool followLinks = false);

// Reads the whole open file into `contents`, sized once from the file's
// length, so that a big file costs its size in memory and no more.
bool ReadAll(int fd, std::string& contents);

// Cuts the open file back to `size` bytes (SetEndOfFile at that offset).
bool TruncateTo(int fd, uint64_t size);

// Opens an existing regular file for reading (and writing when `forWriting`),
// never creating one: a missing file is error 2, a link or any other kind of
// file error 5, and the open never blocks.
bool OpenExistingRegular(const std::string& path, bool forWriting, FileHandle& file);

// A name under which another component of this process (the client library,
// say) can open the very file that `fd` refers to, whatever has been put at
// its old path since.
std::string PathOfOpenFile(int fd);

// Reads up to `size` bytes from `offset`, stopping early only at the end of
// the file; `bytesRead` tells how many arrived.
bool ReadAt(int fd, uint64_t offset, void* data, std::size_t size, std::size_t& bytesRead);

// Moves the file position to `offset` from the start (SetFilePointer).
bool SeekTo(int fd, uint64_t offset);

}  // namespace platform
