#pragma once
// The data behind FoldCaseUtf8: code points first..last (every `stride`-th)
// fold to code point + delta; code points in no run fold to themselves.
#include <cstddef>
#include <cstdint>

namespace casefold {

struct CaseFoldRun {
  char32_t first;
  char32_t last;
  uint32_t stride;  // 1, or 2 where upper and lower case alternate
  int32_t delta;
};

// Sorted by `first`; runs never overlap.
extern const CaseFoldRun kCaseFoldRuns[];
extern const std::size_t kCaseFoldRunCount;

}  // namespace casefold
