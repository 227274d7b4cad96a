#include "spoolclient/server_address.h"

#include <cstring>

namespace qtl {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// atoi's reading, reduced modulo 65536 as the digits come, so that no
// length of digits can overflow.
uint16_t PortFromText(const char* text) {
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = (value * 10 + static_cast<uint32_t>(*text - '0')) & 0xFFFFu;
  if (negative) value = (0x10000u - value) & 0xFFFFu;
  return static_cast<uint16_t>(value);
}

}  // namespace

bool ParseServerText(const char* server, ServerAddress& address) {
  if (server == nullptr) return false;
  const std::size_t length = strnlen(server, kServerTextLimit);
  if (length >= kServerTextLimit) return false;
  const std::string text(server, length);
  const auto colon = text.find(':');
  if (colon == std::string::npos) {
    address.host = text;
    address.port = kDefaultSpoolerPort;
  } else {
    address.host = text.substr(0, colon);
    address.port = PortFromText(text.c_str() + colon + 1);
  }
  return true;
}

}  // namespace qtl
