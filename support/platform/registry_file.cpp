// Reading and writing the registry file's text (the registry editor's export format).
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "support/platform/registry.h"

namespace platform {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";

std::string EscapeQuoted(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

bool IsValidUtf8WithoutControls(const uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n;) {
    const uint8_t b = p[i];
    if (b < 0x20 || b == 0x7F) return false;
    if (b < 0x80) {
      ++i;
      continue;
    }
    int length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || b == 0xC0 || b == 0xC1 || i + length > n) return false;
    for (int k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// A REG_SZ that quoting reproduces exactly: one terminating NUL, no other.
bool QuotableString(const RegistryValue& value) {
  const auto& d = value.data;
  if (d.empty() || d.back() != 0) return false;
  if (std::memchr(d.data(), 0, d.size() - 1) != nullptr) return false;
  return IsValidUtf8WithoutControls(d.data(), d.size() - 1);
}

std::string HexBytes(const std::vector<uint8_t>& data) {
  std::string out;
  char buffer[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", data[i]);
    if (i > 0) out.push_back(',');
    out += buffer;
  }
  return out;
}

std::string FormatValue(const RegistryValue& value) {
  std::string line = value.name.empty() ? "@" : "\"" + EscapeQuoted(value.name) + "\"";
  line.push_back('=');
  char buffer[32];
  if (value.type == kRegSz && QuotableString(value)) {
    const std::string text(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1);
    line += "\"" + EscapeQuoted(text) + "\"";
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                       (static_cast<uint32_t>(value.data[3]) << 24);
    std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
    line += buffer;
  } else if (value.type == kRegBinary) {
    line += "hex:" + HexBytes(value.data);
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    line += buffer + HexBytes(value.data);
  }
  return line;
}

// Parses a quoted string starting at text[pos] == '"'; `pos` ends after the closing quote.
bool ParseQuoted(const std::string& text, std::size_t& pos, std::string& out) {
  if (pos >= text.size() || text[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < text.size()) {
      out.push_back(text[pos++]);
    } else {
      out.push_back(c);
    }
  }
  return false;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == ',')) ++i;
    if (i >= text.size()) break;
    unsigned value = 0;
    int digits = 0;
    while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])) && digits < 2) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
      ++digits;
      ++i;
    }
    if (digits == 0) return false;
    out.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

bool ParseValueLine(const std::string& line, RegistryValue& value) {
  std::size_t pos = 0;
  if (line[0] == '@') {
    value.name.clear();
    pos = 1;
  } else if (!ParseQuoted(line, pos, value.name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  const std::string data = line.substr(pos);
  if (!data.empty() && data[0] == '"') {
    std::size_t p = 0;
    std::string text;
    if (!ParseQuoted(data, p, text)) return false;
    value.type = kRegSz;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return true;
  }
  if (data.rfind("dword:", 0) == 0) {
    const std::string digits = data.substr(6);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return false;
    }
    const unsigned long v = std::strtoul(digits.c_str(), nullptr, 16);
    value.type = kRegDword;
    value.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)};
    return true;
  }
  if (data.rfind("hex:", 0) == 0) {
    value.type = kRegBinary;
    return ParseHexBytes(data.substr(4), value.data);
  }
  if (data.rfind("hex(", 0) == 0) {
    const auto close = data.find("):");
    if (close == std::string::npos) return false;
    value.type = static_cast<uint32_t>(std::strtoul(data.c_str() + 4, nullptr, 16));
    return ParseHexBytes(data.substr(close + 2), value.data);
  }
  return false;
}

}  // namespace

// A line break or other control character would break the file's
// one-item-per-line form.
bool RegistryCanStoreValueName(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// "[-...]" is a deletion in the export format, so a key path may not begin
// with "-"; an empty path has no line of its own.
bool RegistryCanStoreKeyPath(const std::string& path) {
  return !path.empty() && path[0] != '-' && RegistryCanStoreValueName(path);
}

std::string FormatRegistryFile(const std::vector<RegistryKeyData>& keys) {
  std::string text = kHeader;
  text += "\n";
  for (const auto& key : keys) {
    text += "\n[" + key.path + "]\n";
    for (const auto& value : key.values) text += FormatValue(value) + "\n";
  }
  return text;
}

bool ParseRegistryFile(const std::string& text, std::vector<RegistryKeyData>& keys) {
  keys.clear();
  std::vector<std::string> lines;
  std::size_t start = 0;
  // Lines ending in a backslash continue on the next one (wrapped hex data).
  std::string pending;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (!pending.empty()) {
      const auto first = line.find_first_not_of(" \t");
      line = pending + (first == std::string::npos ? "" : line.substr(first));
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
      line.pop_back();
      pending = line;
      continue;
    }
    lines.push_back(line);
    if (end == text.size()) break;
  }

  bool sawHeader = false;
  bool inDeletion = false;  // values below a "[-...]" line belong to no key
  for (auto& line : lines) {
    if (!sawHeader) {
      if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
      if (line.empty()) continue;
      if (line != kHeader) return false;
      sawHeader = true;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return false;
      std::string path = line.substr(1, line.size() - 2);
      inDeletion = !path.empty() && path[0] == '-';
      if (inDeletion) continue;  // deletions are not kept in the file
      keys.push_back(RegistryKeyData{path, {}});
      continue;
    }
    if (inDeletion) continue;
    if (keys.empty()) return false;
    RegistryValue value;
    if (!ParseValueLine(line, value)) return false;
    keys.back().values.push_back(std::move(value));
  }
  return sawHeader || text.empty();
}

}  // namespace platform
