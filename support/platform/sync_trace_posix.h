#pragma once
// A record of the calls that make files durable, for tests that must prove
// their order (no power cut needed): with CORVANTA_TEST_SYNC_TRACE naming a
// file, every file flush, folder flush and file removal appends one line
// "<kind> <path>" to it. Unset, nothing is recorded.
#include <string>

namespace platform {

void TraceSyncCall(const char* kind, const std::string& path);

}  // namespace platform
