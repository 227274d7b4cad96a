#include "tests/common/private_cupsd.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/platform/files.h"
#include "tests/common/file_text.h"

namespace corvanta_test {

namespace fs = std::filesystem;

namespace {

// The folder CUPS keeps its programs in, as this machine's cups-config says.
constexpr const char* kCupsServerBin = CORVANTA_CUPS_SERVERBIN;
constexpr int kStartLimitSeconds = 30;

}  // namespace

PrivateCupsd::PrivateCupsd(std::string folder, PrivateCupsdOptions options)
    : folder_(std::move(folder)),
      options_(std::move(options)),
      serverBin_(folder_ + "/serverbin"),
      socketPath_(folder_ + "/cups.sock") {}

bool PrivateCupsd::WriteConfiguration(std::string& error) {
  std::error_code failure;
  for (const char* sub : {"conf", "spool", "spool/tmp", "cache", "state", "log", "tools"}) {
    fs::create_directories(folder_ + "/" + sub, failure);
    if (failure) {
      error = "cannot create " + folder_ + "/" + sub + ": " + failure.message();
      return false;
    }
  }
  // cupsd runs only backends that belong to root and that nobody else may
  // change: copy with owners and modes kept.
  platform::ChildProcess copy;
  platform::ChildProcessOptions copyOptions;
  copyOptions.standardInput = "/dev/null";
  copyOptions.standardError = folder_ + "/log/copy.err";
  uint32_t copyStatus = 1;
  if (!copy.Start({"cp", "-a", kCupsServerBin, serverBin_}, copyOptions) || !copy.Wait(60000, &copyStatus) ||
      copyStatus != 0) {
    error = "cannot copy " + std::string(kCupsServerBin) + ": " + ReadFileText(folder_ + "/log/copy.err");
    return false;
  }
  if (!options_.keepOnlyBackends.empty()) {
    for (const std::string& name : ListFolder(backendFolder())) {
      bool keep = false;
      for (const std::string& kept : options_.keepOnlyBackends) keep = keep || kept == name;
      if (!keep) fs::remove_all(backendFolder() + "/" + name, failure);
    }
  }

  const std::string cupsd =
      "Listen " + socketPath_ +
      "\n"
      "LogLevel debug\n"
      "MaxLogSize 0\n"
      "Browsing No\n"
      "BrowseLocalProtocols none\n"
      "DefaultAuthType None\n"
      "WebInterface No\n"
      "JobRetryLimit 0\n"
      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
  std::string files = "ServerRoot " + folder_ + "/conf\nRequestRoot " + folder_ + "/spool\nTempDir " + folder_ +
                      "/spool/tmp\nCacheDir " + folder_ + "/cache\nStateDir " + folder_ + "/state\nServerBin " +
                      serverBin_ + "\nErrorLog " + folder_ + "/log/error_log\nAccessLog " + folder_ +
                      "/log/access_log\nPageLog " + folder_ + "/log/page_log\nUser lp\nGroup lp\nSystemGroup root\n";
  files += options_.fileDevice ? "FileDevice Yes\n" : "FileDevice No\n";
  for (const auto& [name, value] : options_.backendEnvironment) files += "SetEnv " + name + " " + value + "\n";
  // Programs built with the sanitizers report through this, also when cupsd runs them.
  if (const char* asan = std::getenv("ASAN_OPTIONS")) files += std::string("SetEnv ASAN_OPTIONS ") + asan + "\n";
  if (const char* ubsan = std::getenv("UBSAN_OPTIONS")) files += std::string("SetEnv UBSAN_OPTIONS ") + ubsan + "\n";
  if (!platform::ReplaceFileAtomically(folder_ + "/conf/cupsd.conf", cupsd, 0644) ||
      !platform::ReplaceFileAtomically(folder_ + "/conf/cups-files.conf", files, 0644)) {
    error = "cannot write the configuration";
    return false;
  }
  return true;
}

bool PrivateCupsd::Start(std::string& error) {
  if (!WriteConfiguration(error)) return false;
  platform::ChildProcessOptions options;
  options.newProcessGroup = true;
  options.standardInput = "/dev/null";
  options.standardOutput = folder_ + "/log/cupsd.out";
  options.standardError = folder_ + "/log/cupsd.err";
  if (!cupsd_.Start({"cupsd", "-f", "-c", folder_ + "/conf/cupsd.conf", "-s", folder_ + "/conf/cups-files.conf"},
                    options)) {
    error = "cannot start cupsd";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kStartLimitSeconds);
  std::string status;
  for (;;) {
    if (!cupsd_.Running()) {
      error = "cupsd ended at once: " + ReadFileText(folder_ + "/log/cupsd.err") + LastLines(errorLog(), 40);
      return false;
    }
    if (RunTool({"lpstat", "-r"}, &status) == 0 && status.find("scheduler is running") != std::string::npos) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  error = "cupsd did not come up within " + std::to_string(kStartLimitSeconds) + " seconds: " + status + "\n" +
          LastLines(errorLog(), 40);
  Stop();
  return false;
}

void PrivateCupsd::Stop() { cupsd_.Terminate(10000); }

std::string PrivateCupsd::errorLog() const { return ReadFileText(folder_ + "/log/error_log"); }

int PrivateCupsd::RunTool(const std::vector<std::string>& argv, std::string* output) const {
  // Output files of their own, so tools run from several threads never mix.
  platform::FileHandle reserved;
  std::string outPath;
  if (!platform::CreateUniqueFile(folder_ + "/tools", "run-", ".out", reserved, outPath)) return -1;
  reserved.Close();
  platform::ChildProcess tool;
  platform::ChildProcessOptions options;
  options.environment = {{"CUPS_SERVER", socketPath_}};
  options.standardInput = "/dev/null";
  options.standardOutput = outPath;
  options.standardError = outPath + ".err";
  uint32_t exitCode = 0;
  const bool ended = tool.Start(argv, options) && tool.Wait(30000, &exitCode);
  if (output != nullptr) *output = ReadFileText(outPath);
  platform::DeleteFile(outPath);
  platform::DeleteFile(outPath + ".err");
  return ended ? static_cast<int>(exitCode) : -1;
}

}  // namespace corvanta_test
