#include "support/wide_conversion.h"

#include <cstring>

#include "support/code_page_tables.h"

namespace {

const char16_t* HighHalfTable(unsigned codePage) {
  switch (codePage) {
    case CP_WINDOWS_1252: return codepage_tables::kCodePage1252;
    case CP_WINDOWS_1253: return codepage_tables::kCodePage1253;
    case CP_ISO_8859_7: return codepage_tables::kCodePage28597;
    case CP_ISO_8859_1: return codepage_tables::kCodePage28591;
    default: return nullptr;
  }
}

bool IsUtf8CodePage(unsigned codePage) { return codePage == CP_UTF8 || codePage == CP_ACP; }

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code point at `i`, advancing it; malformed sequences give
// U+FFFD and consume one byte, so decoding always makes progress.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + length > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += length;
  return cp;
}

// Decodes one code point from UTF-16 at `i`; a lone surrogate gives U+FFFD.
char32_t DecodeUtf16(const WideString& s, std::size_t& i) {
  const char16_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i++] - 0xDC00);
  }
  if (c >= 0xD800 && c <= 0xDFFF) return 0xFFFD;
  return c;
}

}  // namespace

bool DecodeUtf8CodePoint(std::string_view text, std::size_t& i, char32_t& cp) {
  const std::size_t start = i;
  cp = DecodeUtf8(text, i);
  // A malformed sequence consumes one byte; a real U+FFFD takes three.
  return cp != 0xFFFD || i - start == 3;
}

void AppendUtf8CodePoint(std::string& out, char32_t cp) { AppendUtf8(out, cp); }

bool IsSupportedCodePage(unsigned codePage) { return IsUtf8CodePage(codePage) || HighHalfTable(codePage) != nullptr; }

WideString Utf8ToUtf16(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf16(out, DecodeUtf8(text, i));
  return out;
}

std::string Utf16ToUtf8(const WideString& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf8(out, DecodeUtf16(text, i));
  return out;
}

bool MultiByteToWString(const char* text, WideString& out, unsigned codePage) {
  if (text == nullptr) return false;
  const std::string_view bytes(text, std::strlen(text));
  if (IsUtf8CodePage(codePage)) {
    out = Utf8ToUtf16(bytes);
    return true;
  }
  const char16_t* table = HighHalfTable(codePage);
  if (table == nullptr) return false;
  WideString converted;
  converted.reserve(bytes.size());
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      converted.push_back(b);
    } else {
      // An unassigned byte maps to the code point of the same value, as the
      // system conversion does for the gaps of the Windows code pages.
      const char16_t mapped = table[b - 0x80];
      converted.push_back(mapped != 0 ? mapped : static_cast<char16_t>(b));
    }
  }
  out = std::move(converted);
  return true;
}

WideString Utf8ToWString(const char* text) {
  WideString out;
  MultiByteToWString(text, out, CP_UTF8);
  return out;
}

bool WideToMultiByte(const WideString& text, std::string& out, unsigned codePage, char defaultChar,
                     bool* usedDefault) {
  bool replaced = false;
  if (IsUtf8CodePage(codePage)) {
    out = Utf16ToUtf8(text);
    if (usedDefault) *usedDefault = false;
    return true;
  }
  const char16_t* table = HighHalfTable(codePage);
  if (table == nullptr) return false;
  std::string converted;
  converted.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = DecodeUtf16(text, i);
    if (cp < 0x80) {
      converted.push_back(static_cast<char>(cp));
      continue;
    }
    int found = -1;
    for (int k = 0; k < 128; ++k) {
      const char16_t mapped = table[k] != 0 ? table[k] : static_cast<char16_t>(0x80 + k);
      if (mapped == cp) {
        found = k;
        break;
      }
    }
    if (found >= 0) {
      converted.push_back(static_cast<char>(0x80 + found));
    } else {
      converted.push_back(defaultChar);
      replaced = true;
    }
  }
  out = std::move(converted);
  if (usedDefault) *usedDefault = replaced;
  return true;
}

AnsiString WideToAnsiString(const cWIDE& wide) { return Utf16ToUtf8(wide.text()); }
