#pragma once
// Text conversion between code pages, UTF-8 and UTF-16. The system ANSI code
// page is UTF-8 on this platform, whatever the process locale.
#include <string>
#include <string_view>

#include "support/ansi_split.h"

using WideString = std::u16string;

enum : unsigned {
  CP_ACP = 0,  // the system ANSI code page: UTF-8 here
  CP_UTF8 = 65001,
  CP_WINDOWS_1252 = 1252,
  CP_WINDOWS_1253 = 1253,
  CP_ISO_8859_1 = 28591,
  CP_ISO_8859_7 = 28597,
};

// True when `codePage` is one we can convert to and from.
bool IsSupportedCodePage(unsigned codePage);

// Converts NUL-terminated `text` read in `codePage` into `out` (replacing its
// content). Malformed input is replaced, never an error; an unsupported code
// page returns false and leaves `out` unchanged.
bool MultiByteToWString(const char* text, WideString& out, unsigned codePage);

// MultiByteToWString with UTF-8 into a fresh string (empty on failure).
WideString Utf8ToWString(const char* text);

// Converts `text` into `codePage`; a character the code page lacks becomes
// `defaultChar`. Returns false (leaving `out` unchanged) for an unsupported
// code page. `usedDefault`, when given, tells whether a replacement happened.
bool WideToMultiByte(const WideString& text, std::string& out, unsigned codePage, char defaultChar = '?',
                     bool* usedDefault = nullptr);

// UTF-8 <-> UTF-16 over whole strings (malformed input becomes U+FFFD).
WideString Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(const WideString& text);

// Decodes the code point at `text[i]` and advances `i` past it. A malformed
// sequence gives U+FFFD, advances by one byte and returns false.
bool DecodeUtf8CodePoint(std::string_view text, std::size_t& i, char32_t& cp);
// Appends the UTF-8 form of `cp` to `out`.
void AppendUtf8CodePoint(std::string& out, char32_t cp);

// Holder of one wide text, as returned by the XML document's node reader.
class cWIDE {
 public:
  cWIDE() = default;
  explicit cWIDE(WideString text) : text_(std::move(text)) {}
  const WideString& text() const { return text_; }
  WideString& text() { return text_; }

 private:
  WideString text_;
};

// The wide text in the system ANSI code page; never fails.
AnsiString WideToAnsiString(const cWIDE& wide);
