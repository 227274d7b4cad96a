#pragma once
// Locale-independent, case-insensitive comparison of UTF-8 text (Unicode
// simple case folding), as Windows compares names ignoring case. The folding
// is built in: neither the process locale nor installed locale data change it.
#include <string>
#include <string_view>

// The case-folded form of one code point.
char32_t FoldCodePoint(char32_t c);

// The case-folded form of `text`; bytes that are not UTF-8 are kept unchanged.
std::string FoldCaseUtf8(std::string_view text);

// True when `a` and `b` are the same text ignoring case.
bool SameTextUtf8(std::string_view a, std::string_view b);
