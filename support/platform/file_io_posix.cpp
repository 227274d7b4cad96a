#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/platform/file_io.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

bool OpenRegular(const std::string& path, int flags, unsigned mode, FileHandle& file, bool create = true,
                 bool followLinks = false) {
  // These files live in folders that other users may write to: a symbolic
  // link planted under the name must not redirect us (O_NOFOLLOW), and a FIFO
  // must not make the open wait for a peer (O_NONBLOCK, cleared again for the
  // regular file that we accept).
  const int common = flags | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
  bool created = create;
  FileHandle opened(create ? ::open(path.c_str(), common | O_CREAT | O_EXCL, mode) : -1);
  if (!create || (!opened.valid() && errno == EEXIST)) {
    created = false;
    opened = FileHandle(::open(path.c_str(), common));
  }
  if (!opened.valid()) {
    // A FIFO without a reader (or a device without its hardware) refuses a
    // non-blocking open for writing with ENXIO; a link gives ELOOP. Neither
    // is a regular file.
    SetLastErrorFromErrno(errno == ENXIO || errno == ELOOP ? EACCES : errno);
    return false;
  }
  struct stat st {};
  if (::fstat(opened.get(), &st) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  // Root and the print service's user share these files: a file we create
  // gets exactly `mode`, whatever the umask of the process that happened to
  // come first.
  if (created && (st.st_mode & 07777) != mode) ::fchmod(opened.get(), mode);
  const int status = ::fcntl(opened.get(), F_GETFL);
  if (status >= 0) ::fcntl(opened.get(), F_SETFL, status & ~O_NONBLOCK);
  file = std::move(opened);
  return true;
}

}  // namespace

bool OpenRegularForAppend(const std::string& path, FileHandle& file, unsigned mode) {
  if (!OpenRegular(path, O_WRONLY | O_APPEND, mode, file)) return false;
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return true;
}

bool OpenRegularForReadWrite(const std::string& path, FileHandle& file, unsigned mode) {
  return OpenRegular(path, O_RDWR, mode, file);
}

bool OpenRegularForRead(const std::string& path, FileHandle& file, bool followLinks) {
  return OpenRegular(path, O_RDONLY, 0, file, false, followLinks);
}

bool ReadAll(int fd, std::string& contents) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  std::string data;
  // One byte more than the length, so that the end is seen without growing.
  data.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) data.resize(data.size() + data.size() / 2 + 4096);  // the file grew meanwhile
    const ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  data.resize(used);
  contents = std::move(data);
  return true;
}

bool TruncateTo(int fd, uint64_t size) {
  while (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    if (errno == EINTR) continue;
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool OpenExistingRegular(const std::string& path, bool forWriting, FileHandle& file) {
  return OpenRegular(path, forWriting ? O_RDWR : O_RDONLY, 0, file, false);
}

std::string PathOfOpenFile(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool ReadAt(int fd, uint64_t offset, void* data, std::size_t size, std::size_t& bytesRead) {
  bytesRead = 0;
  char* p = static_cast<char*>(data);
  while (bytesRead < size) {
    const ssize_t n = ::pread(fd, p + bytesRead, size - bytesRead, static_cast<off_t>(offset + bytesRead));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (n == 0) break;
    bytesRead += static_cast<std::size_t>(n);
  }
  return true;
}

bool SeekTo(int fd, uint64_t offset) {
  if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

}  // namespace platform
