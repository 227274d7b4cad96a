#pragma once
// The system's text for a Win32 error number, as Windows words it, so that
// messages quoting a failure read the same on every platform.
#include <cstdint>
#include <string>

namespace platform {

// The message for `error` without a trailing period or line break; numbers
// without a known text give "System Error.  Code: n.".
std::string SysErrorMessage(uint32_t error);

}  // namespace platform
