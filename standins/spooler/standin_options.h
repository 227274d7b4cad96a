#pragma once
// The spooler stand-in's command line:
//   spooler-standin --out DIR [--address 127.0.0.1] [--port 20100]
//     [--port-file FILE] [--reply TEXT] [--fail KEY=STATUS]... [--max-clients N]
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// A request whose id or command (in decimal) equals `key` is answered with
// `status` and no body.
struct FailRule {
  std::string key;
  int32_t status = 0;
};

struct StandinOptions {
  std::string outFolder;
  std::string address = "127.0.0.1";
  uint16_t port = 20100;
  std::string portFile;
  std::string reply;
  std::vector<FailRule> failRules;
  int maxClients = 64;
};

// Reads argv; false with a message in `error` for a bad or missing option.
bool ParseOptions(int argc, char** argv, StandinOptions& options, std::string& error);

std::string UsageText();

}  // namespace standin
