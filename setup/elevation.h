#pragma once
// Whether this process runs elevated, as the About box shows it.
#include <cstdint>

namespace setup {

// Answers 0 and sets `elevated`, or answers the error that kept the question
// from being answered (`elevated` then unchanged).
uint32_t QueryElevation(bool& elevated);

}  // namespace setup
