#include "tests/common/tmpfs_mount.h"

#include <filesystem>

#include "support/platform/process.h"

namespace corvanta_test {

namespace {

bool RunToSuccess(const std::vector<std::string>& argv) {
  uint32_t exitCode = 1;
  return platform::StartProcess(argv, true, &exitCode) && exitCode == 0;
}

}  // namespace

TmpfsMount::TmpfsMount(unsigned kilobytes) : ownFolder_(std::in_place), folder_(ownFolder_->path()) {
  Mount(kilobytes);
}

TmpfsMount::TmpfsMount(std::string folder, unsigned kilobytes) : folder_(std::move(folder)) {
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  Mount(kilobytes);
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) platform::StartProcess({"umount", "-l", folder_}, true, nullptr);
}

void TmpfsMount::Mount(unsigned kilobytes) {
  const std::string options = "size=" + std::to_string(kilobytes) + "k";
  mounted_ = RunToSuccess({"mount", "-t", "tmpfs", "-o", options, "tmpfs", folder_});
}

bool TmpfsMount::MakeReadOnly() { return mounted_ && RunToSuccess({"mount", "-o", "remount,ro", folder_}); }

}  // namespace corvanta_test
