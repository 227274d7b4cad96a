#pragma once
// Thread cancellation around a library call. A caller may cancel a thread
// that is blocked inside the call: cancellation is held off for the whole
// call and let in only at the blocking waits, so it never acts inside a
// destructor (which would end the process). The unwinding it starts is no
// C++ exception: a catch (...) on its way must rethrow it, so the call
// catches std::exception only, and releases what it holds on the way out.
// Where the platform has no thread cancellation these do nothing.

namespace platform {

// Holds off cancellation of the calling thread while alive; the thread's
// previous state comes back at the end.
class CancellationHold {
 public:
  CancellationHold();
  ~CancellationHold();
  CancellationHold(const CancellationHold&) = delete;
  CancellationHold& operator=(const CancellationHold&) = delete;

 private:
  int previous_;
  bool outerAllowed_;
};

// Around one blocking wait: lets a cancellation act here when the thread
// allowed it before the innermost CancellationHold (or when none is held).
class CancellableWait {
 public:
  CancellableWait();
  ~CancellableWait();
  CancellableWait(const CancellableWait&) = delete;
  CancellableWait& operator=(const CancellableWait&) = delete;

 private:
  int previous_;
};

}  // namespace platform
