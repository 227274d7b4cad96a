#pragma once
// What each platform's clock file supplies to the seams of clock.h.
#include <cstdint>

#include "support/platform/clock.h"

namespace platform {

// Milliseconds since the system started, truncated to 32 bits.
uint32_t SystemTickCount();
// The system's local time.
SystemTime SystemLocalTime();

}  // namespace platform
