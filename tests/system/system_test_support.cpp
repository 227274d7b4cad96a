#include "tests/system/system_test_support.h"

#include <chrono>
#include <thread>

#include "support/platform/child_process.h"
#include "support/platform/files.h"

ProgramResult RunProgram(const std::vector<std::string>& argv, const EnvironmentList& environment,
                         const std::string& scratchFolder, int timeoutMs) {
  ProgramResult result;
  platform::FileHandle reserved;
  std::string outPath;
  if (!platform::CreateUniqueFile(scratchFolder, "run-", ".out", reserved, outPath)) return result;
  reserved.Close();
  platform::ChildProcessOptions options;
  options.environment = environment;
  options.standardInput = "/dev/null";
  options.standardOutput = outPath;
  options.standardError = outPath + ".err";
  platform::ChildProcess child;
  if (!child.Start(argv, options)) return result;
  result.started = true;
  result.ended = child.Wait(timeoutMs, &result.exitCode);
  if (!result.ended) child.Terminate(2000);
  result.output = ReadFileText(outPath) + ReadFileText(outPath + ".err");
  platform::DeleteFile(outPath);
  platform::DeleteFile(outPath + ".err");
  return result;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> names;
  for (auto& name : ListFolder(folder)) {
    if (name.ends_with(suffix)) names.push_back(std::move(name));
  }
  return names;
}
