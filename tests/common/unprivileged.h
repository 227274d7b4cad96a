#pragma once
// Running a program as the unprivileged user, for the permission cases:
// the tests run as root, where permissions stop nothing.
#include <string>
#include <vector>

namespace corvanta_test {

// `argv` run through setpriv as nobody:nogroup without supplementary groups.
std::vector<std::string> AsUnprivilegedUser(const std::vector<std::string>& argv);

}  // namespace corvanta_test
