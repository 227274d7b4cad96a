#include "support/system_helpers.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "support/platform/paths.h"
#include "support/platform/process_identity.h"
#include "support/platform/system_info.h"
#include "support/version_record.h"

namespace {
std::mutex& TitleMutex() {
  static std::mutex mutex;
  return mutex;
}
AnsiString& Title() {
  static AnsiString title;
  return title;
}
}  // namespace

bool GetCommonAppDataDir(AnsiString& dir, AppDataSuccessRule rule) {
  std::string folder;
  const long result = platform::QueryCommonAppDataFolder(folder);
  const bool ok = rule == AppDataSuccessRule::NotNegative ? result >= 0 : result == 0;
  if (!ok) return false;
  if (folder.empty() || folder.back() != platform::kPathDelimiter) folder.push_back(platform::kPathDelimiter);
  dir = folder + "Corvanta";
  return true;
}

void GetFileVersionText(const char* fileName, AnsiString& text) {
  const std::string path = fileName != nullptr ? std::string(fileName) : platform::ExecutablePath();
  text = "Undefined";
  try {
    VersionRecord record;
    if (!ReadVersionRecord(path, record)) return;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", record.file[0], record.file[1], record.file[2],
                  record.file[3]);
    text = buffer;
  } catch (const std::exception& e) {
    text += ", error: ";
    text += e.what();
  }
}

void SetApplicationTitle(const AnsiString& title) {
  std::lock_guard<std::mutex> lock(TitleMutex());
  Title() = title;
}

AnsiString GetApplicationTitle() {
  std::lock_guard<std::mutex> lock(TitleMutex());
  return Title();
}

int32_t AppMessageBox(const AnsiString& text, int32_t flags) {
  return platform::ShowMessageBox(GetApplicationTitle(), text, flags);
}

bool HasAdminRights() { return platform::HasAdministratorRights(); }

bool Is64BitWindows() { return platform::IsNative64Bit(); }
