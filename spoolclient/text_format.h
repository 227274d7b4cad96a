#pragma once
// printf-style formatting into a std::string, for the library's log and
// trace lines, whose texts are fixed printf formats.
#include <string>

namespace qtl {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A caller's text for a "%s", with a null pointer shown as "(null)".
inline const char* TextOrNull(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace qtl
