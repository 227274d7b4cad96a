// Files on Windows. Whatever others read appears whole: new data goes to a
// hidden temporary name in the target folder and is published by a rename
// that never replaces (MoveFileEx without MOVEFILE_REPLACE_EXISTING), so a
// collector never sees a part and an existing file is never overwritten.
// The header comes first: <windows.h> would rename DeleteFile and
// GetShortPathName in it to their wide forms.
#include "support/platform/files.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>

#include "support/platform/paths.h"
#include "support/platform/random.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

// The layer's names, not the system's character-width macros.
#undef DeleteFile
#undef GetShortPathName

namespace platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

std::string::size_type LastDelimiter(const std::string& path) { return path.find_last_of("/\\"); }

std::string FolderOf(const std::string& path) {
  const auto slash = LastDelimiter(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = LastDelimiter(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A rename onto an existing name reports 183; the layer's contract says 80.
bool FailPublish() {
  const DWORD error = ::GetLastError();
  return Fail(error == ERROR_ALREADY_EXISTS ? kErrorFileExists : error);
}

// A hidden temporary name beside `target` that no file has yet.
std::string TemporaryNameBeside(const std::string& target) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(RandomUInt32()));
  return JoinPath(FolderOf(target), "." + NameOf(target) + suffix);
}

bool CreateTemporaryBeside(const std::string& target, FileHandle& file, std::string& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = TemporaryNameBeside(target);
    HANDLE handle = ::CreateFileW(WidePath(tempPath).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return AdoptHandle(handle, 0, file);
    if (::GetLastError() != ERROR_FILE_EXISTS) return FailWithSystemError();
  }
  return Fail(kErrorFileExists);
}

bool Publish(const std::string& tempPath, const std::string& target, bool replace) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!::MoveFileExW(WidePath(tempPath).c_str(), WidePath(target).c_str(), flags)) return FailPublish();
  ::SetFileAttributesW(WidePath(target).c_str(), FILE_ATTRIBUTE_NORMAL);
  return true;
}

void RemoveKeepingError(const std::string& path) {
  const uint32_t error = GetLastError();
  ::DeleteFileW(WidePath(path).c_str());
  SetLastError(error);
}

bool CopyToNewFile(const std::string& source, const std::string& target, bool flush) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(source).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithSystemError();
  // Only a regular file is copied: a link planted as the source is refused.
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return Fail(kErrorAccessDenied);
  }
  // Cheap early refusal; the publish step is what really guarantees it.
  if (PathEntryExists(target)) return Fail(kErrorFileExists);
  // The system copies the data (flat memory) to a fresh hidden-by-name
  // temporary; CopyFile itself refuses to overwrite, so no name is shared.
  std::string tempPath;
  for (int attempt = 0;; ++attempt) {
    tempPath = TemporaryNameBeside(target);
    if (::CopyFileExW(WidePath(source).c_str(), WidePath(tempPath).c_str(), nullptr, nullptr, nullptr,
                      COPY_FILE_FAIL_IF_EXISTS)) {
      break;
    }
    const DWORD error = ::GetLastError();
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 100) {
      SetLastError(error);
      // A copy that failed part-way may leave its partial file behind.
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) RemoveKeepingError(tempPath);
      return false;
    }
  }
  if (flush) {
    HANDLE handle = ::CreateFileW(WidePath(tempPath).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool flushed = handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle);
    if (!flushed) FailWithSystemError();
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    if (!flushed) {
      RemoveKeepingError(tempPath);
      return false;
    }
  }
  if (!Publish(tempPath, target, false)) {
    RemoveKeepingError(tempPath);
    return false;
  }
  return true;
}

bool OpenWith(const std::string& path, DWORD access, DWORD disposition, DWORD flags, int crtFlags,
              FileHandle& file) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailWithSystemError();
  return AdoptHandle(handle, crtFlags, file);
}

bool WriteNewContents(const std::string& path, const std::string& contents, bool replace) {
  FileHandle out;
  std::string tempPath;
  if (!CreateTemporaryBeside(path, out, tempPath)) return false;
  bool ok = WriteAll(out.get(), contents.data(), contents.size());
  if (ok && !::FlushFileBuffers(OsHandle(out.get()))) ok = FailWithSystemError();
  if (!out.Close()) ok = false;
  if (ok) ok = Publish(tempPath, path, replace);
  if (!ok) RemoveKeepingError(tempPath);
  return ok;
}

}  // namespace

bool FileHandle::Close() {
  if (fd_ < 0) return true;
  const int rc = ::_close(fd_);
  fd_ = -1;
  if (rc != 0) return Fail(kErrorInvalidHandle);
  return true;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// GetFileAttributes looks at the entry itself: a link (reparse point) is
// reported with its own attributes, a dangling one included.
bool PathEntryExists(const std::string& path) {
  if (path.empty()) return false;
  if (::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // A name that is there but may not be looked at is taken all the same.
  const DWORD error = ::GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

bool IsRegularFileEntry(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) throw InOutError("Unable to create directory");
  if (path.find('\0') != std::string::npos) throw InOutError("Invalid path");
  std::string current = path;
  while (current.size() > 1 && (current.back() == '/' || current.back() == '\\')) current.pop_back();
  if (DirectoryExists(current)) return true;
  const std::string parent = FolderOf(current);
  if (parent != current && !(parent.size() == 2 && parent[1] == ':') && !DirectoryExists(parent)) {
    if (!ForceDirectories(parent)) return false;
  }
  if (!::CreateDirectoryW(WidePath(current).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return FailWithSystemError();
  }
  if (!DirectoryExists(current)) return Fail(kErrorPathNotFound);
  return true;
}

bool OpenForAppend(const std::string& path, FileHandle& file, unsigned) {
  // Append access: every write lands at the end, also with several writers.
  // Read access too, so that LockFileEx accepts the handle.
  return OpenWith(path, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN,
                  _O_APPEND, file);
}

bool OpenForRead(const std::string& path, FileHandle& file) {
  return OpenWith(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, _O_RDONLY, file);
}

bool OpenForReadWrite(const std::string& path, FileHandle& file, unsigned) {
  return OpenWith(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0, file);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const HANDLE handle = OsHandle(fd);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(handle, p, chunk, &written, nullptr)) return FailWithSystemError();
    if (written == 0) return Fail(kErrorDiskFull);
    p += written;
    size -= written;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  FileHandle file;
  if (!OpenForRead(path, file)) return false;
  std::string data;
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(OsHandle(file.get()), buffer.get(), 1 << 16, &n, nullptr)) return FailWithSystemError();
    if (n == 0) break;
    data.append(buffer.get(), n);
  }
  contents = std::move(data);
  return true;
}

bool CopyFileNoReplace(const std::string& source, const std::string& target) {
  SetLastError(kErrorSuccess);
  return CopyToNewFile(source, target, false);
}

bool MoveFileNoReplace(const std::string& source, const std::string& target) {
  SetLastError(kErrorSuccess);
  // On one volume a rename: atomic, never replacing, on disk when it returns.
  if (::MoveFileExW(WidePath(source).c_str(), WidePath(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
    SetLastError(kErrorSuccess);
    return true;
  }
  if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return FailPublish();
  // Across volumes MOVEFILE_COPY_ALLOWED would write under the final name; the
  // flushed hidden copy published by rename never shows a part.
  if (!CopyToNewFile(source, target, true)) return false;
  if (!::DeleteFileW(WidePath(source).c_str())) {
    // The source stays, so the copy must go: a failed move leaves one file.
    FailWithSystemError();
    RemoveKeepingError(target);
    return false;
  }
  SetLastError(kErrorSuccess);
  return true;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& contents, unsigned) {
  return WriteNewContents(path, contents, true);
}

bool CreateFileNoReplace(const std::string& path, const std::string& contents, unsigned) {
  if (PathEntryExists(path)) return Fail(kErrorFileExists);
  return WriteNewContents(path, contents, false);
}

bool CreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                      FileHandle& file, std::string& path, unsigned) {
  if (suffix.size() > 255) return Fail(kErrorFilenameExcedRange);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[RandomUInt32() % (sizeof kLetters - 1)]);
    const std::string candidate = JoinPath(folder, name + suffix);
    HANDLE handle = ::CreateFileW(WidePath(candidate).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      if (!AdoptHandle(handle, 0, file)) {
        RemoveKeepingError(candidate);
        return false;
      }
      path = candidate;
      return true;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) return FailWithSystemError();
  }
  return Fail(kErrorFileExists);
}

bool CopyFileData(int from, int to) {
  SetLastError(kErrorSuccess);
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(OsHandle(from), buffer.get(), 1 << 16, &n, nullptr)) {
      // A pipe whose writer has finished ends the data.
      if (::GetLastError() == ERROR_BROKEN_PIPE) return true;
      return FailWithSystemError();
    }
    if (n == 0) return true;
    if (!WriteAll(to, buffer.get(), n)) return false;
  }
}

bool DeleteFile(const std::string& path) {
  if (!::DeleteFileW(WidePath(path).c_str())) return FailWithSystemError();
  return true;
}

bool GetFileSize(int fd, uint64_t& size) {
  LARGE_INTEGER value{};
  if (!::GetFileSizeEx(OsHandle(fd), &value)) return FailWithSystemError();
  size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool GetShortPathName(const std::string& path, std::string& shortPath) {
  const std::wstring wide = WidePath(path);
  const DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return FailWithSystemError();
  std::wstring buffer(needed, L'\0');
  const DWORD n = ::GetShortPathNameW(wide.c_str(), buffer.data(), needed);
  if (n == 0 || n >= needed) return FailWithSystemError();
  buffer.resize(n);
  shortPath = Narrow(buffer);
  return true;
}

}  // namespace platform
