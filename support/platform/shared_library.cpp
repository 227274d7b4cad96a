// Moving a library handle hands it over; the platform files load and unload.
#include <utility>

#include "support/platform/shared_library.h"

namespace platform {

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), loaderMessage_(std::move(other.loaderMessage_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = std::exchange(other.handle_, nullptr);
    loaderMessage_ = std::move(other.loaderMessage_);
  }
  return *this;
}

}  // namespace platform
