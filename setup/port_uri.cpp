#include "setup/port_uri.h"

#include <cctype>

#include "support/case_fold.h"

namespace setup {

namespace {

// True for "scheme:/..." (RFC 3986 scheme characters, then ":/").
bool LooksLikeUri(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size() || text[colon + 1] != '/') return false;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

const std::string& MonitorPrefix() {
  static const std::string prefix = std::string(kMonitorBackendScheme) + ":/";
  return prefix;
}

}  // namespace

std::string DeviceUriFromPort(const std::string& portName) {
  if (SameTextUtf8(portName, kFallbackPortName)) return kFallbackDeviceUri;
  if (LooksLikeUri(portName)) return portName;
  return MonitorPrefix() + portName;
}

std::string PortFromDeviceUri(const std::string& deviceUri) {
  if (deviceUri == kFallbackDeviceUri) return kFallbackPortName;
  const std::string& prefix = MonitorPrefix();
  if (deviceUri.size() > prefix.size() && SameTextUtf8(deviceUri.substr(0, prefix.size()), prefix)) {
    return deviceUri.substr(prefix.size());
  }
  return deviceUri;
}

}  // namespace setup
