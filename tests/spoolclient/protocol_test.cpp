// The request/reply protocol against a real TCP peer on loopback: frames
// byte for byte, command mapping, special ids, and every kind of reply.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearLibraryLog();
    ClearSettings();
  }
};

std::string Pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return text;
}

TEST_F(ProtocolTest, WorkedExampleIsSentByteForByte) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 5, "hello")});
  const std::string body = Pattern(1000);
  const std::string path = MakeFile("job1000.bin", body);
  char out[100];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ABCD", spooler.server().c_str(), path.c_str(), 0, out, &length, 30, 2), 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(out, 5), "hello");

  ASSERT_TRUE(spooler.WaitForRequests(1));
  const FakeRequest request = spooler.requests().at(0);
  std::string expected(64, '\0');
  expected.replace(0, 4, std::string("\x00\x00\x00\x03", 4));
  expected.replace(4, 4, std::string("\x00\x00\x03\xE8", 4));
  expected.replace(8, 4, "ABCD");
  expected.replace(52, 4, std::string("\x00\x00\x00\x1E", 4));
  EXPECT_EQ(request.header, expected);
  EXPECT_EQ(request.body, body);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

struct CommandCase {
  int32_t exCommand;
  int32_t wireCommand;
};

class CommandMappingTest : public ProtocolTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandMappingTest, MemoryBlockGoesOutUnderTheMappedCommand) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const std::string block = "ISSUE_Z";  // a block holding a special id is still data
  int32_t length = 16;
  char out[16];
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), block.data(), 7, out, &length, 5, GetParam().exCommand),
            0);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const FakeRequest request = spooler.requests().at(0);
  EXPECT_EQ(HeaderField(request.header, 0), GetParam().wireCommand);
  EXPECT_EQ(HeaderField(request.header, 4), 7);
  EXPECT_EQ(request.body, block);
}

INSTANTIATE_TEST_SUITE_P(AllSelectors, CommandMappingTest,
                         ::testing::Values(CommandCase{-5, 0}, CommandCase{0, 0}, CommandCase{1, 2},
                                           CommandCase{2, 3}, CommandCase{3, 3}, CommandCase{7, 7},
                                           CommandCase{11, 11}, CommandCase{4096, 4096}, CommandCase{8000, 8000}));

TEST_F(ProtocolTest, SingleXCommandsAnnounceTheInputButSendOneByte) {
  for (const int32_t exCommand : {12, 13}) {
    SCOPED_TRACE(exCommand);
    ClearLibraryLog();
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
    int32_t length = 16;
    char out[16];
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "0123456789", 10, out, &length, 5, exCommand), -7);
    ASSERT_TRUE(spooler.WaitForRequests(1));
    const FakeRequest request = spooler.requests().at(0);
    EXPECT_EQ(HeaderField(request.header, 0), exCommand);
    EXPECT_EQ(HeaderField(request.header, 4), 10);
    EXPECT_EQ(request.body, "X");
    EXPECT_THAT(LibraryLogMessages(), Contains("swin_spoolerswin_spooler: l1=1 Lsize=10"));
    EXPECT_EQ(length, 16);
  }
}

struct SpecialCase {
  const char* input;
  int32_t exCommand;
  int32_t wireCommand;
  int32_t announced;
  const char* body;
};

class SpecialIdTest : public ProtocolTest, public ::testing::WithParamInterface<SpecialCase> {};

TEST_P(SpecialIdTest, ReplacesWhatTheSelectorChose) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 2, "ok")});
  char out[16];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), GetParam().input, 0, out, &length, 5,
                           GetParam().exCommand),
            0);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const FakeRequest request = spooler.requests().at(0);
  EXPECT_EQ(HeaderField(request.header, 0), GetParam().wireCommand);
  EXPECT_EQ(HeaderField(request.header, 4), GetParam().announced);
  EXPECT_EQ(request.body, GetParam().body);
  EXPECT_EQ(length, 2);
}

INSTANTIATE_TEST_SUITE_P(
    AllIds, SpecialIdTest,
    ::testing::Values(SpecialCase{"ISSUE_Z", 2, 12, 1, "X"}, SpecialCase{"QUERY_ALL", 2, 11, 0, ""},
                      SpecialCase{"QUERY_SEIRA", 0, 14, 0, ""}, SpecialCase{"QUERY_VERSION", 1, 4096, 0, ""},
                      SpecialCase{"QUERY_VERSION", 8000, 4096, 0, ""},
                      // 8000 without a block sends the header only, whatever the input names.
                      SpecialCase{"/no/such/file", 8000, 8000, 0, ""}));

TEST_F(ProtocolTest, SpecialIdsAreCaseSensitiveAndOtherwiseAFilePath) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  char out[16];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "issue_z", 0, out, &length, 5, 0), -5);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

TEST_F(ProtocolTest, BodiesOfChunkBoundarySizesArriveWhole) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  for (const std::size_t size : {0u, 1u, 2047u, 2048u, 4096u, 4097u, 100000u}) {
    SCOPED_TRACE(size);
    const std::string body = Pattern(size);
    const std::string path = MakeFile("body" + std::to_string(size), body);
    char out[4];
    int32_t length = sizeof out;
    std::size_t expected = spooler.requests().size() + 1;
    EXPECT_EQ(Api().maicomm3("F", spooler.server().c_str(), path.c_str(), 0, out, &length, 5, 2), 0);
    if (size > 0) {
      length = sizeof out;
      EXPECT_EQ(Api().maicomm3("M", spooler.server().c_str(), body.data(), static_cast<int32_t>(size), out, &length,
                               5, 2),
                0);
      ++expected;
    }
    ASSERT_TRUE(spooler.WaitForRequests(expected));
    const auto requests = spooler.requests();
    for (std::size_t i = requests.size() - (size > 0 ? 2 : 1); i < requests.size(); ++i) {
      EXPECT_EQ(HeaderField(requests[i].header, 4), static_cast<int32_t>(size));
      EXPECT_EQ(requests[i].body, body);
    }
  }
}

TEST_F(ProtocolTest, InputFileFailuresAreMinusFiveAndSix) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  char out[4];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), (Root().path() + "/missing").c_str(), 0, out, &length,
                           5, 2),
            -5);
  // A folder cannot be opened as the body.
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), Root().path().c_str(), 0, out, &length, 5, 2), -6);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

TEST_F(ProtocolTest, FileLargerThanTheLengthFieldIsRefused) {
  // A sparse file: its size is read, no data is written or sent.
  const std::string path = Root().path() + "/huge.bin";
  WriteFileText(path, "");
  std::filesystem::resize_file(path, 0x80000000ULL);
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  char out[4];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), path.c_str(), 0, out, &length, 5, 2), -5);
  // The connection is made before the file is looked at, so the peer sees
  // one; not a byte of a request may follow it.
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const auto requests = spooler.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].header.empty());
  EXPECT_TRUE(requests[0].body.empty());
}

TEST_F(ProtocolTest, IdsFillTheFieldWithoutTerminatorFromFortyFourCharacters) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const std::string id50 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";
  ASSERT_EQ(id50.size(), 50u);
  char out[4];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm4(11, 22, id50.c_str(), spooler.server().c_str(), "QUERY_ALL", 0, out, &length, 9, 0), 0);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const std::string header = spooler.requests().at(0).header;
  EXPECT_EQ(header.substr(8, 44), id50.substr(0, 44));
  EXPECT_EQ(HeaderField(header, 52), 9);
  EXPECT_EQ(HeaderField(header, 56), 11);
  EXPECT_EQ(HeaderField(header, 60), 22);
}

TEST_F(ProtocolTest, ReplyIntoMemory) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 5, "abcde")});
  char out[100];
  std::memset(out, '#', sizeof out);
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(out, 6), "abcde#");  // not NUL-terminated

  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 0)});
  length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(length, 0);
}

TEST_F(ProtocolTest, ReplyIntoFileReplacesTheFile) {
  const std::string reply = Pattern(5000);
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 5000, reply)});
  const std::string target = MakeFile("reply.out", std::string(9000, 'z'));
  int32_t length = 0;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                           &length, 5, 0),
            0);
  EXPECT_EQ(length, 5000);
  EXPECT_EQ(ReadFileText(target), reply);

  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 0)});
  length = 0;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                           &length, 5, 0),
            0);
  EXPECT_TRUE(PathExists(target));
  EXPECT_EQ(ReadFileText(target), "");
}

TEST_F(ProtocolTest, ReplyTooLongForTheBufferLeavesItUntouched) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 300, std::string(300, 'r'))});
  char out[200];
  std::memset(out, '#', sizeof out);
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), -10);
  EXPECT_EQ(length, 300);
  EXPECT_EQ(std::string(out, sizeof out), std::string(200, '#'));
  EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply: needs 300 bytes, available 200"));
}

TEST_F(ProtocolTest, CutReplyKeepsWhatArrived) {
  const std::string partial = Pattern(100);
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 300, partial)});
  char out[400];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), -9);
  EXPECT_EQ(length, 300);
  EXPECT_EQ(std::string(out, 100), partial);
  EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply missing bytes: 200"));

  const std::string target = Root().path() + "/cut.out";
  length = 0;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                           &length, 5, 0),
            -9);
  EXPECT_EQ(ReadFileText(target), partial);
}

TEST_F(ProtocolTest, ShortClosedAndSilentReplyHeaders) {
  char out[16];
  {
    FakeSpooler spooler(FakeBehaviour{std::string("\0\0\0\0", 4)});
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), -8);
    EXPECT_EQ(length, 16);
    EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.x_recv() ret=4"));
  }
  ClearLibraryLog();
  {
    FakeSpooler spooler(FakeBehaviour{""});
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 0, 0), -8);
    EXPECT_THAT(LibraryLogMessages(), Contains("s2=0"));
    EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.x_recv() ret=0"));
  }
  ClearLibraryLog();
  {
    FakeBehaviour silent;
    silent.silent = true;
    FakeSpooler spooler(silent);
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 1, 0), -8);
    EXPECT_THAT(LibraryLogMessages(), Contains("x_recv.select() timeout"));
    EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.x_recv() ret=-2"));
  }
}

TEST_F(ProtocolTest, SpoolerStatusPassesThroughUnchanged) {
  for (const int32_t status : {7, -3, 100069, 210061}) {
    SCOPED_TRACE(status);
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(status, 50, std::string(50, 'x'))});
    char out[100];
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), status);
    EXPECT_EQ(length, 100);
    EXPECT_THAT(LibraryLogMessages(), Contains("get_z_reply.ntohl() ret=" + std::to_string(status)));
  }
}

TEST_F(ProtocolTest, NegativeOrHugeReplyLengthsCannotOverflow) {
  char out[100];
  std::memset(out, '#', sizeof out);
  {
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, -5, "abc")});
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), -8);
    EXPECT_EQ(length, 100);
  }
  {
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0x7FFFFFFF, "abc")});
    int32_t length = sizeof out;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), -10);
    EXPECT_EQ(length, 0x7FFFFFFF);
    EXPECT_EQ(std::string(out, sizeof out), std::string(100, '#'));
  }
  {
    // A file reply announced huge but cut: the file holds what came.
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0x7FFFFFFF, "0123456789")});
    const std::string target = Root().path() + "/huge.out";
    int32_t length = 0;
    EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(target.c_str()),
                             &length, 5, 0),
              -9);
    EXPECT_EQ(ReadFileText(target), "0123456789");
  }
}

TEST_F(ProtocolTest, RouterCallDeliversTheJobAndReportsTheReply) {
  const std::string job = Pattern(10000);
  const std::string path = MakeFile("job.spl", job);
  {
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(7, 0)});
    int32_t length = 0;
    EXPECT_EQ(Api().maicomm3("Invoices", spooler.server().c_str(), path.c_str(), 0, nullptr, &length, 60, 2), 7);
    ASSERT_TRUE(spooler.WaitForRequests(1));
    EXPECT_EQ(spooler.requests().at(0).body, job);
  }
  ClearLibraryLog();
  {
    FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
    int32_t length = 0;
    EXPECT_EQ(Api().maicomm3("Invoices", spooler.server().c_str(), path.c_str(), 0, nullptr, &length, 60, 2), -13);
    ASSERT_TRUE(spooler.WaitForRequests(1));
    EXPECT_EQ(spooler.requests().at(0).body, job);
    const auto messages = LibraryLogMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_THAT(messages[0], HasSubstr("get_z_reply.CreateFile() error "));
    EXPECT_EQ(messages[1], "get_z_reply.CreateFile() failed for (null)");
  }
}

TEST_F(ProtocolTest, ForceBreakSendsWithoutReadingAndIsNotInherited) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 3, "abc")});
  char out[16];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("!ABC", spooler.server().c_str(), "payload", 7, out, &length, 5, 2), -11);
  EXPECT_EQ(length, 16);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  EXPECT_EQ(spooler.requests().at(0).header.substr(8, 4), std::string("ABC\0", 4));
  EXPECT_EQ(spooler.requests().at(0).body, "payload");
  EXPECT_THAT(LibraryLogMessages(), Contains("swin_spooler: force_break"));
  // The next call reads its reply as usual.
  EXPECT_EQ(Api().maicomm3("ABC", spooler.server().c_str(), "payload", 7, out, &length, 5, 2), 0);
  EXPECT_EQ(length, 3);
}

TEST_F(ProtocolTest, EveryEntryFramesItsArguments) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 40, std::string(40, 'q'))});
  const std::string server = spooler.server();
  char out[100];
  // By-value capacity: the reply's length is not returned.
  EXPECT_EQ(Api().maicomm("A", server.c_str(), "data", 4, out, 100), 0);
  EXPECT_EQ(Api().maicomm2("B", server.c_str(), "data", 4, out, 100, 17), 0);
  EXPECT_EQ(Api().maicomm2sc("C", server.c_str(), "data", 4, out, 100, 18), 0);
  int32_t length = 100;
  EXPECT_EQ(Api().maicomm4sc(5, 6, "D", server.c_str(), "data", 4, out, &length, 19, 1), 0);
  EXPECT_EQ(length, 40);
  ASSERT_TRUE(spooler.WaitForRequests(4));
  const auto requests = spooler.requests();
  EXPECT_EQ(HeaderField(requests[0].header, 52), 0);
  EXPECT_EQ(HeaderField(requests[0].header, 0), 0);
  EXPECT_EQ(HeaderField(requests[1].header, 52), 17);
  EXPECT_EQ(HeaderField(requests[2].header, 52), 18);
  EXPECT_EQ(HeaderField(requests[3].header, 0), 2);
  EXPECT_EQ(HeaderField(requests[3].header, 52), 19);
  EXPECT_EQ(HeaderField(requests[3].header, 56), 5);
  EXPECT_EQ(HeaderField(requests[3].header, 60), 6);
  // A null bufsize counts as a capacity of 0: the reply goes to the file named by output.
  const std::string target = Root().path() + "/nullsize.out";
  EXPECT_EQ(Api().maicomm3("E", server.c_str(), "data", 4, const_cast<char*>(target.c_str()), nullptr, 5, 0), 0);
  EXPECT_EQ(ReadFileText(target), std::string(40, 'q'));
}

TEST_F(ProtocolTest, PeerThatStopsReadingCannotRaiseSigpipe) {
  DefaultSigpipe sigpipeKills;
  FakeBehaviour closes;
  closes.closeAfterBodyBytes = 0;
  FakeSpooler spooler(closes);
  const std::string block(8 << 20, 'b');
  char out[16];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), block.data(), static_cast<int32_t>(block.size()), out,
                           &length, 5, 0),
            -7);
}

TEST_F(ProtocolTest, SocketsAboveDescriptor1023Work) {
  DescriptorFlood flood(1100);
  if (!flood.ok()) GTEST_SKIP() << "cannot raise the open-file limit above 1100";
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 2, "ok")});
  char out[16];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(length, 2);
  length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ID", spooler.server().c_str(), std::string(5000, 'd').c_str(), 5000, out, &length, 5, 0),
            0);
}

}  // namespace
}  // namespace spooltest
