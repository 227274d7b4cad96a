#include "tests/common/unprivileged.h"

namespace corvanta_test {

std::vector<std::string> AsUnprivilegedUser(const std::vector<std::string>& argv) {
  std::vector<std::string> result{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  result.insert(result.end(), argv.begin(), argv.end());
  return result;
}

}  // namespace corvanta_test
