// LockFileEx locks belong to the open file handle: other handles, in this
// process or another, wait for them.
#include <windows.h>

#include "support/platform/range_lock.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

// A length of 0 means "to the end of any file", as the POSIX lock has it.
void SplitRange(uint64_t offset, uint64_t length, OVERLAPPED& overlapped, DWORD& low, DWORD& high) {
  overlapped = OVERLAPPED{};
  overlapped.Offset = static_cast<DWORD>(offset);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  if (length == 0) length = ~uint64_t{0} - offset;
  low = static_cast<DWORD>(length);
  high = static_cast<DWORD>(length >> 32);
}

}  // namespace

bool RangeLock::Lock(int fd, uint64_t offset, uint64_t length) {
  Unlock();
  OVERLAPPED overlapped;
  DWORD low = 0, high = 0;
  SplitRange(offset, length, overlapped, low, high);
  if (!::LockFileEx(OsHandle(fd), LOCKFILE_EXCLUSIVE_LOCK, 0, low, high, &overlapped)) {
    return FailWithSystemError();
  }
  fd_ = fd;
  offset_ = offset;
  length_ = length;
  return true;
}

bool RangeLock::TryLock(int fd, uint64_t offset, uint64_t length) {
  Unlock();
  OVERLAPPED overlapped;
  DWORD low = 0, high = 0;
  SplitRange(offset, length, overlapped, low, high);
  if (!::LockFileEx(OsHandle(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, low, high, &overlapped)) {
    // Another handle has it (33); anything else is the system's own answer.
    if (::GetLastError() == ERROR_LOCK_VIOLATION || ::GetLastError() == ERROR_IO_PENDING) {
      SetLastError(kErrorLockViolation);
      return false;
    }
    return FailWithSystemError();
  }
  fd_ = fd;
  offset_ = offset;
  length_ = length;
  return true;
}

void RangeLock::Unlock() {
  if (fd_ < 0) return;
  OVERLAPPED overlapped;
  DWORD low = 0, high = 0;
  SplitRange(offset_, length_, overlapped, low, high);
  ::UnlockFileEx(OsHandle(fd_), 0, low, high, &overlapped);
  fd_ = -1;
}

}  // namespace platform
