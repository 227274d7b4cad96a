#include "test_support.h"

#include "support/platform/process.h"

namespace support_test {

std::string HelperPath() { return SUPPORT_TEST_HELPER; }

uint32_t RunHelper(const std::vector<std::string>& args) {
  std::vector<std::string> argv{HelperPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  uint32_t exitCode = 0;
  if (!platform::StartProcess(argv, true, &exitCode)) return 255;
  return exitCode;
}

}  // namespace support_test
