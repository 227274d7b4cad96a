#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "support/platform/directory_listing.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {
class DirectoryStream {
 public:
  explicit DirectoryStream(const std::string& folder) : dir_(::opendir(folder.c_str())) {}
  ~DirectoryStream() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};
}  // namespace

bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries) {
  DirectoryStream stream(folder);
  if (stream.get() == nullptr) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  entries.clear();
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream.get());
    if (entry == nullptr) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    DirectoryEntry item;
    item.name = entry->d_name;
    if (entry->d_type == DT_DIR) {
      item.isDirectory = true;
    } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st {};
      const std::string path = folder + "/" + item.name;
      item.isDirectory = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back(std::move(item));
  }
  if (errno != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

}  // namespace platform
