// Opens of shared files on Windows: a reparse point (symbolic link, junction)
// planted under the name is opened as itself, not followed, and refused;
// anything that is not a file on disk (a pipe, a console, a device name such
// as "CON") is refused too. Other users' handles may read, write and delete
// alongside, as the shared logs and counters need.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "support/platform/file_io.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

bool OpenRegular(const std::string& path, DWORD access, int crtFlags, FileHandle& file) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailWithSystemError();
  ScopedHandle opened(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  return AdoptHandle(opened.release(), crtFlags, file);
}

}  // namespace

bool OpenRegularForAppend(const std::string& path, FileHandle& file, unsigned) {
  // Read access too: LockFileEx wants a handle that may read or write data,
  // and appending alone is neither.
  return OpenRegular(path, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE, _O_APPEND, file);
}

bool OpenRegularForReadWrite(const std::string& path, FileHandle& file, unsigned) {
  return OpenRegular(path, GENERIC_READ | GENERIC_WRITE, 0, file);
}

// Unlike pread, a positioned ReadFile also moves the handle's file position;
// the callers seek before they write.
bool ReadAt(int fd, uint64_t offset, void* data, std::size_t size, std::size_t& bytesRead) {
  bytesRead = 0;
  char* p = static_cast<char*>(data);
  const HANDLE handle = OsHandle(fd);
  while (bytesRead < size) {
    const uint64_t position = offset + bytesRead;
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(position);
    overlapped.OffsetHigh = static_cast<DWORD>(position >> 32);
    const std::size_t left = size - bytesRead;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!::ReadFile(handle, p + bytesRead, chunk, &n, &overlapped)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return FailWithSystemError();
    }
    if (n == 0) break;
    bytesRead += n;
  }
  return true;
}

bool SeekTo(int fd, uint64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(OsHandle(fd), distance, nullptr, FILE_BEGIN)) return FailWithSystemError();
  return true;
}

}  // namespace platform
