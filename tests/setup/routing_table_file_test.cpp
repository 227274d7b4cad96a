// The routing table from the editor's side: reading lines, the protocol
// label, the duplicate check and the file the save writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "setup/messages.h"
#include "setup/routing_table_file.h"
#include "setup_test_support.h"
#include "support/platform/paths.h"

namespace {

using setup_test::MessageRecorder;
using setup_test::PrivateRoot;
using setup_test::ReadFileText;
using setup_test::WriteFileText;

struct LinesCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};
void PrintTo(const LinesCase& c, std::ostream* out) { *out << c.name; }

class ReadLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ReadLinesTest, SplitsAtEveryKindOfLineEnd) {
  PrivateRoot root;
  const std::string path = root / "table.dat";
  WriteFileText(path, GetParam().text);
  std::vector<std::string> lines{"left over"};
  std::string error;
  ASSERT_TRUE(setup::ReadRoutingTableLines(path, lines, error)) << error;
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, ReadLinesTest,
    ::testing::Values(LinesCase{"Empty", "", {}}, LinesCase{"CrLf", "a\tb\r\nc\r\n", {"a\tb", "c"}},
                      LinesCase{"LfOnly", "a\tb\nc\n", {"a\tb", "c"}}, LinesCase{"CrOnly", "a\rc\r", {"a", "c"}},
                      LinesCase{"LastLineWithoutEnd", "a\r\nlast", {"a", "last"}},
                      LinesCase{"EmptyLinesKept", "a\r\n\r\n\nb", {"a", "", "", "b"}},
                      LinesCase{"Mixed", "x\r\ny\nz\rw", {"x", "y", "z", "w"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadLines, ReportsAFileThatCannotBeRead) {
  PrivateRoot root;
  std::vector<std::string> lines;
  std::string error;
  EXPECT_FALSE(setup::ReadRoutingTableLines(root / "missing.dat", lines, error));
  EXPECT_EQ(error, "Cannot open file \"" + (root / "missing.dat") + "\", error 2");
}

TEST(ProtocolLabel, ReadsThePortAsADecimalNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"20100", "Stampline"}, {"20004", "Vellum"},   {"020004", "Vellum"},  {"+20100", "Stampline"},
      {" 20004", "Vellum"},   {"20004 ", "Unknown"}, {"abc", "Unknown"},    {"", "Unknown"},
      {"0x4E84", "Unknown"},  {"-20100", "Unknown"}, {"99999999999999999920100", "Unknown"},
      {"/var/spool/copies", "Unknown"}};
  for (const auto& [port, label] : cases) EXPECT_EQ(setup::ProtocolLabel(port), label) << "port \"" << port << "\"";
}

TEST(DuplicatePrinter, NamesTheLaterRowFirst) {
  const std::vector<RoutingRecord> rows{
      {"Invoices", "a", "1", "1"}, {"", "x", "", ""}, {"invoices", "b", "2", "2"}, {"Invoices", "c", "3", "3"}};
  const auto duplicate = setup::FindDuplicatePrinter(rows);
  ASSERT_TRUE(duplicate.has_value());
  EXPECT_EQ(duplicate->row, 4);
  EXPECT_EQ(duplicate->earlierRow, 1);
}

TEST(DuplicatePrinter, CaseBlanksAndEmptyRowsAreNotDuplicates) {
  const std::vector<RoutingRecord> rows{{"Invoices", "", "", ""}, {"INVOICES", "", "", ""}, {"Invoices ", "", "", ""},
                                        {"", "a", "", ""},          {"", "b", "", ""}};
  EXPECT_FALSE(setup::FindDuplicatePrinter(rows).has_value());
}

class SaveTableTest : public ::testing::Test {
 protected:
  PrivateRoot root_;
  MessageRecorder messages_;
};

TEST_F(SaveTableTest, WritesTheRowsWithPrintersByteForByte) {
  const std::vector<RoutingRecord> rows{{"Invoices", "10.0.0.7", "20100", "60"},
                                        {"", "dropped", "1", "2"},
                                        {"ANYPRINTER", LocalCopySentinelHost, "/srv/copies", ""},
                                        {" Blank ", "", "", ""}};
  ASSERT_TRUE(setup::SaveRoutingTableFile(rows));
  EXPECT_EQ(ReadFileText(platform::RoutingTablePath()),
            "Invoices\t10.0.0.7\t20100\t60\r\n"
            "ANYPRINTER\tlocalcopy.invalid\t/srv/copies\t\r\n"
            " Blank \t\t\t\r\n");
  EXPECT_TRUE(messages_.messages().empty());
  // Only the table itself is left in the folder: no temporary beside it.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(platform::ConfigFolder())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(SaveTableTest, AnEmptyGridWritesAnEmptyTable) {
  WriteFileText(platform::RoutingTablePath(), "Old\tx\t1\t1\r\n");
  ASSERT_TRUE(setup::SaveRoutingTableFile({{"", "", "", ""}}));
  EXPECT_EQ(ReadFileText(platform::RoutingTablePath()), "");
}

TEST_F(SaveTableTest, DuplicatesAreRefusedAndNothingIsWritten) {
  WriteFileText(platform::RoutingTablePath(), "Old\tx\t1\t1\r\n");
  const std::vector<RoutingRecord> rows{{"A", "", "", ""}, {"B", "", "", ""}, {"A", "new", "", ""}};
  EXPECT_FALSE(setup::SaveRoutingTableFile(rows));
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "Record 3 is the same with 1");
  EXPECT_EQ(messages_.messages()[0].flags, setup::kWarningBoxFlags);
  EXPECT_EQ(ReadFileText(platform::RoutingTablePath()), "Old\tx\t1\t1\r\n");
}

TEST_F(SaveTableTest, AFolderThatCannotBeCreatedIsReported) {
  WriteFileText(root_ / "etc", "a file where the folder belongs");
  EXPECT_FALSE(setup::SaveRoutingTableFile({{"A", "", "", ""}}));
  EXPECT_EQ(messages_.texts(), std::vector<std::string>{"Directory " + platform::ConfigFolder() +
                                                        " not found and cound not be created!"});
}

TEST_F(SaveTableTest, AReadOnlyFolderKeepsTheOldTable) {
  setup_test::TmpfsMount mount(platform::ConfigFolder());
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  WriteFileText(platform::RoutingTablePath(), "Old\tx\t1\t1\r\n");
  if (!mount.MakeReadOnly()) GTEST_SKIP() << "cannot remount read-only here";
  EXPECT_FALSE(setup::SaveRoutingTableFile({{"A", "", "", ""}}));
  EXPECT_EQ(messages_.texts(),
            std::vector<std::string>{"Failed to save " + platform::ConfigFolder() + ", error: Cannot create file \"" +
                                     platform::RoutingTablePath() + "\", error 19"});
  EXPECT_EQ(ReadFileText(platform::RoutingTablePath()), "Old\tx\t1\t1\r\n");
}

TEST_F(SaveTableTest, AFullFileSystemKeepsTheOldTable) {
  setup_test::TmpfsMount mount(platform::ConfigFolder());
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  WriteFileText(platform::RoutingTablePath(), "Old\tx\t1\t1\r\n");
  // Far more than the 64 KiB the file system holds.
  std::vector<RoutingRecord> rows;
  for (int i = 0; i < 2000; ++i) rows.push_back({"Printer" + std::to_string(i), std::string(60, 'h'), "20100", "60"});
  EXPECT_FALSE(setup::SaveRoutingTableFile(rows));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0].rfind("Failed to save " + platform::ConfigFolder() + ", error: ", 0), 0u);
  EXPECT_NE(messages_.texts()[0].find("error 112"), std::string::npos) << messages_.texts()[0];
  EXPECT_EQ(ReadFileText(platform::RoutingTablePath()), "Old\tx\t1\t1\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(platform::ConfigFolder())) ++entries;
  EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
}

}  // namespace
