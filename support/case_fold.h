#pragma once
// Locale-independent, case-insensitive comparison of UTF-8 text (Unicode
// simple case folding), as Windows compares names ignoring case.
#include <string>
#include <string_view>

// The case-folded form of `text`; malformed bytes are kept as U+FFFD.
std::string FoldCaseUtf8(std::string_view text);

// True when `a` and `b` are the same text ignoring case.
bool SameTextUtf8(std::string_view a, std::string_view b);
