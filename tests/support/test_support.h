#pragma once
// Fixtures of the support tests: the shared ones, a root per test and the
// helper program.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/file_text.h"
#include "tests/common/private_root.h"
#include "tests/common/tmpfs_mount.h"

namespace support_test {

using corvanta_test::ListFolder;
using corvanta_test::ReadFileText;
using corvanta_test::ScopedEnv;
using corvanta_test::TempFolder;
using corvanta_test::TmpfsMount;
using corvanta_test::WriteFileText;

// A test with its own installation root: CORVANTA_ROOT points at a fresh
// temporary folder for the test's duration.
class RootTest : public ::testing::Test {
 protected:
  const corvanta_test::PrivateRoot& root() const { return root_; }

 private:
  corvanta_test::PrivateRoot root_;
};

// The helper program built next to the tests.
std::string HelperPath();

// Runs the helper with `args` and waits; its exit status (128 + signal when killed).
uint32_t RunHelper(const std::vector<std::string>& args);

}  // namespace support_test
