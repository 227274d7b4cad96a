// The field splitter and the code-page conversions. The first byte picks
// what is checked; the rest is the text.
//  - splitting at one delimiter and joining again gives the text back (a
//    single trailing delimiter yields no field), and padding only appends;
//  - a routing-table line read, written and read again gives the same record;
//  - bytes of a single-byte code page convert to UTF-16 and back unchanged;
//  - UTF-16 converted to a code page without replacements converts back;
//  - well-formed UTF-8 and UTF-16 convert into each other and back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "support/ansi_split.h"
#include "support/routing_record.h"
#include "support/wide_conversion.h"

namespace {

constexpr unsigned kSingleByteCodePages[] = {CP_WINDOWS_1252, CP_WINDOWS_1253, CP_ISO_8859_1, CP_ISO_8859_7};

void CheckSplit(std::string text, char delimiter, int32_t minimum) {
  text = text.substr(0, std::strlen(text.c_str()));  // the splitter stops at a NUL
  const cANSISTRSPLIT fields(text, std::string(1, delimiter), 0);
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined.push_back(delimiter);
    joined += fields[i];
    FUZZ_CHECK(fields[i].find(delimiter) == std::string::npos);
  }
  if (!text.empty() && text.back() == delimiter) joined.push_back(delimiter);
  FUZZ_CHECK(joined == text);
  const cANSISTRSPLIT padded(text, std::string(1, delimiter), minimum);
  FUZZ_CHECK(padded.size() >= static_cast<std::size_t>(minimum < 0 ? 0 : minimum));
  FUZZ_CHECK(padded.size() >= fields.size());
  for (std::size_t i = 0; i < padded.size(); ++i) FUZZ_CHECK(padded[i] == (i < fields.size() ? fields[i] : ""));
}

void CheckRoutingLine(const std::string& line) {
  const RoutingRecord first = RoutingRecord::FromLine(line);
  const RoutingRecord second = RoutingRecord::FromLine(first.ToLine());
  FUZZ_CHECK(first.printer == second.printer && first.destServer == second.destServer &&
             first.portLocation == second.portLocation && first.timeoutSec == second.timeoutSec);
}

void CheckSingleByte(std::string bytes, unsigned codePage) {
  bytes = bytes.substr(0, std::strlen(bytes.c_str()));
  WideString wide;
  FUZZ_CHECK(MultiByteToWString(bytes.c_str(), wide, codePage));
  std::string back;
  bool replaced = true;
  FUZZ_CHECK(WideToMultiByte(wide, back, codePage, '?', &replaced));
  FUZZ_CHECK(!replaced);
  FUZZ_CHECK(back == bytes);
}

WideString WideFrom(const std::string& bytes) {
  WideString wide;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;  // the conversions back read up to a NUL
    wide.push_back(unit);
  }
  return wide;
}

bool WellFormedUtf16(const WideString& wide) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

void CheckWideToCodePage(const WideString& wide, unsigned codePage) {
  std::string bytes;
  bool replaced = false;
  FUZZ_CHECK(WideToMultiByte(wide, bytes, codePage, '?', &replaced));
  if (replaced) return;
  WideString back;
  FUZZ_CHECK(MultiByteToWString(bytes.c_str(), back, codePage));
  FUZZ_CHECK(back == wide);
}

void CheckUtf8(std::string bytes) {
  bytes = bytes.substr(0, std::strlen(bytes.c_str()));
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8CodePoint(bytes, i, cp)) return;  // not well-formed: no promise
  }
  FUZZ_CHECK(Utf16ToUtf8(Utf8ToUtf16(bytes)) == bytes);
}

void CheckUtf16(const WideString& wide) {
  if (!WellFormedUtf16(wide)) return;
  FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(wide)) == wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned choice = data[0];
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (choice % 6) {
    case 0:
      if (rest[0] != '\0') CheckSplit(rest.substr(1), rest[0], static_cast<int32_t>(choice / 6) - 8);
      break;
    case 1:
      CheckRoutingLine(rest);
      break;
    case 2:
      CheckSingleByte(rest, kSingleByteCodePages[(choice / 6) % 4]);
      break;
    case 3:
      CheckWideToCodePage(WideFrom(rest), kSingleByteCodePages[(choice / 6) % 4]);
      break;
    case 4:
      CheckUtf8(rest);
      break;
    default:
      CheckUtf16(WideFrom(rest));
      break;
  }
  return 0;
}
