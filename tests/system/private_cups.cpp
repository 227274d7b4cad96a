#include "tests/system/private_cups.h"

#include <cstdlib>
#include <filesystem>

#include "support/platform/files.h"
#include "tests/system/system_test_support.h"

namespace fs = std::filesystem;

PrivateCups::PrivateCups(std::string folder, std::string serverBinSource, std::string corvantaRoot)
    : folder_(std::move(folder)),
      serverBinSource_(std::move(serverBinSource)),
      corvantaRoot_(std::move(corvantaRoot)),
      serverBin_(folder_ + "/serverbin"),
      socketPath_(folder_ + "/cups.sock") {}

bool PrivateCups::WriteConfiguration(std::string& error) {
  std::error_code failure;
  for (const char* sub : {"conf", "spool", "spool/tmp", "cache", "state", "log"}) {
    fs::create_directories(folder_ + "/" + sub, failure);
    if (failure) {
      error = "cannot create " + folder_ + "/" + sub + ": " + failure.message();
      return false;
    }
  }
  // cupsd runs only backends that belong to root and that nobody else may
  // change: copy with owners and modes kept.
  const ProgramResult copy = RunProgram({"cp", "-a", serverBinSource_, serverBin_}, {}, folder_);
  if (!copy.ended || copy.exitCode != 0) {
    error = "cannot copy " + serverBinSource_ + ": " + copy.output;
    return false;
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
                      "/log/access_log\nPageLog " + folder_ +
                      "/log/page_log\nUser lp\nGroup lp\nSystemGroup root\nFileDevice No\nSetEnv CORVANTA_ROOT " +
                      corvantaRoot_ + "\n";
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

bool PrivateCups::Start(std::string& error) {
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
  ProgramResult status;
  const bool running = WaitUntil(
      [&] {
        if (!cupsd_.Running()) return true;
        status = RunProgram({"lpstat", "-h", socketPath_, "-r"}, {}, folder_, 10000);
        return status.ended && status.exitCode == 0 && status.output.find("scheduler is running") != std::string::npos;
      },
      30000);
  if (!running || !cupsd_.Running()) {
    error = "cupsd did not come up: " + ReadFileText(folder_ + "/log/cupsd.err") + status.output + "\n" +
            LastLines(errorLog(), 40);
    Stop();
    return false;
  }
  return true;
}

void PrivateCups::Stop() { cupsd_.Terminate(10000); }

std::string PrivateCups::errorLog() const { return ReadFileText(folder_ + "/log/error_log"); }
