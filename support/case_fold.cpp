#include "support/case_fold.h"

#include <locale.h>
#include <wctype.h>

#include "support/wide_conversion.h"

namespace {

// Folding used when the C.UTF-8 locale data is not installed: the scripts
// printer and folder names are written in here (Latin, Greek, Cyrillic).
char32_t FallbackFold(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
    const bool oddLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddLower) return (c % 2 == 1) ? c + 1 : c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c == 0x3C2) return 0x3C3;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  return c;
}

locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  const locale_t locale = Utf8Locale();
  if (locale == static_cast<locale_t>(0)) return FallbackFold(c);
  // Upper then lower maps the variants of one letter (final sigma, for one)
  // onto a single form, which is what simple case folding does.
  const wint_t upper = towupper_l(static_cast<wint_t>(c), locale);
  return static_cast<char32_t>(towlower_l(upper, locale));
}

}  // namespace

std::string FoldCaseUtf8(std::string_view text) {
  const WideString wide = Utf8ToUtf16(text);
  std::u32string codePoints;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    }
    codePoints.push_back(FoldCodePoint(c));
  }
  WideString folded;
  for (char32_t c : codePoints) {
    if (c >= 0x10000) {
      folded.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      folded.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      folded.push_back(static_cast<char16_t>(c));
    }
  }
  return Utf16ToUtf8(folded);
}

bool SameTextUtf8(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && a == b) return true;
  return FoldCaseUtf8(a) == FoldCaseUtf8(b);
}
