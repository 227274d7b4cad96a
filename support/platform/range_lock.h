#pragma once
// Exclusive byte-range lock on an open file, waited for and held until the
// owner goes out of scope. Open-file-description locks: they exclude other
// threads of this process as well as other processes, provided each thread
// opens the file itself (threads sharing one descriptor share its locks).
// Declare the lock after the file's owner, so it is released first.
#include <cstdint>

namespace platform {

class RangeLock {
 public:
  RangeLock() = default;
  ~RangeLock() { Unlock(); }
  RangeLock(const RangeLock&) = delete;
  RangeLock& operator=(const RangeLock&) = delete;

  // Waits for and takes the lock; false (last error set) on failure.
  bool Lock(int fd, uint64_t offset, uint64_t length);
  // Takes the lock only when nobody holds it, without waiting; false with
  // error 33 (kErrorLockViolation) when another owner has it.
  bool TryLock(int fd, uint64_t offset, uint64_t length);
  void Unlock();
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  uint64_t offset_ = 0;
  uint64_t length_ = 0;
};

}  // namespace platform
