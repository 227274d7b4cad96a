#include "support/ansi_split.h"

#include <cstring>

cANSISTRSPLIT::cANSISTRSPLIT(AnsiString text, AnsiString delimiters, int32_t minimumCount) {
  // The system ANSI code page is UTF-8 here: no double-byte lead bytes exist,
  // and UTF-8 continuation bytes never equal an ASCII delimiter.
  const std::size_t n = std::strlen(text.c_str());
  bool isDelimiter[256] = {};
  for (unsigned char c : delimiters) isDelimiter[c] = true;
  auto delimiterAt = [&](std::size_t i) { return isDelimiter[static_cast<unsigned char>(text[i])]; };

  std::size_t pos = 0;
  while (pos < n) {
    std::size_t end = pos;
    while (end < n && !delimiterAt(end)) ++end;
    emplace_back(text, pos, end - pos);
    pos = end;
    while (pos < n && delimiterAt(pos)) {
      if (pos != end) emplace_back();
      ++pos;
    }
  }
  if (minimumCount > 0) {
    while (size() < static_cast<std::size_t>(minimumCount)) emplace_back();
  }
}
