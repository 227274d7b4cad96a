#include "tests/windows/windows_test_support.h"

#include "support/platform/paths.h"

namespace windows_test {

std::string ProgramFolder() { return platform::ExecutableFolder(); }

}  // namespace windows_test
