#include <windows.h>

#include "support/platform/process.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

bool StartProcess(const std::vector<std::string>& argv, bool wait, uint32_t* exitCode) {
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  std::string commandLine;
  for (const auto& argument : argv) {
    if (!commandLine.empty()) commandLine.push_back(' ');
    commandLine += QuoteArgument(argument);
  }
  return StartProcessFromCommandLine(commandLine, wait, exitCode);
}

bool StartProcessFromCommandLine(const std::string& commandLine, bool wait, uint32_t* exitCode) {
  if (SplitCommandLine(commandLine).empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return FailWithSystemError();
  }
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  if (wait) {
    ::WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    if (exitCode != nullptr) *exitCode = code;
  }
  return true;
}

}  // namespace platform
