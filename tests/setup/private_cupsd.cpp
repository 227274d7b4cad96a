#include "private_cupsd.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace setup_test {

namespace fs = std::filesystem;

namespace {

// The folder CUPS keeps its programs in.
constexpr const char* kCupsServerBin = "/usr/lib/cups";

}  // namespace

PrivateCupsd::PrivateCupsd() = default;

PrivateCupsd::~PrivateCupsd() { cupsd_.Terminate(5000); }

bool PrivateCupsd::Start() {
  const std::string root = folder_.path();
  for (const char* sub : {"etc", "serverbin/backend", "state", "cache", "spool", "tmp", "log"}) {
    fs::create_directories(folder_ / sub);
  }
  // Every program folder of CUPS but the backends, which are the test's.
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCupsServerBin, error)) {
    if (entry.path().filename() == "backend") continue;
    fs::create_symlink(entry.path(), folder_ / ("serverbin/" + entry.path().filename().string()));
  }
  if (error) {
    error_ = "no CUPS programs in " + std::string(kCupsServerBin);
    return false;
  }
  fs::create_symlink(std::string(kCupsServerBin) + "/backend/parallel", backendFolder() + "/parallel", error);

  WriteFileText(folder_ / "cups-files.conf",
            "SystemGroup root\n"
            "ServerRoot " + root + "/etc\n"
            "ServerBin " + root + "/serverbin\n"
            "DataDir /usr/share/cups\n"
            "StateDir " + root + "/state\n"
            "CacheDir " + root + "/cache\n"
            "RequestRoot " + root + "/spool\n"
            "TempDir " + root + "/tmp\n"
            "AccessLog " + root + "/log/access_log\n"
            "ErrorLog " + root + "/log/error_log\n"
            "PageLog " + root + "/log/page_log\n"
            "FileDevice Yes\n");
  WriteFileText(folder_ / "cupsd.conf",
            "Listen " + server() + "\n"
            "LogLevel debug\n"
            "Browsing No\n"
            "WebInterface No\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");

  platform::ChildProcessOptions options;
  options.newProcessGroup = true;
  options.standardOutput = folder_ / "log/cupsd.out";
  options.standardError = folder_ / "log/cupsd.err";
  if (!cupsd_.Start({"cupsd", "-f", "-c", folder_ / "cupsd.conf", "-s", folder_ / "cups-files.conf"}, options)) {
    error_ = "cupsd cannot be started";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!cupsd_.Running()) {
      error_ = "cupsd ended at once: " + ReadFileText(folder_ / "log/cupsd.err") + errorLog();
      return false;
    }
    if (fs::exists(server()) && RunTool({"lpstat", "-r"}) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  error_ = "cupsd did not answer within 20 seconds: " + errorLog();
  return false;
}

int PrivateCupsd::RunTool(std::vector<std::string> argv) const {
  platform::ChildProcess tool;
  platform::ChildProcessOptions options;
  options.environment = {{"CUPS_SERVER", server()}};
  options.standardOutput = folder_ / "tmp/tool.out";
  options.standardError = folder_ / "tmp/tool.err";
  if (!tool.Start(argv, options)) return -1;
  uint32_t exitCode = 0;
  if (!tool.Wait(30000, &exitCode)) return -1;
  return static_cast<int>(exitCode);
}

std::string PrivateCupsd::DeviceUriOf(const std::string& printer) const {
  if (RunTool({"lpstat", "-v", printer}) != 0) return {};
  // "device for NAME: URI"
  const std::string out = ReadFileText(folder_ / "tmp/tool.out");
  const std::string marker = "device for " + printer + ": ";
  const auto at = out.find(marker);
  if (at == std::string::npos) return {};
  const auto end = out.find('\n', at);
  return out.substr(at + marker.size(), end == std::string::npos ? std::string::npos : end - at - marker.size());
}

}  // namespace setup_test
