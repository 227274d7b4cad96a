#include <windows.h>

#include "support/platform/directory_listing.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries) {
  WIN32_FIND_DATAW data{};
  FindHandle search(::FindFirstFileW((WidePath(folder) + L"\\*").c_str(), &data));
  if (search.get() == INVALID_HANDLE_VALUE) return FailWithSystemError();
  entries.clear();
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    DirectoryEntry item;
    item.name = Narrow(name);
    item.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries.push_back(std::move(item));
  } while (::FindNextFileW(search.get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return FailWithSystemError();
  return true;
}

}  // namespace platform
