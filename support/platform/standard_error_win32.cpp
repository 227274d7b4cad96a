// Diagnostic output on Windows. No signal comes of a write here; what is
// guarded against is a standard error the caller closed or never had (a GUI
// program): the text is then lost, never an error.
#include <windows.h>

#include "support/platform/standard_error.h"

namespace platform {

void WriteStandardError(const std::string& text) {
  const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

}  // namespace platform
