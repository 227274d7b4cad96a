#pragma once
// A print scheduler of the test's own: cupsd run as root in the foreground
// from a folder of the test's, with its own configuration, spool, logs and a
// copy of the system's server-bin folder (so backends can be installed
// there), listening only on a domain socket in that folder and open to
// requests without authentication. Stopped when the owner goes away.
#include <string>
#include <utility>
#include <vector>

#include "support/platform/child_process.h"

namespace corvanta_test {

struct PrivateCupsdOptions {
  // When not empty, the only backends left in the copied backend folder;
  // the test puts its own beside them.
  std::vector<std::string> keepOnlyBackends;
  // Whether queues may print to "file:" device URIs.
  bool fileDevice = false;
  // Variables handed to every backend and filter the scheduler runs.
  std::vector<std::pair<std::string, std::string>> backendEnvironment;
};

class PrivateCupsd {
 public:
  // Everything lives below `folder` (created when missing); keep it short,
  // as the socket path must fit a socket address.
  explicit PrivateCupsd(std::string folder, PrivateCupsdOptions options = {});
  ~PrivateCupsd() { Stop(); }
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Writes the configuration, starts cupsd and waits until it answers.
  // False with the reason in `error`.
  bool Start(std::string& error);
  void Stop();

  // What a client sets CUPS_SERVER to.
  const std::string& socketPath() const { return socketPath_; }
  std::string backendFolder() const { return serverBin_ + "/backend"; }
  std::string errorLog() const;

  // Runs a CUPS command-line tool (lpadmin, lpstat...) against this
  // scheduler and waits for it; its exit status, -1 when it cannot be run
  // or does not end within 30 seconds. `output` gets its standard output.
  int RunTool(const std::vector<std::string>& argv, std::string* output = nullptr) const;

 private:
  bool WriteConfiguration(std::string& error);

  std::string folder_;
  PrivateCupsdOptions options_;
  std::string serverBin_;
  std::string socketPath_;
  platform::ChildProcess cupsd_;
};

}  // namespace corvanta_test
