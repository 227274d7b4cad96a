// A watched child on Windows: CreateProcess with an environment block of its
// own and inheritable handles for the chosen standard streams. A child in a
// group of its own is asked to stop with Ctrl+Break first.
#include <windows.h>

#include <algorithm>

#include "support/platform/child_process.h"
#include "support/platform/process.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

// The environment block: "NAME=value\0...\0\0", sorted by name as Windows wants.
std::wstring BuildEnvironmentBlock(const ChildProcessOptions& options) {
  std::vector<std::wstring> entries;
  auto replaced = [&](const std::wstring& name) {
    for (const auto& [key, value] : options.environment) {
      if (::CompareStringOrdinal(Widen(key).c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
  };
  if (!options.clearEnvironment) {
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0'; entry += wcslen(entry) + 1) {
      const std::wstring text(entry);
      const auto equals = text.find(L'=', 1);
      if (!replaced(text.substr(0, equals))) entries.push_back(text);
    }
    if (block != nullptr) ::FreeEnvironmentStringsW(block);
  }
  for (const auto& [key, value] : options.environment) entries.push_back(Widen(key + "=" + value));
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const auto& entry : entries) {
    result += entry;
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

HANDLE OpenStream(const std::string& path, bool output) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(WidePath(path).c_str(), output ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       output ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildProcessOptions& options) {
  if (process_ != nullptr) {
    SetLastError(kErrorBusy);
    return false;
  }
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  std::string commandLine;
  for (const auto& argument : argv) {
    if (!commandLine.empty()) commandLine.push_back(' ');
    commandLine += QuoteArgument(argument);
  }
  std::wstring line = Widen(commandLine);
  std::wstring environment = BuildEnvironmentBlock(options);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ScopedHandle input, output, error;
  const bool redirect =
      !options.standardInput.empty() || !options.standardOutput.empty() || !options.standardError.empty();
  if (redirect) {
    auto pick = [](ScopedHandle& owner, const std::string& path, bool isOutput, DWORD fallback) {
      if (path.empty()) return ::GetStdHandle(fallback);
      owner.reset(OpenStream(path, isOutput));
      return owner.get();
    };
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pick(input, options.standardInput, false, STD_INPUT_HANDLE);
    startup.hStdOutput = pick(output, options.standardOutput, true, STD_OUTPUT_HANDLE);
    startup.hStdError = pick(error, options.standardError, true, STD_ERROR_HANDLE);
    if (startup.hStdInput == INVALID_HANDLE_VALUE || startup.hStdOutput == INVALID_HANDLE_VALUE ||
        startup.hStdError == INVALID_HANDLE_VALUE) {
      return FailWithSystemError();
    }
  }
  const std::wstring folder = WidePath(options.workingFolder);
  PROCESS_INFORMATION info{};
  const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (options.newProcessGroup ? CREATE_NEW_PROCESS_GROUP : 0);
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, redirect ? TRUE : FALSE, flags, environment.data(),
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return FailWithSystemError();
  }
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = static_cast<int>(info.dwProcessId);
  group_ = options.newProcessGroup;
  exitCode_ = 0;
  return true;
}

bool ChildProcess::Wait(int timeoutMs, uint32_t* exitCode) {
  if (process_ == nullptr) {
    if (exitCode != nullptr) *exitCode = exitCode_;
    return true;
  }
  const DWORD limit = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (::WaitForSingleObject(static_cast<HANDLE>(process_), limit) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
  ::CloseHandle(static_cast<HANDLE>(process_));
  process_ = nullptr;
  pid_ = -1;
  exitCode_ = code;
  if (exitCode != nullptr) *exitCode = code;
  return true;
}

bool ChildProcess::Running() { return process_ != nullptr && !Wait(0); }

void ChildProcess::Terminate(int graceMs) {
  if (process_ == nullptr) return;
  // A console child in its own group can be asked first; anything else is
  // stopped outright after the grace period.
  if (group_ && ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid_)) && Wait(graceMs)) return;
  ::TerminateProcess(static_cast<HANDLE>(process_), 1);
  Wait(-1);
}

}  // namespace platform
