#pragma once
// A small tmpfs for full and read-only file-system cases, unmounted when the
// owner goes away. mounted() is false where this machine does not let us
// mount (not root, no privilege in a container); such a test skips itself.
#include <optional>
#include <string>

#include "tests/common/temp_folder.h"

namespace corvanta_test {

class TmpfsMount {
 public:
  // On a fresh temporary folder of its own.
  explicit TmpfsMount(unsigned kilobytes);
  // On `folder`, created when missing.
  explicit TmpfsMount(std::string folder, unsigned kilobytes = 64);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& path() const { return folder_; }
  // Remounts read-only; false when that fails.
  bool MakeReadOnly();

 private:
  void Mount(unsigned kilobytes);

  std::optional<TempFolder> ownFolder_;
  std::string folder_;
  bool mounted_ = false;
};

}  // namespace corvanta_test
