#pragma once
// The library's three settings, values of the registry key
// SOFTWARE\Corvanta\Stampline\qtlDll. Read fresh at every use, so a change
// takes effect without reloading the library; a missing or unreadable value
// gives its default.
#include <cstdint>

namespace qtl {

inline constexpr const char* kSettingsKey = "SOFTWARE\\Corvanta\\Stampline\\qtlDll";
inline constexpr uint32_t kDefaultKeepLogsFor = 10;

// Days a daily log is kept (a DWORD value; other types are ignored): 10.
uint32_t ReadKeepLogsFor();
// Capture every request (a non-zero DWORD value): off.
bool ReadNeedCapture();
// Suppress the connect-failure message box: up to 8 bytes of any type,
// taken as text and read as a decimal number; non-zero is on. Default on.
bool ReadNoShowMessages();

// How NoShowMessages's bytes read as a number (leading blanks, a sign,
// digits; parsing stops at the first other character or a NUL).
int32_t LeadingDecimalNumber(const char* text, uint32_t size);

}  // namespace qtl
