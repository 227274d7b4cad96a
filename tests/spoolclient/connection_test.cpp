// Server texts, connect failures, name lookup and the connect-failure box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/platform/registry.h"
#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearLibraryLog();
    ClearSettings();
  }

  // A call that connects (or fails to) and asks for the version.
  static int32_t Query(const std::string& server) {
    char out[64];
    int32_t length = sizeof out;
    return Api().maicomm3("ID", server.c_str(), "QUERY_VERSION", 0, out, &length, 5, 0);
  }
};

struct PortCase {
  const char* server;   // nobody listens on 127.0.0.2
  const char* logLine;  // the refused line with the port as it is read
};

class ServerTextTest : public ConnectionTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(ServerTextTest, PortIsReadAsTheLibraryReadsIt) {
  EXPECT_EQ(Query(GetParam().server), 210061);
  EXPECT_THAT(LibraryLogMessages(), ElementsAre(GetParam().logLine));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerTextTest,
    ::testing::Values(PortCase{"127.0.0.2", "connect(to 127.0.0.2, port 20100) error 10061"},
                      PortCase{"127.0.0.2:", "connect(to 127.0.0.2, port 0) error 10061"},
                      PortCase{"127.0.0.2:abc", "connect(to 127.0.0.2, port 0) error 10061"},
                      PortCase{"127.0.0.2:65537", "connect(to 127.0.0.2, port 1) error 10061"},
                      PortCase{"127.0.0.2:40000", "connect(to 127.0.0.2, port -25536) error 10061"},
                      PortCase{"127.0.0.2:  +9x9", "connect(to 127.0.0.2, port 9) error 10061"},
                      PortCase{"127.0.0.2:-1", "connect(to 127.0.0.2, port -1) error 10061"},
                      PortCase{"127.0.0.2:20100:7", "connect(to 127.0.0.2, port 20100) error 10061"}));

TEST_F(ConnectionTest, ServerTextLengthLimit) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  // Trailing letters end the port number, so the text can be padded freely.
  std::string server = spooler.server();
  server += std::string(255 - server.size(), 'p');
  EXPECT_EQ(Query(server), 0);
  EXPECT_EQ(Query(server + "p"), -1);
  EXPECT_EQ(spooler.connections(), 1u);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

TEST_F(ConnectionTest, NamesAreResolved) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  EXPECT_EQ(Query("localhost:" + std::to_string(spooler.port())), 0);
  // A name that cannot be a DNS name fails in the resolver itself, so no
  // query leaves the machine.
  EXPECT_EQ(Query("no-such-host..invalid:1"), -3);
  EXPECT_THAT(LibraryLogMessages(), ElementsAre("gethostbyname() error 11001"));
}

struct BoxCase {
  const char* name;
  uint32_t type;
  std::string bytes;  // empty with type 0: no value at all
  bool boxShown;
};

class NoShowMessagesTest : public ConnectionTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(NoShowMessagesTest, DecidesTheConnectFailureBox) {
  if (GetParam().type != 0) SetRawSetting("NoShowMessages", GetParam().type, GetParam().bytes);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Query("127.0.0.2:1"), 210061);
  const std::string shown = ::testing::internal::GetCapturedStderr();
  const bool boxShown = shown.find("qtlapi.dll: windows socket error 10061\n") != std::string::npos;
  EXPECT_EQ(boxShown, GetParam().boxShown) << shown;
  EXPECT_THAT(LibraryLogMessages(), Contains("connect(to 127.0.0.2, port 1) error 10061"));
}

INSTANTIATE_TEST_SUITE_P(
    Values, NoShowMessagesTest,
    ::testing::Values(BoxCase{"missing", 0, "", false},
                      BoxCase{"string_0", platform::kRegSz, std::string("0\0", 2), true},
                      BoxCase{"string_1", platform::kRegSz, std::string("1\0", 2), false},
                      BoxCase{"string_blank_negative", platform::kRegSz, std::string(" -3\0", 4), false},
                      BoxCase{"string_letters", platform::kRegSz, std::string("yes\0", 4), true},
                      // A DWORD 1 reads as the text "\x01": no digits, so the box shows.
                      BoxCase{"dword_1", platform::kRegDword, std::string("\x01\0\0\0", 4), true},
                      BoxCase{"eight_bytes_zero", platform::kRegSz, std::string("0000000\0", 8), true},
                      // Nine bytes do not fit: the default (no box) stays.
                      BoxCase{"nine_bytes_zero", platform::kRegSz, std::string("00000000\0", 9), false}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace spooltest
