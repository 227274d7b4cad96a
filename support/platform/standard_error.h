#pragma once
// Diagnostic output to the process's standard error. A library must not harm
// its caller through it: a caller may have closed standard error or pointed
// it at a pipe whose reader went away, and a write there must then be lost
// quietly instead of raising SIGPIPE, which would end the caller.
#include <string>

namespace platform {

// Writes `text` to standard error; loses it when that cannot be written.
// Never raises SIGPIPE in the process.
void WriteStandardError(const std::string& text);

}  // namespace platform
