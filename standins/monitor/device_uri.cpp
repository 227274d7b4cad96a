#include "standins/monitor/device_uri.h"

namespace {

// Characters a URI path keeps as they are (unreserved, sub-delimiters, ':' and '@').
bool KeptInPath(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '.': case '_': case '~': case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=': case ':': case '@':
      return true;
    default:
      return false;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The quoted fields of the listing cannot hold quotes or backslashes.
std::string ForListingField(const std::string& text) {
  std::string out;
  for (char c : text) out.push_back((c == '"' || c == '\\') ? '_' : c);
  return out;
}

}  // namespace

std::string DeviceUriForPort(const std::string& port) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = std::string(kBackendScheme) + ":/";
  for (unsigned char c : port) {
    if (KeptInPath(c)) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
}

bool PortFromDeviceUri(const std::string& uri, std::string& port) {
  const std::string prefix = std::string(kBackendScheme) + ":";
  if (uri.size() <= prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = uri[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != prefix[i]) return false;
  }
  std::size_t i = prefix.size();
  while (i < uri.size() && uri[i] == '/') ++i;
  std::string decoded;
  for (; i < uri.size(); ++i) {
    const char c = uri[i];
    if (c == '%') {
      if (i + 2 >= uri.size()) return false;
      const int high = HexValue(uri[i + 1]);
      const int low = HexValue(uri[i + 2]);
      if (high < 0 || low < 0) return false;
      decoded.push_back(static_cast<char>(high * 16 + low));
      i += 2;
      continue;
    }
    decoded.push_back(c);
  }
  if (decoded.empty()) return false;
  for (unsigned char c : decoded) {
    if (c < 0x20 || c == 0x7f) return false;  // no port name holds control characters
  }
  port = decoded;
  return true;
}

std::string DeviceListLine(const std::string& port) {
  return "direct " + DeviceUriForPort(port) + " \"Redirected Port " + ForListingField(port) +
         "\" \"Redirected Port\"";
}
