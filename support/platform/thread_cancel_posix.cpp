#include <pthread.h>

#include "support/platform/thread_cancel.h"

namespace platform {

namespace {
// Whether the thread allowed cancellation before the innermost hold; a hold
// restores the outer value when it ends.
thread_local bool t_callerAllowsCancellation = true;
}  // namespace

CancellationHold::CancellationHold() : previous_(PTHREAD_CANCEL_ENABLE), outerAllowed_(t_callerAllowsCancellation) {
  ::pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous_);
  t_callerAllowsCancellation = previous_ == PTHREAD_CANCEL_ENABLE;
}

CancellationHold::~CancellationHold() {
  t_callerAllowsCancellation = outerAllowed_;
  int ignored = 0;
  ::pthread_setcancelstate(previous_, &ignored);
}

CancellableWait::CancellableWait() : previous_(PTHREAD_CANCEL_DISABLE) {
  ::pthread_setcancelstate(t_callerAllowsCancellation ? PTHREAD_CANCEL_ENABLE : PTHREAD_CANCEL_DISABLE, &previous_);
}

CancellableWait::~CancellableWait() {
  int ignored = 0;
  ::pthread_setcancelstate(previous_, &ignored);
}

}  // namespace platform
