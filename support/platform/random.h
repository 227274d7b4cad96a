#pragma once
// Pseudo-random numbers, replaceable by tests: in-process through a source
// function, across processes through the environment variable
// CORVANTA_TEST_RANDOM=<unsigned 32-bit>, so a program under test draws a
// chosen value.
#include <cstdint>
#include <functional>

namespace platform {

// A value from the system's entropy source (or the test seam).
uint32_t RandomUInt32();
// A value straight from the system's entropy source, never from the test
// seam: for names that must differ even while a test fixes the numbers.
uint32_t SystemRandomUInt32();

// A value in low..high (both included); with the test seam set to n the
// result is low + n modulo the size of the range.
int32_t RandomInRange(int32_t low, int32_t high);

// Replace the source (an empty function restores the real one). Thread-safe.
void SetRandomSource(std::function<uint32_t()> source);

}  // namespace platform
