#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

bool Fail(int error) {
  SetLastErrorFromErrno(error);
  return false;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden, unique temporary file beside `target`; collectors skip dot files.
bool CreateTemporaryBeside(const std::string& target, FileHandle& file, std::string& tempPath) {
  std::string pattern = FolderOf(target) + "/." + NameOf(target) + ".XXXXXX";
  if (pattern.size() > 4000) return Fail(ENAMETOOLONG);
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  file = FileHandle(fd);
  tempPath.assign(buffer.data());
  return true;
}

bool SyncFolderOf(const std::string& path) {
  FileHandle folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return Fail(errno);
  if (::fsync(folder.get()) != 0 && errno != EINVAL) return Fail(errno);
  return true;
}

// Gives the complete temporary file its final name, refusing to replace.
bool PublishNoReplace(const std::string& tempPath, const std::string& target) {
  if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
  // File systems without RENAME_NOREPLACE: link() also refuses an existing name.
  if (::link(tempPath.c_str(), target.c_str()) != 0) return Fail(errno);
  ::unlink(tempPath.c_str());
  return true;
}

bool CopyData(int from, int to) {
  bool useKernelCopy = true;
  for (;;) {
    if (useKernelCopy) {
      const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF) {
        return Fail(errno);
      }
      useKernelCopy = false;  // falls back to the plain loop from the current offsets
    }
    std::unique_ptr<char[]> buffer(new char[1 << 16]);
    for (;;) {
      const ssize_t n = ::read(from, buffer.get(), 1 << 16);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(errno);
      if (n == 0) return true;
      if (!WriteAll(to, buffer.get(), static_cast<std::size_t>(n))) return false;
    }
  }
}

bool CopyToNewFile(const std::string& source, const std::string& target, bool flush) {
  FileHandle in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return Fail(errno);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  // Cheap early refusal; the final publish step is what really guarantees it.
  if (::access(target.c_str(), F_OK) == 0) return Fail(EEXIST);

  FileHandle out;
  std::string tempPath;
  if (!CreateTemporaryBeside(target, out, tempPath)) return false;
  ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  bool ok = CopyData(in.get(), out.get());
  if (ok) ::fchmod(out.get(), st.st_mode & 0777);
  if (ok && flush && ::fsync(out.get()) != 0) ok = Fail(errno);
  const uint32_t copyError = GetLastError();
  if (!out.Close()) ok = false;
  if (ok) ok = PublishNoReplace(tempPath, target);
  if (!ok) {
    const uint32_t error = GetLastError() != kErrorSuccess ? GetLastError() : copyError;
    ::unlink(tempPath.c_str());
    SetLastError(error);
    return false;
  }
  if (flush && !SyncFolderOf(target)) {
    // The new name may not survive a crash: take it back, so that failure
    // means nothing was published.
    const uint32_t error = GetLastError();
    ::unlink(target.c_str());
    SetLastError(error);
    return false;
  }
  return true;
}

}  // namespace

bool FileHandle::Close() {
  if (fd_ < 0) return true;
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 && errno != EINTR) return Fail(errno);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) throw InOutError("Unable to create directory");
  if (path.find('\0') != std::string::npos) throw InOutError("Invalid path");
  std::string current = path;
  while (current.size() > 1 && current.back() == '/') current.pop_back();
  if (DirectoryExists(current)) return true;
  const std::string parent = FolderOf(current);
  if (parent != current && !DirectoryExists(parent)) {
    if (!ForceDirectories(parent)) return false;
  }
  if (::mkdir(current.c_str(), 0775) != 0 && errno != EEXIST) return Fail(errno);
  if (!DirectoryExists(current)) return Fail(ENOTDIR);
  return true;
}

bool OpenForAppend(const std::string& path, FileHandle& file, unsigned mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, mode);
  if (fd < 0) return Fail(errno);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  file = FileHandle(fd);
  return true;
}

bool OpenForRead(const std::string& path, FileHandle& file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Fail(EISDIR);
  }
  file = FileHandle(fd);
  return true;
}

bool OpenForReadWrite(const std::string& path, FileHandle& file, unsigned mode) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode);
  if (fd < 0) return Fail(errno);
  file = FileHandle(fd);
  return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(ENOSPC);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  FileHandle file;
  if (!OpenForRead(path, file)) return false;
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
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
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    // The move has happened and cannot be undone; flushing the folder only
    // hardens it, so its failure must not be reported as a failed move.
    SyncFolderOf(target);
    SetLastError(kErrorSuccess);
    return true;
  }
  if (errno == EINVAL || errno == ENOSYS) {
    // No RENAME_NOREPLACE here: link then unlink never replaces either.
    if (::link(source.c_str(), target.c_str()) == 0) {
      if (::unlink(source.c_str()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return Fail(error);
      }
      SyncFolderOf(target);
      SetLastError(kErrorSuccess);
      return true;
    }
    if (errno != EXDEV && errno != EPERM) return Fail(errno);
  } else if (errno != EXDEV) {
    return Fail(errno);
  }
  if (!CopyToNewFile(source, target, true)) return false;
  if (::unlink(source.c_str()) != 0) {
    // The source stays, so the copy must go: a failed move leaves one file.
    const int error = errno;
    ::unlink(target.c_str());
    return Fail(error);
  }
  SyncFolderOf(source);
  SetLastError(kErrorSuccess);
  return true;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& contents, unsigned mode) {
  FileHandle out;
  std::string tempPath;
  if (!CreateTemporaryBeside(path, out, tempPath)) return false;
  bool ok = WriteAll(out.get(), contents.data(), contents.size());
  if (ok && ::fchmod(out.get(), mode) != 0) ok = Fail(errno);
  if (ok && ::fsync(out.get()) != 0) ok = Fail(errno);
  if (!out.Close()) ok = false;
  if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) ok = Fail(errno);
  if (!ok) {
    const uint32_t error = GetLastError();
    ::unlink(tempPath.c_str());
    SetLastError(error);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

bool CreateFileNoReplace(const std::string& path, const std::string& contents, unsigned mode) {
  if (::access(path.c_str(), F_OK) == 0) return Fail(EEXIST);
  FileHandle out;
  std::string tempPath;
  if (!CreateTemporaryBeside(path, out, tempPath)) return false;
  bool ok = WriteAll(out.get(), contents.data(), contents.size());
  if (ok && ::fchmod(out.get(), mode) != 0) ok = Fail(errno);
  if (!out.Close()) ok = false;
  if (ok) ok = PublishNoReplace(tempPath, path);
  if (!ok) {
    const uint32_t error = GetLastError();
    ::unlink(tempPath.c_str());
    SetLastError(error);
  }
  return ok;
}

bool CreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                      FileHandle& file, std::string& path, unsigned mode) {
  if (suffix.size() > 255) return Fail(ENAMETOOLONG);
  std::string pattern = JoinPath(folder, prefix + "XXXXXX" + suffix);
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemps(buffer.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  FileHandle created(fd);
  if (::fchmod(fd, mode) != 0) {
    const int error = errno;
    ::unlink(buffer.data());
    return Fail(error);
  }
  file = std::move(created);
  path.assign(buffer.data());
  return true;
}

bool CopyFileData(int from, int to) {
  SetLastError(kErrorSuccess);
  return CopyData(from, to);
}

bool DeleteFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return Fail(errno);
  return true;
}

bool SyncFileAndFolder(const std::string& path) {
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!file.valid()) return Fail(errno == ELOOP ? EACCES : errno);
  if (::fsync(file.get()) != 0 && errno != EINVAL) return Fail(errno);
  return SyncFolderOf(path);
}

bool GetFileSize(int fd, uint64_t& size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Fail(errno);
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool GetShortPathName(const std::string& path, std::string& shortPath) {
  if (::access(path.c_str(), F_OK) != 0) return Fail(errno);
  shortPath = path;
  return true;
}

}  // namespace platform
