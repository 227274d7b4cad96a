#pragma once
// The caller's server text: a host, optionally ":" and a decimal port.
#include <cstdint>
#include <string>

namespace qtl {

inline constexpr uint16_t kDefaultSpoolerPort = 20100;
// Server texts of this many characters or more are refused.
inline constexpr std::size_t kServerTextLimit = 256;

struct ServerAddress {
  std::string host;
  uint16_t port = kDefaultSpoolerPort;
};

// Splits at the first ":"; the port text reads as atoi does (leading blanks,
// a sign, digits up to the first other character, none giving 0) and is
// taken modulo 65536. False for a null or too long text.
bool ParseServerText(const char* server, ServerAddress& address);

}  // namespace qtl
