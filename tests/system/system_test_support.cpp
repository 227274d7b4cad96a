#include "tests/system/system_test_support.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
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

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> names;
  for (auto& name : ListFolder(folder)) {
    if (name.ends_with(suffix)) names.push_back(std::move(name));
  }
  return names;
}

std::string ReadFileText(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, text);
  return text;
}

std::string LastLines(const std::string& text, int lines) {
  std::size_t position = text.size();
  int seen = 0;
  while (position > 0) {
    const std::size_t newline = text.rfind('\n', position - 1);
    if (newline == std::string::npos) return text;
    if (++seen > lines) return text.substr(newline + 1);
    position = newline;
  }
  return text;
}
