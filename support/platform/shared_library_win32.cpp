#include <windows.h>

#include <utility>

#include "support/platform/paths.h"
#include "support/platform/shared_library.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"
#include "support/platform/win_error_text.h"

namespace platform {

bool SharedLibrary::Load(const std::string& path) {
  Unload();
  // A full path loads its dependencies from its own folder first.
  const bool hasFolder = path.find_first_of("/\\") != std::string::npos;
  handle_ = ::LoadLibraryExW(WidePath(path).c_str(), nullptr, hasFolder ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
  if (handle_ == nullptr) {
    const DWORD error = ::GetLastError();
    loaderMessage_ = path + ": " + SysErrorMessage(error);
    SetLastError(error);
    return false;
  }
  loaderMessage_.clear();
  return true;
}

bool SharedLibrary::LoadBesideProgram(const std::string& fileName) {
  if (Load(JoinPath(ExecutableFolder(), fileName))) return true;
  return Load(fileName);
}

void* SharedLibrary::Symbol(const std::string& name) const {
  if (handle_ == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  void* symbol = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
  if (symbol == nullptr) {
    loaderMessage_ = name + ": " + SysErrorMessage(kErrorProcNotFound);
    SetLastError(kErrorProcNotFound);
  }
  return symbol;
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) {
    ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace platform
