#pragma once
// Thread cancellation around a library call. A caller may cancel a thread
// that is blocked inside the call: cancellation is held off for the whole
// call and let in only at the blocking waits, so it never acts inside a
// destructor (which would end the process), and the unwinding it starts
// passes every catch-all of the call (CATCH_THREAD_CANCELLATION) and
// releases what the call holds on the way out. Where the platform has no
// thread cancellation these do nothing.
#include <cxxabi.h>

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

// Put before a `catch (...)` that must not swallow a thread's cancellation.
#if defined(__GLIBCXX__)
#define CATCH_THREAD_CANCELLATION \
  catch (abi::__forced_unwind&) { throw; }
#else
#define CATCH_THREAD_CANCELLATION
#endif
