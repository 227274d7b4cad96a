#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "support/platform/file_publish.h"
#include "support/platform/sync_trace_posix.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

// A temporary that nobody has written to for this long, and that no process
// holds, was left by a process that died.
constexpr time_t kStaleAfterSeconds = 60;

bool Fail(int error) {
  SetLastErrorFromErrno(error);
  return false;
}

// Tests force the named temporaries that file systems without O_TMPFILE need.
bool NamedTemporariesForced() {
  const char* text = std::getenv("CORVANTA_TEST_NAMED_TEMPORARIES");
  return text != nullptr && *text != '\0' && *text != '0';
}

bool LockWhole(int fd, int command) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  for (;;) {
    if (::fcntl(fd, command, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool SyncPath(int fd, const std::string& traceName) {
  TraceSyncCall("file", traceName);
  if (::fsync(fd) != 0 && errno != EINVAL) return Fail(errno);
  return true;
}

std::string DescriptorPath(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string("fd:") + std::to_string(fd);
}

// Names the unnamed file `fd` as `target`; fails with EEXIST for any entry.
bool LinkUnnamed(int fd, const std::string& target) {
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, self, AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0) return false;
  // No /proc here: only a privileged process may link a descriptor directly.
  return ::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0;
}

}  // namespace

bool SyncFile(int fd) { return SyncPath(fd, DescriptorPath(fd)); }

bool SyncFolder(const std::string& folder) {
  TraceSyncCall("folder", folder);
  FileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!handle.valid()) return Fail(errno);
  if (::fsync(handle.get()) != 0 && errno != EINVAL) return Fail(errno);
  return true;
}

void PendingFile::Discard() {
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
  file_.Close();
}

bool PendingFile::Create(const std::string& folder, unsigned mode) {
  Discard();
  folder_ = folder.empty() ? std::string(".") : folder;
  if (!NamedTemporariesForced()) {
    FileHandle unnamed(::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode & 07777));
    if (unnamed.valid()) {
      if (::fchmod(unnamed.get(), mode & 07777) != 0) return Fail(errno);
      file_ = std::move(unnamed);
      return true;
    }
    // Only "this file system cannot" falls back; a missing folder, no rights
    // or a full disk are the answer.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Fail(errno);
  }
  // Named temporaries: clear out what dead writers left, then make ours and
  // hold it, so that no other process takes it for stale.
  RemoveStaleTemporaries(folder_);
  std::string pattern = folder_ + "/" + kPendingFilePrefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  FileHandle named(::mkostemp(buffer.data(), O_CLOEXEC));
  if (!named.valid()) return Fail(errno);
  const std::string tempPath(buffer.data());
  if (!LockWhole(named.get(), F_OFD_SETLK) || ::fchmod(named.get(), mode & 07777) != 0) {
    const int error = errno;
    ::unlink(tempPath.c_str());
    return Fail(error);
  }
  file_ = std::move(named);
  tempPath_ = tempPath;
  return true;
}

bool PendingFile::Publish(const std::string& target, bool durable) {
  if (!file_.valid()) return Fail(EBADF);
  if (durable && !SyncPath(file_.get(), target)) return false;
  const bool linked = tempPath_.empty() ? LinkUnnamed(file_.get(), target)
                                        : ::link(tempPath_.c_str(), target.c_str()) == 0;
  if (!linked) return Fail(errno);
  if (durable && !SyncFolder(folder_)) {
    // The name may not survive a crash: take it back, so that failure means
    // that nothing was published.
    const uint32_t error = GetLastError();
    ::unlink(target.c_str());
    SetLastError(error);
    return false;
  }
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
  if (!file_.Close()) {
    // The data is in place (and flushed when asked); a late close error of
    // an already flushed file changes nothing on disk.
    if (!durable) return false;
  }
  SetLastError(kErrorSuccess);
  return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::size_t prefixLength = std::strlen(kPendingFilePrefix);
  std::vector<std::string> candidates;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, kPendingFilePrefix, prefixLength) == 0) candidates.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  const time_t now = std::time(nullptr);
  for (const std::string& name : candidates) {
    const std::string path = folder + "/" + name;
    FileHandle file(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) continue;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (now - st.st_mtime < kStaleAfterSeconds) continue;
    // A live writer holds its temporary locked; a lock we get means none does.
    if (!LockWhole(file.get(), F_OFD_SETLK)) continue;
    ::unlink(path.c_str());
  }
}

}  // namespace platform
