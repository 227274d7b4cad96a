#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "support/platform/standard_error.h"
#include "support/platform/system_info.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {
std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

bool GetOsVersion(OsVersionInfo& info) {
  struct utsname names {};
  if (::uname(&names) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  unsigned major = 0, minor = 0;
  std::sscanf(names.release, "%u.%u", &major, &minor);
  info.platformId = 2;
  info.majorVersion = 10;
  info.minorVersion = 0;
  info.buildNumber = major * 1000 + minor;
  return true;
}

bool HasAdministratorRights() { return ::geteuid() == 0; }
bool IsProcessElevated() { return ::geteuid() == 0; }

bool IsNative64Bit() {
  struct utsname names {};
  if (::uname(&names) != 0) return false;
  return std::strstr(names.machine, "64") != nullptr || std::strcmp(names.machine, "s390x") == 0;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  Handler() = std::move(handler);
}

int32_t ShowMessageBox(const std::string& caption, const std::string& text, int32_t flags) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    handler = Handler();
  }
  if (handler) return handler(caption, text, flags);
  WriteStandardError(caption + ": " + text + "\n");
  return 1;  // IDOK
}

}  // namespace platform
