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

bool OpenRegular(const std::string& path, DWORD access, int crtFlags, FileHandle& file,
                 DWORD disposition = OPEN_ALWAYS, bool followLinks = false) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
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

bool OpenRegularForRead(const std::string& path, FileHandle& file, bool followLinks) {
  // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS: that is
  // error 5 already, as the contract has it.
  return OpenRegular(path, GENERIC_READ, _O_RDONLY, file, OPEN_EXISTING, followLinks);
}

bool OpenExistingRegular(const std::string& path, bool forWriting, FileHandle& file) {
  return OpenRegular(path, forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, forWriting ? 0 : _O_RDONLY,
                     file, OPEN_EXISTING);
}

bool ReadAll(int fd, std::string& contents) {
  const HANDLE handle = OsHandle(fd);
  LARGE_INTEGER length{};
  if (!::GetFileSizeEx(handle, &length)) return FailWithSystemError();
  std::string data;
  // One byte more than the length, so that the end is seen without growing.
  data.resize(static_cast<std::size_t>(length.QuadPart) + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) data.resize(data.size() + data.size() / 2 + 4096);  // the file grew meanwhile
    const std::size_t room = data.size() - used;
    const DWORD chunk = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
    DWORD n = 0;
    if (!::ReadFile(handle, data.data() + used, chunk, &n, nullptr)) {
      if (::GetLastError() == ERROR_HANDLE_EOF || ::GetLastError() == ERROR_BROKEN_PIPE) break;
      return FailWithSystemError();
    }
    if (n == 0) break;
    used += n;
  }
  data.resize(used);
  contents = std::move(data);
  return true;
}

bool TruncateTo(int fd, uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  const HANDLE handle = OsHandle(fd);
  if (::SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end)) return true;
  if (::GetLastError() != ERROR_ACCESS_DENIED) return FailWithSystemError();
  // An appending handle may add data but not cut it: a second handle to the
  // very same file, with write access, does the cut.
  ScopedHandle writer(::ReOpenFile(handle, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0));
  if (!writer.valid() || !::SetFileInformationByHandle(writer.get(), FileEndOfFileInfo, &end, sizeof end)) {
    return FailWithSystemError();
  }
  return true;
}

// The final name of the open file itself, so that the library opens that
// file and not whatever a name resolves to; the "\\?\" form is given back as
// the plain drive or UNC path that every caller understands.
std::string PathOfOpenFile(int fd) {
  const HANDLE handle = OsHandle(fd);
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      FailWithSystemError();
      return std::string();
    }
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    buffer = L"\\\\" + buffer.substr(8);
  } else if (buffer.rfind(L"\\\\?\\", 0) == 0) {
    buffer = buffer.substr(4);
  }
  return LayerPath(buffer);
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
