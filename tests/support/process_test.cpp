// Windows-style command lines and starting programs from them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/platform/process.h"
#include "support/platform/win_error.h"
#include "test_support.h"

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, WindowsQuotingRules) {
  const struct {
    const char* line;
    Args args;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"a b  c", {"a", "b", "c"}},
      {"  lead\tand trail  ", {"lead", "and", "trail"}},
      {"\"a b\" c", {"a b", "c"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"a\"b c\"d", {"ab cd"}},
      {"C:\\dir\\prog.exe x", {"C:\\dir\\prog.exe", "x"}},  // backslashes not before a quote are literal
      {"a\\\\b", {"a\\\\b"}},
      {"a\\\"b", {"a\"b"}},       // an odd run of backslashes before a quote escapes it
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"\"a\\\\\" b", {"a\\", "b"}},  // an even run halves and the quote closes
      {"\"a\"\"b\"", {"a\"b"}},       // a doubled quote inside quotes is one quote
      {"\"C:\\Program Files\\rdx64run.exe\" \"%1\" \"%2\" \"%3\"",
       {"C:\\Program Files\\rdx64run.exe", "%1", "%2", "%3"}},
      {"\"unterminated quote", {"unterminated quote"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(platform::SplitCommandLine(c.line), c.args);
  }
}

TEST(SplitCommandLine, QuotedArgumentsComeBackUnchanged) {
  const Args tricky{"plain", "", "two words", "tab\there", "quote\"inside", "trailing\\", "both \\\" and blank",
                    "\\\\server\\share\\", "\xCE\xB1\xCE\xB2 \xC3\xA9"};
  std::string line;
  for (const auto& arg : tricky) line += platform::QuoteArgument(arg) + " ";
  EXPECT_EQ(platform::SplitCommandLine(line), tricky);
}

TEST(StartProcess, MissingProgramIsErrorTwo) {
  for (const std::string program : {"corvanta-no-such-program", "/nonexistent/folder/prog"}) {
    SCOPED_TRACE(program);
    platform::SetLastError(0);
    uint32_t exitCode = 77;
    EXPECT_FALSE(platform::StartProcess({program, "x"}, true, &exitCode));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(exitCode, 77u);
  }
  platform::SetLastError(0);
  EXPECT_FALSE(platform::StartProcessFromCommandLine("\"/nonexistent/My Program\" a", true));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

TEST(StartProcess, FileThatIsNotExecutableIsAccessDenied) {
  support_test::TempFolder dir;
  support_test::WriteFileText(dir / "script", "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(dir / "script", std::filesystem::perms::owner_read);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::StartProcess({dir / "script"}, true));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
}

TEST(StartProcess, ExitStatusAndSignal) {
  uint32_t exitCode = 0;
  ASSERT_TRUE(platform::StartProcess({support_test::HelperPath(), "exit", "7"}, true, &exitCode));
  EXPECT_EQ(exitCode, 7u);
  ASSERT_TRUE(platform::StartProcess({support_test::HelperPath(), "kill-self"}, true, &exitCode));
  EXPECT_EQ(exitCode, 128u + 9u);
}

TEST(StartProcess, CommandLineArgumentsArriveSplit) {
  support_test::TempFolder dir;
  const std::string out = dir / "args";
  const std::string line = platform::QuoteArgument(support_test::HelperPath()) + " args " +
                           platform::QuoteArgument(out) + " \"C:\\temp\\job 1.prn\" Invoices \"a \\\"b\\\"\" \"\"";
  uint32_t exitCode = 1;
  ASSERT_TRUE(platform::StartProcessFromCommandLine(line, true, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(support_test::ReadFileText(out), "C:\\temp\\job 1.prn\nInvoices\na \"b\"\n\n");
}

// The standard error is kept (up to the limit) and the run is over when the
// program ends, even while a program it started still holds the stream.
TEST(RunProcessKeepingErrors, KeepsTheStandardErrorOfTheProgram) {
  struct Case {
    std::string script;
    std::size_t limit;
    std::string kept;
    uint32_t exitCode;
  };
  const Case cases[] = {
      {"echo out; echo 'no rights' >&2; exit 3", 4096, "no rights\n", 3},
      {"printf 0123456789 >&2", 4, "0123", 0},
      {"sleep 5 & echo started >&2", 4096, "started\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    std::string kept = "old";
    uint32_t exitCode = 99;
    ASSERT_TRUE(platform::RunProcessKeepingErrors({"/bin/sh", "-c", c.script}, kept, &exitCode, c.limit));
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(exitCode, c.exitCode);
  }
  std::string kept = "old";
  EXPECT_FALSE(platform::RunProcessKeepingErrors({"/no/such/program"}, kept));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_EQ(kept, "");
}

}  // namespace
