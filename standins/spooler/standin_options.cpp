#include "standins/spooler/standin_options.h"

#include <cerrno>
#include <cstdlib>

namespace standin {

namespace {

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end != nullptr && *end == '\0' && value >= low && value <= high;
}

}  // namespace

std::string UsageText() {
  return "usage: spooler-standin --out DIR [--address 127.0.0.1] [--port 20100] [--port-file FILE]\n"
         "                       [--reply TEXT] [--fail KEY=STATUS]... [--max-clients N]\n";
}

bool ParseOptions(int argc, char** argv, StandinOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help" || name == "-h") {
      error = "";
      return false;
    }
    if (i + 1 >= argc) {
      error = "missing value for " + name;
      return false;
    }
    const std::string value = argv[++i];
    long long number = 0;
    if (name == "--out") {
      options.outFolder = value;
    } else if (name == "--address") {
      options.address = value;
    } else if (name == "--port") {
      if (!ParseInteger(value, 0, 65535, number)) {
        error = "bad port: " + value;
        return false;
      }
      options.port = static_cast<uint16_t>(number);
    } else if (name == "--port-file") {
      options.portFile = value;
    } else if (name == "--reply") {
      options.reply = value;
    } else if (name == "--fail") {
      // The status follows the last '=', so a key may itself hold one.
      const auto eq = value.rfind('=');
      if (eq == std::string::npos || eq == 0 || !ParseInteger(value.substr(eq + 1), INT32_MIN, INT32_MAX, number)) {
        error = "bad --fail rule (KEY=STATUS): " + value;
        return false;
      }
      options.failRules.push_back(FailRule{value.substr(0, eq), static_cast<int32_t>(number)});
    } else if (name == "--max-clients") {
      if (!ParseInteger(value, 1, 4096, number)) {
        error = "bad --max-clients (1 to 4096): " + value;
        return false;
      }
      options.maxClients = static_cast<int>(number);
    } else {
      error = "unknown option: " + name;
      return false;
    }
  }
  if (options.outFolder.empty()) {
    error = "--out DIR is required";
    return false;
  }
  return true;
}

}  // namespace standin
