// The splitter's exact treatment of separator runs, trailing separators,
// padding and embedded NULs, which the routing-table readers rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ansi_split.h"

namespace {

using namespace std::string_literals;

struct SplitCase {
  const char* name;
  std::string text;
  std::string delimiters;
  int32_t minimumCount;
  std::vector<std::string> fields;
};

const SplitCase kCases[] = {
    {"two fields", "a\tb", "\t", 0, {"a", "b"}},
    {"padded to four", "a\tb", "\t", 4, {"a", "b", "", ""}},
    {"run of two gives one empty field", "a\t\tb", "\t", 0, {"a", "", "b"}},
    {"leading delimiter", "\ta", "\t", 0, {"", "a"}},
    {"one trailing delimiter adds nothing", "a\t", "\t", 0, {"a"}},
    {"two trailing delimiters add one", "a\t\t", "\t", 0, {"a", ""}},
    {"delimiter alone", "\t", "\t", 0, {""}},
    {"two delimiters alone", "\t\t", "\t", 0, {"", ""}},
    {"empty text", "", "\t", 0, {}},
    {"empty text padded", "", "\t", 4, {"", "", "", ""}},
    {"negative minimum adds nothing", "", "\t", -3, {}},
    {"blanks are kept", " a \tb", "\t", 0, {" a ", "b"}},
    {"quotes are ordinary", "\"x\ty\"\tz", "\t", 0, {"\"x", "y\"", "z"}},
    {"more fields than the minimum", "1\t2\t3\t4\t5", "\t", 4, {"1", "2", "3", "4", "5"}},
    {"node path", "Quill\\ImportPath", "\\/", 0, {"Quill", "ImportPath"}},
    {"node path with leading and doubled backslash", "\\Quill\\\\x", "\\/", 0, {"", "Quill", "", "x"}},
    {"backslash and slash mix", "a\\/b", "\\/", 0, {"a", "", "b"}},
    {"double slash", "a//b", "\\/", 0, {"a", "", "b"}},
    {"text after a NUL is ignored", "a\tb\0\tc\td"s, "\t", 0, {"a", "b"}},
    {"NUL as fourth character", "abc\0def"s, "\t", 0, {"abc"}},
    {"no delimiters at all", "a\tb", "", 0, {"a\tb"}},
    {"UTF-8 letters are never delimiters", "\xCE\xB1\t\xC3\xA9", "\t", 0, {"\xCE\xB1", "\xC3\xA9"}},
};

TEST(Split, EdgeCases) {
  for (const SplitCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const cANSISTRSPLIT split(c.text, c.delimiters, c.minimumCount);
    const cVANSISTR& fields = split;
    EXPECT_EQ(fields, c.fields);
  }
}

TEST(Split, CopiesAreIndependent) {
  const cANSISTRSPLIT split("a\tb", "\t", 0);
  cVANSISTR copy = split;
  copy[0] = "changed";
  EXPECT_EQ(split[0], "a");
}

}  // namespace
