#include "spoolclient/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace qtl {

std::string FormatText(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string text;
  if (needed < 0) {
    va_end(copy);
    return text;
  }
  if (static_cast<std::size_t>(needed) < sizeof small) {
    text.assign(small, static_cast<std::size_t>(needed));
  } else {
    text.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, copy);
    text.resize(static_cast<std::size_t>(needed));
  }
  va_end(copy);
  return text;
}

}  // namespace qtl
