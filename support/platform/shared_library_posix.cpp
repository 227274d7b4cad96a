#include <dlfcn.h>

#include <utility>

#include "support/platform/paths.h"
#include "support/platform/shared_library.h"
#include "support/platform/win_error.h"

namespace platform {

bool SharedLibrary::Load(const std::string& path) {
  Unload();
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* message = ::dlerror();
    loaderMessage_ = message != nullptr ? message : "";
    SetLastError(kErrorModNotFound);
    return false;
  }
  loaderMessage_.clear();
  return true;
}

bool SharedLibrary::LoadBesideProgram(const std::string& fileName) {
  const std::string besideProgram = JoinPath(ExecutableFolder(), fileName);
  if (Load(besideProgram)) return true;
  // A plain name (no '/') makes the loader search its usual path.
  return Load(fileName);
}

void* SharedLibrary::Symbol(const std::string& name) const {
  if (handle_ == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  ::dlerror();
  void* symbol = ::dlsym(handle_, name.c_str());
  if (symbol == nullptr) {
    const char* message = ::dlerror();
    loaderMessage_ = message != nullptr ? message : "";
    SetLastError(kErrorProcNotFound);
  }
  return symbol;
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) {
    ::dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace platform
