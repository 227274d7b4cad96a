#pragma once
// The stand-in's TCP server: accepts up to maxClients connections at once,
// one request and one reply per connection, and stops on SIGTERM or SIGINT.
#include <string>

#include "standins/spooler/standin_options.h"

namespace standin {

// Runs until a stop signal; returns the process exit code (0 after a clean
// stop, 1 when the server could not start, with a message on stderr).
int RunSpoolerServer(const StandinOptions& options);

}  // namespace standin
