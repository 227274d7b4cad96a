#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/platform/standard_error.h"
#include "support/platform/system_info.h"
#include "support/platform/win32_text.h"
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

// The version the system reports to this program (its manifest decides how
// far GetVersionEx is honest), exactly as the checks built on it expect.
bool GetOsVersion(OsVersionInfo& info) {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&version)) return FailWithSystemError();
#pragma GCC diagnostic pop
  info.platformId = version.dwPlatformId;
  info.majorVersion = version.dwMajorVersion;
  info.minorVersion = version.dwMinorVersion;
  info.buildNumber = version.dwBuildNumber;
  return true;
}

bool HasAdministratorRights() {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  ::FreeSid(administrators);
  return member != FALSE;
}

bool IsProcessElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  ScopedHandle owner(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) return false;
  return elevation.TokenIsElevated != 0;
}

bool IsNative64Bit() {
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64 ||
         info.wProcessorArchitecture == 12;  // PROCESSOR_ARCHITECTURE_ARM64
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  Handler() = std::move(handler);
}

// Without a handler the system's box appears. A test run without a desktop
// sets CORVANTA_MESSAGE_BOX_TO_STDERR, and the text goes to the standard
// error stream as on the other platforms, answering IDOK.
int32_t ShowMessageBox(const std::string& caption, const std::string& text, int32_t flags) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    handler = Handler();
  }
  if (handler) return handler(caption, text, flags);
  const char* toStderr = std::getenv("CORVANTA_MESSAGE_BOX_TO_STDERR");
  if (toStderr != nullptr && *toStderr != '\0') {
    WriteStandardError(caption + ": " + text + "\n");
    return 1;  // IDOK
  }
  return ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(caption).c_str(), static_cast<UINT>(flags));
}

}  // namespace platform
