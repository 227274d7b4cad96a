#include "support/platform/win32_text.h"

#include <fcntl.h>
#include <io.h>

#include "support/platform/win_error.h"

namespace platform {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
  return narrow;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Widen(path);
  for (auto& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::string LayerPath(const std::wstring& path) {
  std::string narrow = Narrow(path);
  for (auto& c : narrow) {
    if (c == '\\') c = '/';
  }
  return narrow;
}

bool AdoptHandle(HANDLE handle, int crtFlags, FileHandle& file) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), crtFlags | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    ::CloseHandle(handle);
    SetLastError(kErrorTooManyOpenFiles);
    return false;
  }
  file = FileHandle(fd);
  return true;
}

HANDLE OsHandle(int fd) {
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

bool FailWithSystemError() {
  SetLastError(static_cast<uint32_t>(::GetLastError()));
  return false;
}

}  // namespace platform
