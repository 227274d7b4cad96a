// The stand-in's request parsing: any 64 header bytes decode, encode back to
// the same bytes, and give a header file whose lines are exactly its fields,
// in order, whatever bytes the id holds; the escaped id reads back exactly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "spoolclient/wire_format.h"
#include "standins/spooler/request_store.h"

namespace {

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < qtl::kRequestHeaderSize) return 0;
  standin::ReceivedRequest request;
  request.header = qtl::DecodeRequestHeader(data);
  unsigned char again[qtl::kRequestHeaderSize];
  qtl::EncodeRequestHeader(request.header, again);
  FUZZ_CHECK(std::memcmp(again, data, sizeof again) == 0);

  const std::string id = standin::IdText(request.header);
  FUZZ_CHECK(id.size() <= qtl::kIdFieldSize && id.find('\0') == std::string::npos);
  const std::string escaped = standin::EscapedText(id);
  for (unsigned char c : escaped) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
  FUZZ_CHECK(Unescaped(escaped) == id);

  request.received = size > qtl::kRequestHeaderSize ? data[qtl::kRequestHeaderSize] : 0;
  request.complete = size > qtl::kRequestHeaderSize + 1 && (data[qtl::kRequestHeaderSize + 1] & 1) != 0;
  request.status = static_cast<int32_t>(size);
  const std::string text = standin::HeaderFileText(request);
  std::vector<std::string> keys;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    FUZZ_CHECK(end != std::string::npos);  // every line ends
    const std::string line = text.substr(start, end - start);
    FUZZ_CHECK(line.find('\r') == std::string::npos);
    keys.push_back(line.substr(0, line.find('=')));
    start = end + 1;
  }
  std::vector<std::string> expected = {"command",   "id",     "length",   "timeout", "stationId",
                                       "requestId", "id_hex", "received", "complete"};
  if (request.complete) expected.push_back("status");
  FUZZ_CHECK(keys == expected);
  return 0;
}
