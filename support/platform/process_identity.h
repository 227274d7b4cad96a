#pragma once
// Who is running: the program file and the calling thread.
#include <cstdint>
#include <string>

namespace platform {

// The full path of the running program's file ("" when it cannot be read).
std::string ExecutablePath();
// The calling thread's id, as the system numbers threads (unique among the
// threads alive in the system at one time).
uint32_t CurrentThreadId();
uint32_t CurrentProcessId();

}  // namespace platform
