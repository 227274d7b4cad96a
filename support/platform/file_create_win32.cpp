#include <windows.h>

#include "support/platform/file_create.h"
#include "support/platform/win32_text.h"

namespace platform {

namespace {

bool CreateWith(const std::string& path, DWORD disposition, FileHandle& file) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailWithSystemError();
  return AdoptHandle(handle, 0, file);
}

}  // namespace

bool CreateNewFile(const std::string& path, FileHandle& file, unsigned) { return CreateWith(path, CREATE_NEW, file); }

bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned) {
  return CreateWith(path, CREATE_ALWAYS, file);
}

}  // namespace platform
