// The client library's frames and texts: request headers built from any id
// and fields decode to what was put in; reply headers decode and encode back
// to the same bytes; a server text splits into host and port as documented;
// the reply prefix split keeps every byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "spoolclient/reply_split.h"
#include "spoolclient/server_address.h"
#include "spoolclient/wire_format.h"

namespace {

int32_t Int32At(const uint8_t* data, std::size_t size, std::size_t offset) {
  unsigned char bytes[4] = {};
  for (std::size_t i = 0; i < 4 && offset + i < size; ++i) bytes[i] = data[offset + i];
  return qtl::GetInt32(bytes);
}

void CheckRequestHeader(const uint8_t* data, std::size_t size) {
  qtl::RequestHeader header;
  header.command = Int32At(data, size, 0);
  header.length = Int32At(data, size, 4);
  header.timeout = Int32At(data, size, 8);
  header.stationId = Int32At(data, size, 12);
  header.requestId = Int32At(data, size, 16);
  const std::string id = size > 20 ? std::string(reinterpret_cast<const char*>(data) + 20, size - 20) : "";
  qtl::SetRequestId(header, id.c_str());
  unsigned char frame[qtl::kRequestHeaderSize];
  qtl::EncodeRequestHeader(header, frame);
  const qtl::RequestHeader decoded = qtl::DecodeRequestHeader(frame);
  FUZZ_CHECK(decoded.command == header.command && decoded.length == header.length &&
             decoded.timeout == header.timeout && decoded.stationId == header.stationId &&
             decoded.requestId == header.requestId);
  const std::size_t idLength = std::min(std::strlen(id.c_str()), qtl::kIdFieldSize);
  FUZZ_CHECK(std::memcmp(decoded.id, id.data(), idLength) == 0);
  for (std::size_t i = idLength; i < qtl::kIdFieldSize; ++i) FUZZ_CHECK(decoded.id[i] == '\0');
}

void CheckReplyHeader(const uint8_t* data, std::size_t size) {
  if (size < qtl::kReplyHeaderSize) return;
  const qtl::ReplyHeader header = qtl::DecodeReplyHeader(data);
  unsigned char again[qtl::kReplyHeaderSize];
  qtl::EncodeReplyHeader(header, again);
  FUZZ_CHECK(std::memcmp(again, data, sizeof again) == 0);
}

int AtoiModulo(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + static_cast<uint32_t>(text[i] - '0');
  return static_cast<int>(static_cast<uint16_t>(negative ? 0u - value : value));
}

void CheckServerText(const uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, std::strlen(text.c_str()));
  qtl::ServerAddress address;
  const bool parsed = qtl::ParseServerText(text.c_str(), address);
  if (text.size() >= qtl::kServerTextLimit) {
    FUZZ_CHECK(!parsed);
    return;
  }
  FUZZ_CHECK(parsed);
  const std::size_t colon = text.find(':');
  FUZZ_CHECK(address.host == text.substr(0, colon));
  if (colon == std::string::npos) {
    FUZZ_CHECK(address.port == qtl::kDefaultSpoolerPort);
  } else {
    // Long digit runs overflow differently; the low 16 bits of short ones are exact.
    const std::string port = text.substr(colon + 1);
    if (port.size() <= 9) FUZZ_CHECK(address.port == AtoiModulo(port));
  }
}

void CheckReplySplit(const uint8_t* data, std::size_t size) {
  std::vector<char> output(data, data + size);
  output.push_back('\0');  // room the caller's buffer may not have is never used
  int32_t length = static_cast<int32_t>(size);
  char prefix[qtl::kLongestPrefix + 1];
  std::memset(prefix, 'P', sizeof prefix);
  const int32_t result = qtl::SplitReplyPrefix(output.data(), &length, prefix);
  const std::string original(reinterpret_cast<const char*>(data), size);
  if (result != 0) {
    FUZZ_CHECK(result == qtl::kNoPrefixResult);
    FUZZ_CHECK(length == static_cast<int32_t>(size));
    FUZZ_CHECK(std::string(output.data(), size) == original);
    return;
  }
  const std::size_t semicolon = original.find(';');
  FUZZ_CHECK(semicolon != std::string::npos && semicolon <= static_cast<std::size_t>(qtl::kLongestPrefix));
  FUZZ_CHECK(std::string(prefix) == original.substr(0, std::strlen(original.substr(0, semicolon).c_str())));
  FUZZ_CHECK(length == static_cast<int32_t>(size - semicolon - 1));
  FUZZ_CHECK(std::string(output.data(), static_cast<std::size_t>(length)) == original.substr(semicolon + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const uint8_t* rest = data + 1;
  const std::size_t restSize = size - 1;
  switch (data[0] % 4) {
    case 0:
      CheckRequestHeader(rest, restSize);
      break;
    case 1:
      CheckReplyHeader(rest, restSize);
      break;
    case 2:
      CheckServerText(rest, restSize);
      break;
    default:
      CheckReplySplit(rest, restSize);
      break;
  }
  return 0;
}
