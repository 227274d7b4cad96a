#pragma once
// The setup tool's two kinds of message, both through the message-box seam
// (support/platform/system_info.h) with the application title as caption:
// the warning box (exclamation icon, topmost) and the plain message (OK only).
#include <cstdint>
#include <string>

namespace setup {

inline constexpr const char* kApplicationTitle = "32/64bit Redirect Port monitor Setup";

// MB_ICONEXCLAMATION | MB_TOPMOST
inline constexpr int32_t kWarningBoxFlags = 0x40030;
inline constexpr int32_t kPlainMessageFlags = 0;

void ShowWarningBox(const std::string& text);
void ShowPlainMessage(const std::string& text);

// `text` followed by the calling thread's last error in decimal.
std::string WithLastError(const std::string& text);

}  // namespace setup
