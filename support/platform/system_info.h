#pragma once
// Questions about the machine and the process that Windows answers through
// its version, token and system-info services.
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct OsVersionInfo {
  uint32_t platformId = 0;  // 2: the NT family
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
};

// Platform id 2 and a major version of 10 (so every check for "NT 5 or
// later" and "Vista or later" passes); the build number is the kernel's
// major * 1000 + minor version.
bool GetOsVersion(OsVersionInfo& info);

// Administrator rights and elevation: an effective user id of 0.
bool HasAdministratorRights();
bool IsProcessElevated();

// True for a 64-bit native processor (x86-64, AArch64, ...).
bool IsNative64Bit();

// The message-box seam. The default handler writes "caption: text" to the
// standard error stream and answers IDOK (1); a GUI or a test installs its own.
using MessageBoxHandler = std::function<int32_t(const std::string& caption, const std::string& text, int32_t flags)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
int32_t ShowMessageBox(const std::string& caption, const std::string& text, int32_t flags);

}  // namespace platform
