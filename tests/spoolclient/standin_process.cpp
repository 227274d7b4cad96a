#include "tests/spoolclient/standin_process.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "tests/spoolclient/test_root.h"

namespace spooltest {

StandinProcess::StandinProcess(const std::string& outFolder, const std::vector<std::string>& extraArguments)
    : outFolder_(outFolder), scratch_(outFolder + ".standin") {
  std::filesystem::create_directories(scratch_);
  const std::string portFile = scratch_ + "/port";
  std::vector<std::string> argv = {SPOOLER_STANDIN_PATH, "--out", outFolder, "--port", "0", "--port-file", portFile};
  argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
  platform::ChildProcessOptions options;
  options.standardOutput = scratch_ + "/stdout";
  options.standardError = scratch_ + "/stderr";
  if (!child_.Start(argv, options)) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline && child_.Running()) {
    const std::string text = ReadFileText(portFile);
    if (!text.empty() && text.back() == '\n') {
      port_ = std::stoi(text);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

StandinProcess::~StandinProcess() {
  child_.Terminate();
  std::error_code error;
  std::filesystem::remove_all(scratch_, error);
}

bool StandinProcess::Stop(uint32_t& exitCode) {
  // SIGTERM first; only a stand-in that ignores it for 10 s is killed (and
  // then shows 128 + 9).
  child_.Terminate(10000);
  exitCode = child_.exitCode();
  return true;
}

std::string StandinProcess::Output() const { return ReadFileText(scratch_ + "/stdout"); }

std::string StandinProcess::WaitForHeaderFile(int number) const {
  char name[32];
  std::snprintf(name, sizeof name, "/%06d.header", number);
  const std::string path = outFolder_ + name;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (PathExists(path)) return ReadFileText(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::string();
}

std::string HeaderValue(const std::string& headerText, const std::string& key) {
  const std::string prefix = key + "=";
  std::size_t start = 0;
  while (start < headerText.size()) {
    auto end = headerText.find('\n', start);
    if (end == std::string::npos) end = headerText.size();
    if (headerText.compare(start, prefix.size(), prefix) == 0) {
      return headerText.substr(start + prefix.size(), end - start - prefix.size());
    }
    start = end + 1;
  }
  return std::string();
}

}  // namespace spooltest
