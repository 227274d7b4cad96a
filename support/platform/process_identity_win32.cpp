#include <windows.h>

#include "support/platform/process_identity.h"
#include "support/platform/win32_text.h"

namespace platform {

std::string ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::string();
  buffer.resize(n);
  return LayerPath(buffer);
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::GetCurrentThreadId()); }
uint32_t CurrentProcessId() { return static_cast<uint32_t>(::GetCurrentProcessId()); }

}  // namespace platform
