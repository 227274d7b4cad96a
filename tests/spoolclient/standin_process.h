#pragma once
// The spooler stand-in run as a separate process on a free loopback port,
// stopped (SIGTERM) when the owner goes away, on every path.
#include <string>
#include <vector>

#include "support/platform/child_process.h"

namespace spooltest {

class StandinProcess {
 public:
  // Starts build/bin/spooler-standin with --out `outFolder`, --port 0 and
  // the extra arguments; waits until its port file appears.
  StandinProcess(const std::string& outFolder, const std::vector<std::string>& extraArguments = {});
  ~StandinProcess();
  StandinProcess(const StandinProcess&) = delete;
  StandinProcess& operator=(const StandinProcess&) = delete;

  bool started() const { return port_ != 0; }
  int port() const { return port_; }
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }
  const std::string& outFolder() const { return outFolder_; }
  // Sends SIGTERM and waits for the stand-in to end; `exitCode` is its status.
  bool Stop(uint32_t& exitCode);
  // What the stand-in printed so far.
  std::string Output() const;

  // DIR/<n>.header as key -> value, waiting up to 10 s for it to appear.
  std::string WaitForHeaderFile(int number) const;

 private:
  std::string outFolder_;
  std::string scratch_;
  platform::ChildProcess child_;
  int port_ = 0;
};

// The value of `key` in a stand-in header file's text ("" when absent).
std::string HeaderValue(const std::string& headerText, const std::string& key);

}  // namespace spooltest
