// Pending files on Windows. A file cannot exist without a name here, so the
// data goes to a hidden temporary in the target folder. Its owner keeps it
// open for reading and writing and shares only deletion (which the rename
// needs), so an open that asks to share nothing fails while the owner lives:
// that is how a stale temporary is told from a live one. The name appears by
// MoveFileEx without MOVEFILE_REPLACE_EXISTING, which never replaces.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "support/platform/file_publish.h"
#include "support/platform/paths.h"
#include "support/platform/random.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

// A temporary that nobody has written to for this long, and that no process
// holds, was left by a process that died.
constexpr ULONGLONG kStaleAfter100ns = 60ull * 10000000ull;

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool SyncFile(int fd) {
  if (::FlushFileBuffers(OsHandle(fd))) return true;
  // A pipe or console has nothing to flush to a disk.
  if (::GetLastError() == ERROR_INVALID_FUNCTION) return true;
  return FailWithSystemError();
}

// NTFS journals its names, and the layer renames with MOVEFILE_WRITE_THROUGH:
// there is no folder to flush. A folder that is not there is still an error.
bool SyncFolder(const std::string& folder) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(folder.empty() ? "." : folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailWithSystemError();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fail(kErrorDirectory);
  return true;
}

void PendingFile::Discard() {
  // Closed first: our own handle shares deletion, but a file deleted while
  // open would keep its name until the last handle goes.
  file_.Close();
  if (!tempPath_.empty()) ::DeleteFileW(WidePath(tempPath_).c_str());
  tempPath_.clear();
}

bool PendingFile::Create(const std::string& folder, unsigned) {
  Discard();
  folder_ = folder.empty() ? std::string(".") : folder;
  RemoveStaleTemporaries(folder_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%08x", kPendingFilePrefix, static_cast<unsigned>(SystemRandomUInt32()));
    const std::string path = JoinPath(folder_, name);
    // No DELETE access of our own: MoveFileEx opens the file for deletion
    // without sharing it, and our handle must not stand in its way.
    HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return FailWithSystemError();
    }
    if (!AdoptHandle(handle, 0, file_)) {
      const uint32_t error = GetLastError();
      ::DeleteFileW(WidePath(path).c_str());
      return Fail(error);
    }
    tempPath_ = path;
    return true;
  }
  return Fail(kErrorFileExists);
}

bool PendingFile::Publish(const std::string& target, bool durable) {
  if (!file_.valid() || tempPath_.empty()) return Fail(kErrorInvalidHandle);
  const HANDLE handle = OsHandle(file_.get());
  if (durable && !::FlushFileBuffers(handle)) return FailWithSystemError();
  if (!::MoveFileExW(WidePath(tempPath_).c_str(), WidePath(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
    // 183 from a rename onto a taken name is the layer's 80; the temporary
    // stays ours, so another name may be tried.
    const DWORD error = ::GetLastError();
    return Fail(error == ERROR_ALREADY_EXISTS ? kErrorFileExists : error);
  }
  tempPath_.clear();
  // The published file is no longer hidden. Through our handle: the name may
  // already be in a collector's hands.
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  if (!file_.Close() && !durable) return false;
  SetLastError(kErrorSuccess);
  return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(WidePath(JoinPath(folder, std::string(kPendingFilePrefix) + "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME nowTime{};
  ::GetSystemTimeAsFileTime(&nowTime);
  const ULONGLONG now = FileTimeValue(nowTime);
  const std::size_t prefixLength = std::strlen(kPendingFilePrefix);
  do {
    const std::string name = Narrow(found.cFileName);
    // The pattern also matches short (8.3) names; only our own long names count.
    if (name.compare(0, prefixLength, kPendingFilePrefix) != 0) continue;
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    if (now - FileTimeValue(found.ftLastWriteTime) < kStaleAfter100ns) continue;
    // Sharing nothing: a live owner's handle makes this open fail. Deleted
    // on close, so nobody can slip in between the check and the removal.
    HANDLE handle = ::CreateFileW(WidePath(JoinPath(folder, name)).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace platform
