#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/platform/file_create.h"
#include "support/platform/file_io.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

// The open never waits for a FIFO's reader (O_NONBLOCK, cleared again for
// the writes that follow); without a reader it fails with ENXIO.
bool OpenWith(const std::string& path, int flags, unsigned mode, FileHandle& file) {
  FileHandle opened(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode));
  if (!opened.valid()) {
    SetLastErrorFromErrno(errno == ENXIO ? EACCES : errno);
    return false;
  }
  const int status = ::fcntl(opened.get(), F_GETFL);
  if (status >= 0) ::fcntl(opened.get(), F_SETFL, status & ~O_NONBLOCK);
  file = std::move(opened);
  return true;
}

}  // namespace

bool CreateNewFile(const std::string& path, FileHandle& file, unsigned mode) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL, mode, file);
}

bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned mode) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC, mode, file);
}

bool CreateAlwaysRegularFile(const std::string& path, FileHandle& file, unsigned mode) {
  // Opened first without truncating: what stands under the name is checked
  // before anything of it is touched.
  FileHandle opened;
  if (!OpenRegularForReadWrite(path, opened, mode)) return false;
  if (::ftruncate(opened.get(), 0) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  file = std::move(opened);
  return true;
}

}  // namespace platform
