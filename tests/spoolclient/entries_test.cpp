// The entries with extra work around the full call: the split of _maicomm5
// and the UTF-16 entry _maicomm4W.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

class EntriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearLibraryLog();
    ClearSettings();
  }
};

struct SplitCase {
  std::string reply;
  int32_t result;
  std::string prefix;
  std::string rest;  // output's first bytes afterwards
};

class SplitTest : public EntriesTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitTest, SplitsAtTheFirstSemicolon) {
  const SplitCase& c = GetParam();
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, static_cast<int32_t>(c.reply.size()), c.reply)});
  char out[200];
  std::memset(out, 0, sizeof out);
  char prefix[81];
  std::memset(prefix, '#', sizeof prefix);
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm5(1, 2, "ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, prefix, 5, 0),
            c.result);
  if (c.result == 0) {
    EXPECT_EQ(std::string(prefix), c.prefix);
    EXPECT_EQ(length, static_cast<int32_t>(c.rest.size()));
  } else {
    EXPECT_EQ(prefix[0], '#');
    EXPECT_EQ(length, static_cast<int32_t>(c.reply.size()));
  }
  EXPECT_EQ(std::string(out, c.rest.size()), c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SplitTest,
    ::testing::Values(SplitCase{"ab;cdefg", 0, "ab", "cdefg"}, SplitCase{";rest", 0, "", "rest"},
                      SplitCase{"only;", 0, "only", ""}, SplitCase{"a;b;c", 0, "a", "b;c"},
                      SplitCase{"no separator", 100069, "", "no separator"},
                      SplitCase{std::string(80, 'p') + ";r", 0, std::string(80, 'p'), "r"},
                      SplitCase{std::string(81, 'p') + ";r", 100069, "", std::string(81, 'p') + ";r"}));

TEST_F(EntriesTest, SplitPassesOtherResultsAndLeavesFileRepliesAlone) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(9, 0)});
  char out[16];
  char prefix[81] = "untouched";
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm5(0, 0, "ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, prefix, 5, 0), 9);
  EXPECT_STREQ(prefix, "untouched");

  // The reply file's path sits in a heap block of exactly its size, so any
  // scan beyond it would be caught by the address sanitizer.
  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 40, "pre;" + std::string(36, 'f'))});
  const std::string target = Root().path() + "/split.out";
  std::unique_ptr<char[]> path(new char[target.size() + 1]);
  std::memcpy(path.get(), target.c_str(), target.size() + 1);
  length = 0;
  EXPECT_EQ(Api().maicomm5(0, 0, "ID", spooler.server().c_str(), "QUERY_VERSION", 0, path.get(), &length, prefix, 5,
                           0),
            100069);
  EXPECT_EQ(length, 40);
  EXPECT_EQ(ReadFileText(target), "pre;" + std::string(36, 'f'));
  EXPECT_STREQ(path.get(), target.c_str());
  EXPECT_STREQ(prefix, "untouched");
}

// "Τιμολόγια" (invoices) in UTF-16 and in ISO 8859-7.
const std::u16string kGreek = u"\u03a4\u03b9\u03bc\u03bf\u03bb\u03cc\u03b3\u03b9\u03b1";
const std::string kGreekIso = "\xd4\xe9\xec\xef\xeb\xfc\xe3\xe9\xe1";

std::u16string ToUtf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST_F(EntriesTest, WideEntrySendsIso8859_7AndConvertsTheReplyBack) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 9, kGreekIso)});
  const std::u16string server = ToUtf16(spooler.server());
  char16_t out[100];
  int32_t length = 100;
  EXPECT_EQ(Api().maicomm4W(3, 4, kGreek.c_str(), server.c_str(), kGreek.c_str(), 9, out, &length, 5, 1), 0);
  EXPECT_EQ(length, 9);
  EXPECT_EQ(std::u16string(out, 9), kGreek);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const FakeRequest request = spooler.requests().at(0);
  EXPECT_EQ(request.header.substr(8, 10), kGreekIso + std::string(1, '\0'));
  EXPECT_EQ(HeaderField(request.header, 0), 2);
  EXPECT_EQ(HeaderField(request.header, 4), 9);
  EXPECT_EQ(request.body, kGreekIso);
}

// An input file's name goes to the file system as it spells names (UTF-8),
// while the id still travels in ISO 8859-7.
TEST_F(EntriesTest, WideEntryInputFileNameIsTheFileSystems) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const std::u16string server = ToUtf16(spooler.server());
  const std::string folder = Root().MakeFolder("greek");
  WriteFileText(folder + "/\u03b4\u03b5\u03b4\u03bf\u03bc\u03ad\u03bd\u03b1.txt", "job");  // δεδομένα.txt
  const std::u16string input = ToUtf16(folder + "/") + u"\u03b4\u03b5\u03b4\u03bf\u03bc\u03ad\u03bd\u03b1.txt";
  char16_t out[10] = {};
  int32_t length = 10;
  EXPECT_EQ(Api().maicomm4W(0, 0, kGreek.c_str(), server.c_str(), input.c_str(), 0, out, &length, 5, 1), -12);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const FakeRequest sent = spooler.requests().at(0);
  EXPECT_EQ(sent.body, "job");
  EXPECT_EQ(sent.header.substr(8, 10), kGreekIso + std::string(1, '\0'));
}

TEST_F(EntriesTest, WideEntryReplyCases) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 5, "abcde")});
  const std::u16string server = ToUtf16(spooler.server());
  char16_t out[100];
  std::fill(std::begin(out), std::end(out), u'#');
  int32_t length = 100;
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"QUERY_VERSION", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::u16string(out, 6), u"abcde#");

  // An empty reply cannot convert back.
  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 0)});
  length = 100;
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"QUERY_VERSION", 0, out, &length, 5, 0), -12);
  EXPECT_EQ(length, 100);

  // Failures leave the caller's length alone, -10 included.
  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 300, std::string(300, 'x'))});
  length = 100;
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"QUERY_VERSION", 0, out, &length, 5, 0), -10);
  EXPECT_EQ(length, 100);

  // A reply file gets the raw bytes and the length is reported.
  spooler.SetBehaviour(FakeBehaviour{ReplyBytes(0, 9, kGreekIso)});
  const std::u16string target = ToUtf16(Root().path()) + u"/" + kGreek + u".out";
  std::u16string path = target;
  length = 0;
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"QUERY_VERSION", 0, path.data(), &length, 5, 0), 0);
  EXPECT_EQ(length, 9);
  EXPECT_EQ(path, target);
  // The name is the file system's spelling (UTF-8), not the wire's.
  EXPECT_EQ(ReadFileText(Root().path() + "/\u03a4\u03b9\u03bc\u03bf\u03bb\u03cc\u03b3\u03b9\u03b1.out"), kGreekIso);
}

TEST_F(EntriesTest, WideEntryRejectsInputThatDoesNotMatchItsLength) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const std::u16string server = ToUtf16(spooler.server());
  char16_t out[10];
  int32_t length = 10;
  // Longer than inlen: does not fit the converted buffer.
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"abcde", 3, out, &length, 5, 0), -11);
  // Shorter than inlen: the body would hold bytes no conversion wrote.
  EXPECT_EQ(Api().maicomm4W(0, 0, u"ID", server.c_str(), u"abc", 5, out, &length, 5, 0), -11);
  EXPECT_EQ(spooler.connections(), 0u);
  EXPECT_EQ(length, 10);
  EXPECT_TRUE(LibraryLogMessages().empty());
}

TEST_F(EntriesTest, WideEntryReplacesCharactersOutsideTheCodePage) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 2, "ok")});
  const std::u16string server = ToUtf16(spooler.server());
  char16_t out[10];
  int32_t length = 10;
  EXPECT_EQ(Api().maicomm4W(0, 0, u"a\u20ac\u4e2db", server.c_str(), u"QUERY_VERSION", 0, out, &length, 5, 0), 0);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  const std::string id = spooler.requests().at(0).header.substr(8, 5);
  // The euro sign exists in ISO 8859-7 (0xA4 in its 2003 form); the CJK one does not.
  EXPECT_EQ(id[0], 'a');
  EXPECT_EQ(id[2], '?');
  EXPECT_EQ(id[3], 'b');
  EXPECT_EQ(id[4], '\0');
}

}  // namespace
}  // namespace spooltest
