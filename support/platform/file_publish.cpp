// What a pending file does alike on every platform: it is discarded when its
// owner goes, and moving it hands the file over.
#include <utility>

#include "support/platform/file_publish.h"

namespace platform {

PendingFile::~PendingFile() { Discard(); }

PendingFile::PendingFile(PendingFile&& other) noexcept
    : file_(std::move(other.file_)), folder_(std::move(other.folder_)), tempPath_(std::move(other.tempPath_)) {
  other.tempPath_.clear();
}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    file_ = std::move(other.file_);
    folder_ = std::move(other.folder_);
    tempPath_ = std::move(other.tempPath_);
    other.tempPath_.clear();
  }
  return *this;
}

}  // namespace platform
