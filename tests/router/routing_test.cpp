// Looking the printer up in the routing table and sending to the back ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Servers(const std::vector<LibraryCall>& calls) {
  std::vector<std::string> servers;
  for (const auto& call : calls) servers.push_back(call.server);
  return servers;
}

TEST(RouterRouting, WorkedExample) {
  RouterSandbox sandbox;
  const std::string archive = sandbox.base() + "/Archive";
  sandbox.WriteTable("Invoices\t10.0.0.5\t20100\t60\r\n"
                     "Invoices\tlocalcopy.invalid\t" + archive + "\t\r\n"
                     "ANYPRINTER\t10.0.0.9\t20004\t30\r\n");
  const Environment tick = {{"CORVANTA_TEST_TICK_COUNT", "123456"}};

  const std::string invoice = sandbox.MakeJob("invoice.prn", "invoice bytes");
  sandbox.Run({invoice, "invoices"}, tick);

  auto calls = sandbox.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].id, "invoices");
  EXPECT_EQ(calls[0].server, "10.0.0.5:20100");
  EXPECT_EQ(calls[0].input, invoice);
  EXPECT_EQ(calls[0].inlen, 0);
  EXPECT_EQ(calls[0].output, "null");
  EXPECT_EQ(calls[0].bufsize, "0");
  EXPECT_EQ(calls[0].timeout, 60);
  EXPECT_EQ(calls[0].command, 2);
  EXPECT_EQ(calls[0].inputSize, 13);
  EXPECT_EQ(ReadFileText(archive + "/123456.1.prn"), "invoice bytes");
  EXPECT_THAT(ListFolder(archive), ElementsAre("123456.1.prn"));
  EXPECT_FALSE(PathExists(invoice));

  const std::string label = sandbox.MakeJob("label.prn", "label bytes");
  sandbox.Run({label, "Labels"}, tick);

  calls = sandbox.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].id, "Labels");
  EXPECT_EQ(calls[1].server, "10.0.0.9:20004");
  EXPECT_EQ(calls[1].timeout, 30);
  EXPECT_FALSE(PathExists(label));
  EXPECT_THAT(sandbox.LogMessages(),
              ElementsAre("Sent " + invoice + " to 10.0.0.5:20100 for invoices, ret=-13",
                          "Sent " + label + " to 10.0.0.9:20004 for Labels, ret=-13"));
}

TEST(RouterRouting, EveryLineEndReadsTheSame) {
  const std::vector<std::string> records = {"A\t10.0.0.1\t20100\t5", "B\t10.0.0.2\t20004\t7", "",
                                            "C\thost\t1\tx"};
  struct Case {
    const char* name;
    std::string table;
  };
  std::vector<Case> cases;
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string table;
    for (const auto& record : records) table += record + end;
    cases.push_back({end[0] == '\r' ? (end[1] ? "CR LF" : "CR") : "LF", table});
  }
  cases.push_back({"mixed, no final line end", "A\t10.0.0.1\t20100\t5\rB\t10.0.0.2\t20004\t7\n\r\nC\thost\t1\tx"});

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    sandbox.WriteTable(c.table);
    sandbox.Run({sandbox.MakeJob("b.prn"), "b"});
    sandbox.Run({sandbox.MakeJob("c.prn"), "C"});
    const auto calls = sandbox.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].server, "10.0.0.2:20004");
    EXPECT_EQ(calls[0].timeout, 7);
    EXPECT_EQ(calls[1].server, "host:1");
    EXPECT_EQ(calls[1].timeout, 0);
  }
}

TEST(RouterRouting, PrinterNamesMatchIgnoringCaseButNotBlanks) {
  struct Case {
    std::string inTable, onJob;
    bool matches;
  };
  const Case cases[] = {
      {"ΤΙΜΟΛΌΓΙΑ", "τιμολόγια", true},
      {"Étiquettes", "éTIQUETTES", true},
      {"Invoices", "INVOICES", true},
      {"Invoices ", "Invoices", false},
      {"Invoices", "Invoices ", false},
      {" Invoices", "Invoices", false},
      {"Invoices", "Invoice", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("table '" + c.inTable + "', job '" + c.onJob + "'");
    RouterSandbox sandbox;
    sandbox.WriteTable(c.inTable + "\t10.0.0.1\t20100\t9\r\n");
    const std::string job = sandbox.MakeJob("job.prn");
    sandbox.Run({job, c.onJob});
    EXPECT_EQ(sandbox.Calls().size(), c.matches ? 1u : 0u);
    if (!c.matches) {
      EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Did not locate printer " + c.onJob + " in param. file"));
    }
    EXPECT_FALSE(PathExists(job));
  }
}

TEST(RouterRouting, EveryRecordOfThePrinterIsSentInFileOrder) {
  RouterSandbox sandbox;
  sandbox.WriteTable("P\thostA\t1\t0\r\nOther\thostX\t9\t0\r\np\thostB\t2\t0\r\nANYPRINTER\tfallback\t3\t0\r\n");
  sandbox.Run({sandbox.MakeJob("job.prn"), "P"});
  EXPECT_THAT(Servers(sandbox.Calls()), ElementsAre("hostA:1", "hostB:2"));
}

TEST(RouterRouting, FallbackRecordsAreAllSentAndOnlyOverTcp) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteTable("Other\thostX\t9\t0\r\n"
                     "ANYPRINTER\t10.0.0.9\t20004\t30\r\n"
                     "anyprinter\tproxy:10.0.0.5\t20004\t\r\n"
                     "AnyPrinter\tlocalcopy.invalid\t" + out + "\t\r\n"
                     "ANYPRINTER\tquillet:2\t\t\r\n");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.Run({job, "Unknown"});

  EXPECT_THAT(Servers(sandbox.Calls()), ElementsAre("10.0.0.9:20004", "proxy:10.0.0.5:20004",
                                                    "localcopy.invalid:" + out, "quillet:2:"));
  EXPECT_FALSE(PathExists(out));
  EXPECT_FALSE(PathExists(sandbox.proxyFolder()));
  EXPECT_FALSE(PathExists(job));
  EXPECT_EQ(sandbox.LogMessages().size(), 4u);
}

TEST(RouterRouting, JobForTheFallbackNameItselfGetsEveryKind) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  sandbox.WriteTable("ANYPRINTER\tlocalcopy.invalid\t" + out + "\t\r\nANYPRINTER\t10.0.0.9\t20004\t30\r\n");
  const Environment tick = {{"CORVANTA_TEST_TICK_COUNT", "77"}};
  sandbox.Run({sandbox.MakeJob("job.prn"), "anyprinter"}, tick);

  EXPECT_THAT(ListFolder(out), ElementsAre("77.1.prn"));
  EXPECT_THAT(Servers(sandbox.Calls()), ElementsAre("10.0.0.9:20004"));
}

TEST(RouterRouting, OddFieldsAreTakenAsTheyStand) {
  struct Case {
    const char* name;
    std::string line;
    std::string server;
    int timeout;
  };
  const Case cases[] = {
      {"printer only", "P", ":", 0},
      {"time-out not a number", "P\thost\t20100\tsixty", "host:20100", 0},
      {"time-out with trailing text", "P\thost\t20100\t15s", "host:20100", 0},
      {"time-out out of range", "P\thost\t20100\t99999999999", "host:20100", 0},
      {"negative time-out", "P\thost\t20100\t-4", "host:20100", -4},
      {"fields after the fourth", "P\thost\t20100\t12\textra\tmore", "host:20100", 12},
      {"blanks kept", "P\t host \t 20100 \t 3 ", " host : 20100 ", 0},
      {"proxy without its colon is a host", "P\tPROXY\t20100\t0", "PROXY:20100", 0},
      {"quillet without its colon is a host", "P\tQuillet\t20100\t0", "Quillet:20100", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox;
    sandbox.WriteTable(c.line + "\r\n");
    sandbox.Run({sandbox.MakeJob("job.prn"), "P"});
    const auto calls = sandbox.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].server, c.server);
    EXPECT_EQ(calls[0].timeout, c.timeout);
  }
}

TEST(RouterRouting, EmptyLinesNeverMatchEvenAnEmptyPrinterName) {
  RouterSandbox sandbox;
  sandbox.WriteTable("\r\n\t\t\t\r\n\r\n");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.Run({job, ""});
  EXPECT_THAT(sandbox.Calls(), IsEmpty());
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Did not locate printer  in param. file"));
  EXPECT_FALSE(PathExists(job));

  sandbox.WriteTable("\r\n\r\nANYPRINTER\tfallback\t1\t0\r\n");
  sandbox.Run({sandbox.MakeJob("job2.prn"), ""});
  EXPECT_THAT(Servers(sandbox.Calls()), ElementsAre("fallback:1"));
}

TEST(RouterRouting, SpoolerFailuresAreLoggedAndTheJobStillDeleted) {
  RouterSandbox sandbox;
  sandbox.WriteTable("P\t127.0.0.1\t1\t2\r\nP\t127.0.0.1\t2\t2\r\n");
  const std::string job = sandbox.MakeJob("job.prn");
  sandbox.Run({job, "P"}, {{"ROUTER_FAKE_RESULT", "210061"}});
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to 127.0.0.1:1 for P, ret=210061",
                                                 "Sent " + job + " to 127.0.0.1:2 for P, ret=210061"));
  EXPECT_FALSE(PathExists(job));
}

TEST(RouterRouting, BinaryGarbageBeforeARecordIsHarmless) {
  std::mt19937 random(20250314);
  std::string table;
  for (int i = 0; i < 256 * 1024; ++i) table.push_back(static_cast<char>(random() & 0xFF));
  table += "\nZq9\thost\t7\t3\n";
  RouterSandbox sandbox;
  sandbox.WriteTable(table);
  const std::string job = sandbox.MakeJob("job.prn");

  const RouterRun run = sandbox.Run({job, "Zq9"});

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_THAT(Servers(sandbox.Calls()), ElementsAre("host:7"));
  EXPECT_FALSE(PathExists(job));
}

TEST(RouterRouting, LongLinesAndLargeTables) {
  RouterSandbox sandbox;
  const std::string megabyteHost(1 << 20, 'h');
  std::string table = std::string(1 << 20, 'x') + "\r\n";
  for (int i = 0; i < 100000; ++i) {
    table += "Printer-" + std::to_string(i) + "\t10.0." + std::to_string(i % 250) + ".1\t20100\t60\r\n";
  }
  table += "Target\t" + megabyteHost + "\t20100\t4\r\n";
  sandbox.WriteTable(table);
  const std::string job = sandbox.MakeJob("job.prn");

  const RouterRun run = sandbox.Run({job, "target"});

  EXPECT_EQ(run.exitCode, 0u);
  const auto calls = sandbox.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].server, megabyteHost + ":20100");
  EXPECT_THAT(sandbox.LogMessages(),
              ElementsAre("Sent " + job + " to " + megabyteHost + ":20100 for target, ret=-13"));
}

}  // namespace
}  // namespace router_test
