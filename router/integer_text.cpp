#include "router/integer_text.h"

#include <limits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads an optional sign and digits from `pos`; `value` saturates at the
// int32 range and `overflow` tells whether it had to.
std::size_t ReadSignedDigits(const AnsiString& text, std::size_t pos, int64_t& value, bool& overflow,
                             bool& anyDigit) {
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
  int64_t magnitude = 0;
  overflow = false;
  anyDigit = false;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    anyDigit = true;
    magnitude = magnitude * 10 + (text[pos] - '0');
    if (magnitude > limit) {
      magnitude = limit;
      overflow = true;
    }
  }
  value = negative ? -magnitude : magnitude;
  return pos;
}

}  // namespace

int32_t StrToIntDef(const AnsiString& text, int32_t defaultValue) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  int64_t value = 0;
  bool overflow = false;
  bool anyDigit = false;
  pos = ReadSignedDigits(text, pos, value, overflow, anyDigit);
  if (!anyDigit || overflow || pos != text.size()) return defaultValue;
  return static_cast<int32_t>(value);
}

int32_t LeadingInt32(const AnsiString& text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsWhiteSpace(text[pos])) ++pos;
  int64_t value = 0;
  bool overflow = false;
  bool anyDigit = false;
  ReadSignedDigits(text, pos, value, overflow, anyDigit);
  return static_cast<int32_t>(value);
}
