// The library's pure parts, linked in directly: server texts, setting texts,
// log names and dates, frames and the reply split.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "spoolclient/library_settings.h"
#include "spoolclient/library_state.h"
#include "spoolclient/log_purge.h"
#include "spoolclient/reply_split.h"
#include "spoolclient/request_routine.h"
#include "spoolclient/server_address.h"
#include "spoolclient/wire_format.h"

namespace qtl {
namespace {

TEST(ServerTextTest, HostAndPort) {
  struct Case {
    const char* text;
    const char* host;
    uint16_t port;
  };
  for (const Case& c : {Case{"10.0.0.7:20100", "10.0.0.7", 20100}, Case{"host", "host", 20100},
                        Case{"host:", "host", 0}, Case{"host:x1", "host", 0}, Case{"host:65537", "host", 1},
                        Case{"host: \t42abc", "host", 42}, Case{"host:-1", "host", 65535},
                        Case{"host:+80", "host", 80}, Case{"host:99999999999999999999", "host", 65535},
                        Case{":7", "", 7}, Case{"a:1:2", "a", 1}}) {
    SCOPED_TRACE(c.text);
    ServerAddress address;
    ASSERT_TRUE(ParseServerText(c.text, address));
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.port, c.port);
  }
  ServerAddress address;
  EXPECT_FALSE(ParseServerText(nullptr, address));
  EXPECT_TRUE(ParseServerText(std::string(255, 'h').c_str(), address));
  EXPECT_FALSE(ParseServerText(std::string(256, 'h').c_str(), address));
}

TEST(SettingTextTest, LeadingDecimalNumber) {
  struct Case {
    std::string bytes;
    int32_t value;
  };
  for (const Case& c : {Case{"0", 0}, Case{"1", 1}, Case{"  12x", 12}, Case{"-3", -3}, Case{"+4", 4},
                        Case{"abc", 0}, Case{std::string("\x01\0\0\0", 4), 0}, Case{std::string("7\0" "9", 3), 7},
                        Case{"99999999", 99999999}, Case{"", 0}}) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(LeadingDecimalNumber(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), c.value);
  }
}

TEST(LogNameTest, DateOfLogName) {
  struct Case {
    const char* name;
    bool ok;
    int year, month, day;
  };
  for (const Case& c : {Case{"dll20160920.txt", true, 2016, 9, 20}, Case{"DLL20000229.TXT", true, 2000, 2, 29},
                        Case{"dll2016.txt", false, 0, 0, 0}, Case{"dll20161332.txt", false, 0, 0, 0},
                        Case{"dll20150229.txt", false, 0, 0, 0}, Case{"dllx.txt", false, 0, 0, 0},
                        Case{"dl", false, 0, 0, 0}}) {
    SCOPED_TRACE(c.name);
    int year = 0, month = 0, day = 0;
    EXPECT_EQ(DateOfLogName(c.name, year, month, day), c.ok);
    if (c.ok) {
      EXPECT_EQ(year, c.year);
      EXPECT_EQ(month, c.month);
      EXPECT_EQ(day, c.day);
    }
  }
}

TEST(FrameTest, RequestHeaderRoundTripAndLayout) {
  RequestHeader header;
  header.command = 4096;
  header.length = -2;
  SetRequestId(header, "0123456789012345678901234567890123456789ABCDEFGH");  // 48 characters
  header.timeout = 0x01020304;
  header.stationId = -1;
  header.requestId = 7;
  unsigned char bytes[kRequestHeaderSize];
  EncodeRequestHeader(header, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8), std::string("\x00\x00\x10\x00\xff\xff\xff\xfe", 8));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes) + 8, 44), "0123456789012345678901234567890123456789ABCD");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes) + 52, 12),
            std::string("\x01\x02\x03\x04\xff\xff\xff\xff\x00\x00\x00\x07", 12));
  const RequestHeader back = DecodeRequestHeader(bytes);
  EXPECT_EQ(back.command, 4096);
  EXPECT_EQ(back.length, -2);
  EXPECT_EQ(std::memcmp(back.id, header.id, kIdFieldSize), 0);
  EXPECT_EQ(back.requestId, 7);
}

TEST(CommandTest, ExCommandMapping) {
  EXPECT_EQ(CommandForExCommand(-2147483647 - 1), 0);
  EXPECT_EQ(CommandForExCommand(0), 0);
  EXPECT_EQ(CommandForExCommand(1), 2);
  EXPECT_EQ(CommandForExCommand(2), 3);
  EXPECT_EQ(CommandForExCommand(3), 3);
  EXPECT_EQ(CommandForExCommand(8000), 8000);
}

TEST(ReplySplitTest, MovesTheRestToTheFront) {
  char buffer[16] = "ab;cdefg";
  char prefix[81];
  int32_t length = 8;
  EXPECT_EQ(SplitReplyPrefix(buffer, &length, prefix), 0);
  EXPECT_STREQ(prefix, "ab");
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(buffer, 5), "cdefg");

  int32_t empty = 0;
  EXPECT_EQ(SplitReplyPrefix(buffer, &empty, prefix), kNoPrefixResult);
  // Only the reply's own bytes are searched, not what follows in the buffer.
  char tail[8] = {'a', 'b', 'c', ';', 'd', 'e', 'f', 'g'};
  int32_t three = 3;
  EXPECT_EQ(SplitReplyPrefix(tail, &three, prefix), kNoPrefixResult);
  EXPECT_EQ(three, 3);
}

TEST(LibraryStateTest, ProgramNameIsFilledOnceByWhicheverThreadComesFirst) {
  // Nothing has asked for the name yet in this process (the library's
  // attach does not run here): all threads race for the first read.
  std::vector<std::string> names(16);
  std::vector<std::thread> threads;
  for (auto& name : names) threads.emplace_back([&name]() { name = HostProgramName(); });
  for (auto& thread : threads) thread.join();
  for (const auto& name : names) EXPECT_EQ(name, "spoolclient_unit_tests");
}

}  // namespace
}  // namespace qtl
