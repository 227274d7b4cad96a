#pragma once
// A CUPS scheduler of the test's own: configuration, state and a local socket
// in a temporary folder, a backend folder that holds only what the test puts
// there (plus the parallel backend that "LPT1:" needs), and everything open
// to requests without authentication. Stopped when the owner goes away.
#include <string>

#include "setup_test_support.h"
#include "support/platform/child_process.h"

namespace setup_test {

class PrivateCupsd {
 public:
  PrivateCupsd();
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Starts the scheduler and waits until it answers; false (see error())
  // when it does not start here.
  bool Start();
  const std::string& error() const { return error_; }

  // What CUPS_SERVER must say to reach it.
  std::string server() const { return folder_ / "cups.sock"; }
  // Its backend folder.
  std::string backendFolder() const { return folder_ / "serverbin/backend"; }
  // Its error log, for failure messages.
  std::string errorLog() const { return ReadFileText(folder_ / "log/error_log"); }

  // Runs a CUPS command-line tool (lpadmin, lpstat) against this scheduler;
  // its exit status.
  int RunTool(std::vector<std::string> argv) const;
  // The device URI lpstat reports for `printer` ("" when none).
  std::string DeviceUriOf(const std::string& printer) const;

 private:
  TempFolder folder_;
  platform::ChildProcess cupsd_;
  std::string error_;
};

}  // namespace setup_test
