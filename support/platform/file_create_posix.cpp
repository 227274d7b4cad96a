#include <fcntl.h>

#include <cerrno>

#include "support/platform/file_create.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {
bool OpenWith(const std::string& path, int flags, unsigned mode, FileHandle& file) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  file = FileHandle(fd);
  return true;
}
}  // namespace

bool CreateNewFile(const std::string& path, FileHandle& file, unsigned mode) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL, mode, file);
}

bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned mode) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC, mode, file);
}

}  // namespace platform
