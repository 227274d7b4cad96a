#include "standins/monitor/device_uri.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceUriTest, PortNamesSurviveTheRoundTrip) {
  const std::string ports[] = {"RPT1:", "rpt2:", "My Port", "50% off", "a/b?c#d", "Θύρα1:", "\"quoted\""};
  for (const std::string& port : ports) {
    SCOPED_TRACE(port);
    const std::string uri = DeviceUriForPort(port);
    EXPECT_EQ(uri.find_first_of(" \"#?/", 9), std::string::npos) << uri;
    std::string back;
    ASSERT_TRUE(PortFromDeviceUri(uri, back));
    EXPECT_EQ(back, port);
  }
  EXPECT_EQ(DeviceUriForPort("RPT1:"), "rdxport:/RPT1:");
}

TEST(DeviceUriTest, ReadsTheFormsTheSpoolerMayGive) {
  struct Case {
    const char* uri;
    const char* port;  // null: not one of ours
  };
  const Case cases[] = {
      {"rdxport:/RPT1:", "RPT1:"},     {"rdxport://RPT1:", "RPT1:"}, {"RDXPORT:/RPT1:", "RPT1:"},
      {"rdxport:/My%20Port", "My Port"}, {"rdxport:/", nullptr},      {"rdxport:", nullptr},
      {"socket://127.0.0.1", nullptr}, {"parallel:/dev/lp0", nullptr}, {"rdxport:/bad%2", nullptr},
      {"rdxport:/bad%zz", nullptr},    {"rdxport:/a%0Ab", nullptr},   {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    std::string port = "unchanged";
    EXPECT_EQ(PortFromDeviceUri(c.uri, port), c.port != nullptr);
    EXPECT_EQ(port, c.port != nullptr ? c.port : "unchanged");
  }
}

TEST(DeviceUriTest, ListingLineKeepsItsFieldsApart) {
  EXPECT_EQ(DeviceListLine("RPT1:"), "direct rdxport:/RPT1: \"Redirected Port RPT1:\" \"Redirected Port\"");
  EXPECT_EQ(DeviceListLine("a\"b"), "direct rdxport:/a%22b \"Redirected Port a_b\" \"Redirected Port\"");
}

}  // namespace
