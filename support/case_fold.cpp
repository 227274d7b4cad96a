#include "support/case_fold.h"

#include <algorithm>

#include "support/case_fold_table.h"
#include "support/wide_conversion.h"

char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  const casefold::CaseFoldRun* begin = casefold::kCaseFoldRuns;
  const casefold::CaseFoldRun* end = begin + casefold::kCaseFoldRunCount;
  // The first run that does not end before `c`.
  const auto* run =
      std::lower_bound(begin, end, c, [](const casefold::CaseFoldRun& r, char32_t value) { return r.last < value; });
  if (run == end || c < run->first || (c - run->first) % run->stride != 0) return c;
  return static_cast<char32_t>(static_cast<int32_t>(c) + run->delta);
}

std::string FoldCaseUtf8(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    char32_t c = 0;
    if (DecodeUtf8CodePoint(text, i, c)) {
      AppendUtf8CodePoint(folded, FoldCodePoint(c));
    } else {
      // Bytes that are not UTF-8 stay as they are, so two different
      // malformed names never fold to the same text.
      folded.append(text.substr(start, i - start));
    }
  }
  return folded;
}

bool SameTextUtf8(std::string_view a, std::string_view b) {
  if (a == b) return true;
  return FoldCaseUtf8(a) == FoldCaseUtf8(b);
}
