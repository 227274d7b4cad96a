// Table lines and destination kinds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "router/routing_table.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RoutingTable, LinesEndAtCrLfLfOrCr) {
  EXPECT_THAT(SplitTableLines(""), IsEmpty());
  EXPECT_THAT(SplitTableLines("a"), ElementsAre("a"));
  EXPECT_THAT(SplitTableLines("a\r\n"), ElementsAre("a"));
  EXPECT_THAT(SplitTableLines("a\r\nb\nc\rd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(SplitTableLines("\r\n\r\n"), ElementsAre("", ""));
  EXPECT_THAT(SplitTableLines("a\n\rb"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitTableLines("a\r\r\nb"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitTableLines(std::string("a\0b\nc", 5)), ElementsAre(std::string("a\0b", 3), "c"));
  // A byte-order mark is skipped at the start only.
  EXPECT_THAT(SplitTableLines("\xEF\xBB\xBFP\tx\r\n"), ElementsAre("P\tx"));
  EXPECT_THAT(SplitTableLines("\xEF\xBB\xBF"), IsEmpty());
  EXPECT_THAT(SplitTableLines("a\n\xEF\xBB\xBF"), ElementsAre("a", "\xEF\xBB\xBF"));
}

TEST(RoutingTable, DestinationKinds) {
  struct Case {
    const char* destServer;
    DestinationKind kind;
  };
  const Case cases[] = {
      {"localcopy.invalid", DestinationKind::LocalCopy},
      {"LocalCopy.Invalid", DestinationKind::LocalCopy},
      {"localcopy.invalid ", DestinationKind::SpoolerSend},
      {"proxy:10.0.0.5", DestinationKind::ProxyHandOff},
      {"PROXY:", DestinationKind::ProxyHandOff},
      {"proxy", DestinationKind::SpoolerSend},
      {" proxy:x", DestinationKind::SpoolerSend},
      {"quillet:2", DestinationKind::QuilletForwarding},
      {"QuILLet:", DestinationKind::QuilletForwarding},
      {"quillet", DestinationKind::SpoolerSend},
      {"10.0.0.5", DestinationKind::SpoolerSend},
      {"", DestinationKind::SpoolerSend},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyDestination(c.destServer), c.kind) << "'" << c.destServer << "'";
  }
}

TEST(RoutingTable, RecordsWithoutAPrinterApplyToNoJob) {
  EXPECT_FALSE(RecordAppliesTo(RoutingRecord::FromLine(""), ""));
  EXPECT_FALSE(RecordAppliesTo(RoutingRecord::FromLine("\thost\t1\t0"), ""));
  EXPECT_TRUE(RecordAppliesTo(RoutingRecord::FromLine("Ωμέγα\thost"), "ωΜΈΓΑ"));
  EXPECT_FALSE(RecordAppliesTo(RoutingRecord::FromLine("Omega \thost"), "Omega"));
}

TEST(RoutingTable, LineTestAgreesWithTheSplitRecord) {
  const std::string lines[] = {"",       "\t\t\t",      "P",          "p\thost",       "P \thost", "\tP",
                               "Ωμέγα\tx", "ΩΜΈΓΑ",       "K\tx",       "\u212A\tx",     std::string("P\0x\ty", 5),
                               "PP\tx",   "ANYPRINTER\t", "anyprinter"};
  const std::string names[] = {"", "P", "p", "Ωμέγα", "k", "ANYPRINTER", "P "};
  for (const auto& line : lines) {
    for (const auto& name : names) {
      EXPECT_EQ(LineAppliesTo(line, name), RecordAppliesTo(RoutingRecord::FromLine(line), name))
          << "line '" << line << "', name '" << name << "'";
    }
  }
}

}  // namespace
