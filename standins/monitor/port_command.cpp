#include "standins/monitor/port_command.h"

#include "support/platform/process.h"

std::vector<std::string> ExpandPortCommand(const std::string& commandTemplate, const std::string& jobFile,
                                           const std::string& printer, const std::string& title) {
  std::vector<std::string> argv = platform::SplitCommandLine(commandTemplate);
  for (auto& argument : argv) {
    std::string expanded;
    for (std::size_t i = 0; i < argument.size(); ++i) {
      if (argument[i] == '%' && i + 1 < argument.size()) {
        const char which = argument[i + 1];
        if (which == '1' || which == '2' || which == '3') {
          expanded += which == '1' ? jobFile : which == '2' ? printer : title;
          ++i;
          continue;
        }
      }
      expanded.push_back(argument[i]);
    }
    argument = std::move(expanded);
  }
  return argv;
}
