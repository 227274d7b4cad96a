#include <windows.h>

#include <algorithm>

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

namespace {

// An inheritable copy of one of our standard handles for the child (none
// when we have none).
HANDLE InheritableCopy(DWORD which) {
  const HANDLE own = ::GetStdHandle(which);
  if (own == nullptr || own == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

// Reads what is waiting in the pipe without blocking: kept up to `limit`,
// and passed on to our own standard error. False once the pipe has ended.
bool ReadAvailable(HANDLE pipe, std::string& kept, std::size_t limit) {
  char buffer[4096];
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    DWORD n = 0;
    if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr)) return false;
    if (n == 0) return true;
    if (kept.size() < limit) kept.append(buffer, std::min<std::size_t>(n, limit - kept.size()));
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE) ::WriteFile(error, buffer, n, &written, nullptr);
  }
}

}  // namespace

bool RunProcessKeepingErrors(const std::vector<std::string>& argv, std::string& errorText, uint32_t* exitCode,
                             std::size_t maxErrorBytes) {
  errorText.clear();
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  std::string commandLine;
  for (const auto& argument : argv) {
    if (!commandLine.empty()) commandLine.push_back(' ');
    commandLine += QuoteArgument(argument);
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readHandle = nullptr;
  HANDLE writeHandle = nullptr;
  if (!::CreatePipe(&readHandle, &writeHandle, &inherit, 0)) return FailWithSystemError();
  ScopedHandle readEnd(readHandle);
  ScopedHandle writeEnd(writeHandle);
  // Only the child's end is inherited.
  ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  ScopedHandle input(InheritableCopy(STD_INPUT_HANDLE));
  ScopedHandle output(InheritableCopy(STD_OUTPUT_HANDLE));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = writeEnd.get();
  std::wstring line = Widen(commandLine);
  PROCESS_INFORMATION info{};
  const bool started =
      ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  if (!started) return FailWithSystemError();
  // Our copy of the write end goes, so the pipe ends with the child's.
  writeEnd.reset();
  input.reset();
  output.reset();
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  // Read while the child runs; a grandchild that keeps the pipe open must
  // not hold us once the child itself has ended.
  bool open = true;
  for (;;) {
    if (open) open = ReadAvailable(readEnd.get(), errorText, maxErrorBytes);
    if (::WaitForSingleObject(info.hProcess, open ? 50 : INFINITE) == WAIT_OBJECT_0) break;
  }
  if (open) ReadAvailable(readEnd.get(), errorText, maxErrorBytes);
  DWORD code = 0;
  ::GetExitCodeProcess(info.hProcess, &code);
  if (exitCode != nullptr) *exitCode = code;
  return true;
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
