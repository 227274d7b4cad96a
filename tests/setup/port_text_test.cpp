// A printer's port field and the mapping of ports onto CUPS device URIs.
#include <gtest/gtest.h>

#include "setup/port_list.h"
#include "setup/port_uri.h"
#include "setup/spooler.h"

namespace {

TEST(PortList, SplitsAsThePortFieldIsWritten) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"RPT1:", {"RPT1:"}},
      {"LPT2:,RPT1:", {"LPT2:", "RPT1:"}},
      {"LPT2:, RPT1:", {"LPT2:", "RPT1:"}},
      {",,LPT1:,,", {"LPT1:"}},
      {"", {}},
      {"\"My Port, 2\",RPT1:", {"My Port, 2", "RPT1:"}},
      {"'a,b',c", {"a,b", "c"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"RPT1: ,x", {"RPT1: ", "x"}},
  };
  for (const auto& [field, items] : cases) EXPECT_EQ(setup::SplitPortList(field), items) << "field " << field;
}

TEST(PortList, JoinsWithQuotesWhereNeededAndSplitsBack) {
  const std::vector<std::string> items{"LPT2:", "My Port, 2", "say \"hi\"", "COM1:"};
  const std::string field = setup::JoinPortList(items);
  EXPECT_EQ(field, "LPT2:,\"My Port, 2\",\"say \"\"hi\"\"\",COM1:");
  EXPECT_EQ(setup::SplitPortList(field), items);
  EXPECT_EQ(setup::JoinPortList({}), "");
}

TEST(PortUri, MapsPortsOntoDeviceUrisAndBack) {
  const std::pair<const char*, const char*> cases[] = {
      {"RPT1:", "rdxport:/RPT1:"},
      {"LPT1:", "parallel:/dev/lp0"},
      {"socket://10.0.0.9:9100", "socket://10.0.0.9:9100"},
      {"ipp://printer.example/ipp/print", "ipp://printer.example/ipp/print"},
      {"file:///dev/null", "file:///dev/null"},
  };
  for (const auto& [port, uri] : cases) {
    EXPECT_EQ(setup::DeviceUriFromPort(port), uri);
    EXPECT_EQ(setup::PortFromDeviceUri(uri), port);
  }
  EXPECT_EQ(setup::DeviceUriFromPort("lpt1:"), "parallel:/dev/lp0");
  EXPECT_EQ(setup::PortFromDeviceUri("RDXPORT:/RPT2:"), "RPT2:");
}

TEST(ChannelInput, IsUtf16WithItsTerminatingZero) {
  const std::vector<uint8_t> expected{'R', 0, 'P', 0, 'T', 0, '1', 0, ':', 0, 0, 0};
  EXPECT_EQ(setup::PortNameForChannel("RPT1:"), expected);
  std::string back;
  ASSERT_TRUE(setup::PortNameFromChannel(expected, back));
  EXPECT_EQ(back, "RPT1:");
  EXPECT_FALSE(setup::PortNameFromChannel({'R', 0, 'P', 0}, back)) << "no terminating zero";
  EXPECT_FALSE(setup::PortNameFromChannel({'R', 0, 0}, back)) << "odd length";
  ASSERT_TRUE(setup::PortNameFromChannel(setup::PortNameForChannel("Θύρα1:"), back));
  EXPECT_EQ(back, "Θύρα1:");
}

}  // namespace
