#include <fcntl.h>

#include <cerrno>

#include "support/platform/range_lock.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {
bool SetLock(int fd, short type, uint64_t offset, uint64_t length, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  lock.l_pid = 0;  // required for open-file-description locks
  for (;;) {
    if (::fcntl(fd, command, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}
}  // namespace

bool RangeLock::Lock(int fd, uint64_t offset, uint64_t length) {
  Unlock();
  if (!SetLock(fd, F_WRLCK, offset, length, F_OFD_SETLKW)) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  fd_ = fd;
  offset_ = offset;
  length_ = length;
  return true;
}

bool RangeLock::TryLock(int fd, uint64_t offset, uint64_t length) {
  Unlock();
  if (!SetLock(fd, F_WRLCK, offset, length, F_OFD_SETLK)) {
    if (errno == EAGAIN || errno == EACCES) {
      SetLastError(kErrorLockViolation);
    } else {
      SetLastErrorFromErrno(errno);
    }
    return false;
  }
  fd_ = fd;
  offset_ = offset;
  length_ = length;
  return true;
}

void RangeLock::Unlock() {
  if (fd_ < 0) return;
  SetLock(fd_, F_UNLCK, offset_, length_, F_OFD_SETLK);
  fd_ = -1;
}

}  // namespace platform
