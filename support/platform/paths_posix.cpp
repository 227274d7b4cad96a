#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "support/platform/paths.h"

namespace platform {

std::string CorvantaRoot() {
  const char* root = std::getenv("CORVANTA_ROOT");
  std::string value = (root != nullptr) ? root : "";
  while (!value.empty() && value.back() == '/') value.pop_back();
  return value;
}

std::string ConfigFolder() { return CorvantaRoot() + "/etc/corvanta"; }
std::string RoutingTablePath() { return ConfigFolder() + "/kvp64exe.dat"; }
std::string QuilletSettingsPath() { return ConfigFolder() + "/Quillet.xml"; }
std::string RegistryFilePath() { return ConfigFolder() + "/hklm.reg"; }
std::string CommonAppDataFolder() { return CorvantaRoot() + "/var/lib"; }

long QueryCommonAppDataFolder(std::string& path) {
  path = CommonAppDataFolder();
  struct stat st {};
  return (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 0 : 1;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == kPathDelimiter) return folder + name;
  return folder + kPathDelimiter + name;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == kPathDelimiter) return path;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return path;
    buffer.resize(buffer.size() * 2);
  }
  return JoinPath(buffer.data(), path);
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace platform
