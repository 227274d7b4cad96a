#pragma once
// A print spooler of the test's own: cupsd run as root in the foreground
// from a temporary folder, with its own configuration, spool, logs and a copy
// of the system's server-bin folder (so backends can be installed there), and
// listening only on a domain socket in that folder. SetEnv hands the test's
// CORVANTA_ROOT to every backend it runs. Stopped by the destructor.
#include <string>

#include "support/platform/child_process.h"

class PrivateCups {
 public:
  // Everything lives below `folder`; `serverBinSource` is copied.
  PrivateCups(std::string folder, std::string serverBinSource, std::string corvantaRoot);
  ~PrivateCups() { Stop(); }
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  // Writes the configuration, starts cupsd and waits until it answers.
  // False with the reason in `error`.
  bool Start(std::string& error);
  void Stop();

  // What a client sets CUPS_SERVER to.
  const std::string& socketPath() const { return socketPath_; }
  std::string backendFolder() const { return serverBin_ + "/backend"; }
  std::string errorLog() const;

 private:
  bool WriteConfiguration(std::string& error);

  std::string folder_;
  std::string serverBinSource_;
  std::string corvantaRoot_;
  std::string serverBin_;
  std::string socketPath_;
  platform::ChildProcess cupsd_;
};
