// spooler-standin: plays the Stampline spooler (or the Vellum back end) for
// tests and demonstrations. See standin_options.h for the command line.
#include <cstdio>
#include <string>

#include "standins/spooler/spooler_server.h"
#include "standins/spooler/standin_options.h"

int main(int argc, char** argv) {
  standin::StandinOptions options;
  std::string error;
  if (!standin::ParseOptions(argc, argv, options, error)) {
    if (!error.empty()) std::fprintf(stderr, "spooler-standin: %s\n", error.c_str());
    std::fputs(standin::UsageText().c_str(), error.empty() ? stdout : stderr);
    return error.empty() ? 0 : 2;
  }
  return standin::RunSpoolerServer(options);
}
