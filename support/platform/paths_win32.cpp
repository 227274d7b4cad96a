// The fixed locations on Windows are the system's own (c:\Corvanta, the
// common application data folder, c:\ for the library's fallback log folder).
// A test sets CORVANTA_ROOT and gets the same layout below it as elsewhere.
// Paths leave the layer with '/' delimiters, which every Windows call accepts.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

#include "support/platform/paths.h"
#include "support/platform/process_identity.h"
#include "support/platform/win32_text.h"

namespace platform {

namespace {

std::string RelocatedRoot() {
  const char* root = std::getenv("CORVANTA_ROOT");
  std::string value = (root != nullptr) ? root : "";
  while (!value.empty() && (value.back() == '/' || value.back() == '\\')) value.pop_back();
  return value;
}

}  // namespace

std::string CorvantaRoot() {
  const std::string root = RelocatedRoot();
  return root.empty() ? "c:" : root;
}

std::string ConfigFolder() {
  const std::string root = RelocatedRoot();
  return root.empty() ? "c:/Corvanta" : root + "/etc/corvanta";
}

std::string RoutingTablePath() { return ConfigFolder() + "/kvp64exe.dat"; }
std::string QuilletSettingsPath() { return ConfigFolder() + "/Quillet.xml"; }
// The machine's registry itself holds the settings; the name stays for tools
// that print where settings live.
std::string RegistryFilePath() { return ConfigFolder() + "/hklm.reg"; }

std::string CommonAppDataFolder() {
  std::string path;
  QueryCommonAppDataFolder(path);
  return path;
}

long QueryCommonAppDataFolder(std::string& path) {
  const std::string root = RelocatedRoot();
  if (!root.empty()) {
    path = root + "/var/lib";
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) ? 0 : 1;
  }
  wchar_t buffer[MAX_PATH] = {};
  const HRESULT result = ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (result == S_OK || result == S_FALSE) path = LayerPath(buffer);
  return static_cast<long>(result);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == kPathDelimiter || folder.back() == '\\') return folder + name;
  return folder + kPathDelimiter + name;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/' || path.front() == '\\') return path;
  const bool drive = path.size() >= 2 && path[1] == ':';
  if (drive && path.size() >= 3 && (path[2] == '/' || path[2] == '\\')) return path;
  if (drive) {
    // "c:name" is relative to that drive's own current folder, which only
    // the system knows.
    const std::wstring wide = WidePath(path);
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring buffer(needed, L'\0');
    const DWORD n = ::GetFullPathNameW(wide.c_str(), needed, buffer.data(), nullptr);
    if (n == 0 || n >= needed) return path;
    buffer.resize(n);
    return LayerPath(buffer);
  }
  // Joined by hand, not by GetFullPathName: ".." and links stay as they are.
  const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return path;
  std::wstring buffer(needed, L'\0');
  const DWORD n = ::GetCurrentDirectoryW(needed, buffer.data());
  if (n == 0 || n >= needed) return path;
  buffer.resize(n);
  return JoinPath(LayerPath(buffer), path);
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash);
}

}  // namespace platform
