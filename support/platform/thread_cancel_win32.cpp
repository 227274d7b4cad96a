// Windows has no thread cancellation that unwinds a thread (TerminateThread
// runs no destructors and is no request): nothing to hold off or let in.
#include "support/platform/thread_cancel.h"

namespace platform {

CancellationHold::CancellationHold() : previous_(0), outerAllowed_(false) {}
CancellationHold::~CancellationHold() = default;

CancellableWait::CancellableWait() : previous_(0) {}
CancellableWait::~CancellableWait() = default;

}  // namespace platform
