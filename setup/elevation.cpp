#include "setup/elevation.h"

#include "support/platform/system_info.h"

namespace setup {

uint32_t QueryElevation(bool& elevated) {
  // The effective user id is always known; there is no failure to report.
  elevated = platform::IsProcessElevated();
  return 0;
}

}  // namespace setup
