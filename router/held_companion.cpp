#include "router/held_companion.h"

#include <cstdio>
#include <string>

#include "router/integer_text.h"
#include "support/platform/clock.h"

namespace {

constexpr char kJobKey[] = "Job=";
constexpr char kHeldKey[] = "Held=";
constexpr char kSendKey[] = "Send=";

AnsiString Escape(const AnsiString& text) {
  AnsiString out;
  for (const char c : text) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

AnsiString Unescape(const AnsiString& text) {
  AnsiString out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool StartsWith(const AnsiString& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::vector<AnsiString> SplitAt(const AnsiString& text, char separator) {
  std::vector<AnsiString> fields(1);
  for (const char c : text) {
    if (c == separator) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

bool WholeNumber(const AnsiString& text, int32_t& value) {
  if (text.empty()) return false;
  value = StrToIntDef(text, 0);
  return std::to_string(value) == text;
}

}  // namespace

AnsiString FormatHeldCompanion(const HeldCompanion& companion) {
  AnsiString text = kJobKey + Escape(companion.originalJob) + "\r\n" + kHeldKey + Escape(companion.heldTime) + "\r\n";
  for (const HeldSend& send : companion.sends) {
    text += kSendKey + Escape(send.hostPort) + "\t" + Escape(send.printerName) + "\t" +
            std::to_string(send.timeoutSec) + "\t" + std::to_string(send.result) + "\t" + Escape(send.attemptTime) +
            "\r\n";
  }
  return text;
}

bool ParseHeldCompanion(const AnsiString& text, HeldCompanion& companion) {
  HeldCompanion parsed;
  bool sawJob = false;
  for (AnsiString line : SplitAt(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (StartsWith(line, kJobKey)) {
      parsed.originalJob = Unescape(line.substr(sizeof kJobKey - 1));
      sawJob = true;
    } else if (StartsWith(line, kHeldKey)) {
      parsed.heldTime = Unescape(line.substr(sizeof kHeldKey - 1));
    } else if (StartsWith(line, kSendKey)) {
      const std::vector<AnsiString> fields = SplitAt(line.substr(sizeof kSendKey - 1), '\t');
      HeldSend send;
      if (fields.size() != 5 || !WholeNumber(fields[2], send.timeoutSec) || !WholeNumber(fields[3], send.result)) {
        return false;
      }
      send.hostPort = Unescape(fields[0]);
      send.printerName = Unescape(fields[1]);
      send.attemptTime = Unescape(fields[4]);
      parsed.sends.push_back(send);
    }
  }
  if (!sawJob) return false;
  companion = std::move(parsed);
  return true;
}

AnsiString HeldTimeText() {
  const platform::SystemTime now = platform::GetLocalTime();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  return text;
}
