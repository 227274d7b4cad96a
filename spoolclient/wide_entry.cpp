#include "spoolclient/wide_entry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "spoolclient/full_call.h"
#include "spoolclient/library_log.h"
#include "spoolclient/library_state.h"
#include "spoolclient/text_format.h"
#include "support/platform/win_error.h"
#include "support/wide_conversion.h"

namespace qtl {

namespace {

// Texts travel to the back end in ISO 8859-7; file names are the file
// system's, in the system ANSI code page, or a Greek name would name
// another file (or none).
constexpr unsigned kWireCodePage = CP_ISO_8859_7;
constexpr unsigned kPathCodePage = CP_ACP;

bool ConversionFailed(uint32_t error) {
  WriteTraceLine(FormatText("WideCharToMultiByte() error %d", static_cast<int>(error)));
  return false;
}

// The UTF-16 text at `text` up to its terminator, reading at most `limit`
// units; false when no terminator lies within them.
bool BoundedText(const char16_t* text, std::size_t limit, WideString& out) {
  std::size_t length = 0;
  while (length < limit && text[length] != u'\0') ++length;
  if (length == limit) return false;
  out.assign(text, length);
  return true;
}

// A whole zero-terminated text converted into `out` (a null text converts to
// an empty one; the callee then treats it as any empty text).
bool ConvertText(const char16_t* text, std::string& out, unsigned codePage = kWireCodePage) {
  WideString wide;
  if (text != nullptr) {
    std::size_t length = 0;
    while (text[length] != u'\0') ++length;
    wide.assign(text, length);
  }
  if (!WideToMultiByte(wide, out, codePage)) return ConversionFailed(platform::kErrorInvalidParameter);
  return true;
}

// The input block of `inlen` characters. Its conversion must fill exactly
// `inlen` bytes: a longer text does not fit the buffer, and a shorter one
// would leave bytes in the body that no conversion wrote.
bool ConvertBlock(const char16_t* text, int32_t inlen, std::string& out) {
  WideString wide;
  if (text == nullptr || !BoundedText(text, static_cast<std::size_t>(inlen) + 1, wide)) {
    return ConversionFailed(platform::kErrorInsufficientBuffer);
  }
  std::string converted;
  if (!WideToMultiByte(wide, converted, kWireCodePage)) return ConversionFailed(platform::kErrorInvalidParameter);
  if (converted.size() > static_cast<std::size_t>(inlen)) return ConversionFailed(platform::kErrorInsufficientBuffer);
  if (converted.size() < static_cast<std::size_t>(inlen)) return ConversionFailed(platform::kErrorInvalidParameter);
  out = std::move(converted);
  return true;
}

// `count` reply bytes (NULs included) as UTF-16.
WideString ReplyToWide(const char* bytes, std::size_t count) {
  WideString result;
  std::size_t start = 0;
  while (start <= count) {
    std::size_t end = start;
    while (end < count && bytes[end] != '\0') ++end;
    const std::string segment(bytes + start, end - start);
    WideString wide;
    MultiByteToWString(segment.c_str(), wide, kWireCodePage);
    result += wide;
    if (end == count) break;
    result.push_back(u'\0');
    start = end + 1;
  }
  return result;
}

}  // namespace

int32_t WideFullCall(int32_t stationId, int32_t requestId, const char16_t* stringId, const char16_t* server,
                     const char16_t* input, int32_t inlen, char16_t* output, int32_t* bufsize, int32_t timeout,
                     int32_t exCommand) {
  if (stringId == nullptr) {
    EnableTrace();
    return 0;
  }
  std::string id8, server8, input8, output8;
  if (!ConvertText(stringId, id8)) return -11;
  if (!ConvertText(server, server8)) return -11;
  if (inlen > 0) {
    if (!ConvertBlock(input, inlen, input8)) return -11;
  } else if (!ConvertText(input, input8, kPathCodePage)) {
    // With inlen 0 the input is a file's name or one of the special ids,
    // which are plain ASCII in either code page.
    return -11;
  }

  const int32_t capacity = bufsize != nullptr ? *bufsize : 0;
  std::vector<char> reply;
  char* output8Pointer = nullptr;
  if (capacity == 0) {
    if (output != nullptr) {
      if (!ConvertText(output, output8, kPathCodePage)) return -11;
      output8Pointer = output8.data();
    }
  } else if (capacity > 0) {
    reply.resize(static_cast<std::size_t>(capacity));
    output8Pointer = reply.data();
  }
  // A negative capacity passes no buffer: the reply reader refuses every
  // reply as too long before it would store a byte.

  int32_t length = capacity;
  CallArguments call;
  call.stationId = stationId;
  call.requestId = requestId;
  call.stringId = id8.c_str();
  call.server = server8.c_str();
  call.input = input8.c_str();
  call.inlen = inlen;
  call.output = output8Pointer;
  call.bufsize = &length;
  call.timeout = timeout;
  call.exCommand = exCommand;
  const int32_t result = FullCall(call);
  if (result != 0) return result;

  if (capacity == 0) {
    // The reply went to the file; there is nothing to convert back, and the
    // caller learns the reply's length.
    if (bufsize != nullptr) *bufsize = length;
    return 0;
  }
  if (length <= 0 || output == nullptr) {
    WriteTraceLine(FormatText("MultiByteToWideChar() error %d", static_cast<int>(platform::kErrorInvalidParameter)));
    return -12;
  }
  const WideString wide = ReplyToWide(reply.data(), static_cast<std::size_t>(length));
  const std::size_t count = std::min(wide.size(), static_cast<std::size_t>(length));
  if (count == 0) {
    WriteTraceLine(FormatText("MultiByteToWideChar() error %d", static_cast<int>(platform::kErrorNoUnicodeTranslation)));
    return -12;
  }
  std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(count), output);
  *bufsize = static_cast<int32_t>(count);
  return 0;
}

}  // namespace qtl
