#include "standins/monitor/port_command.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(PortCommandTest, PlaceholdersAreFilledAfterSplitting) {
  struct Case {
    const char* commandTemplate;
    const char* title;
    Args expected;
  };
  const Case cases[] = {
      {"\"/usr/lib/corvanta/rdx64run\" \"%1\" \"%2\" \"%3\"", "Report", {"/usr/lib/corvanta/rdx64run", "/j 1.prn", "P", "Report"}},
      // Texts that would change the split if they were substituted first.
      {"\"/opt/r r/rdx64run\" \"%1\" \"%2\" \"%3\"", "a\" \"b", {"/opt/r r/rdx64run", "/j 1.prn", "P", "a\" \"b"}},
      {"run \"%1\" \"%2\" \"%3\"", "ends\\", {"run", "/j 1.prn", "P", "ends\\"}},
      {"run %1 %2 %3", "%1 and %2", {"run", "/j 1.prn", "P", "%1 and %2"}},
      {"run \"%3\"", "", {"run", ""}},
      {"run --x=%2.log 100% %4 %", "t", {"run", "--x=P.log", "100%", "%4", "%"}},
      {"", "t", {}},
      {"   ", "t", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandTemplate);
    EXPECT_EQ(ExpandPortCommand(c.commandTemplate, "/j 1.prn", "P", c.title), c.expected);
  }
}

}  // namespace
