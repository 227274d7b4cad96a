#include <windows.h>

#include "support/platform/file_create.h"
#include "support/platform/file_io.h"
#include "support/platform/win32_text.h"

namespace platform {

namespace {

// A new file never follows a link: the link's own name counts as taken.
bool CreateWith(const std::string& path, DWORD disposition, FileHandle& file) {
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (disposition == CREATE_NEW ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailWithSystemError();
  return AdoptHandle(handle, 0, file);
}

}  // namespace

bool CreateNewFile(const std::string& path, FileHandle& file, unsigned) { return CreateWith(path, CREATE_NEW, file); }

bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned) {
  return CreateWith(path, CREATE_ALWAYS, file);
}

bool CreateAlwaysRegularFile(const std::string& path, FileHandle& file, unsigned mode) {
  // Opened first without truncating: what stands under the name (a reparse
  // point, a folder, a device name) is checked before anything is touched.
  FileHandle opened;
  if (!OpenRegularForReadWrite(path, opened, mode) || !TruncateTo(opened.get(), 0)) return false;
  file = std::move(opened);
  return true;
}

}  // namespace platform
