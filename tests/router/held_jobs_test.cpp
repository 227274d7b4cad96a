// Keeping jobs whose spooler send failed (KeepFailedSends) and sending them
// again with rdx64resend: the built programs with the real client library
// against a scripted spooler on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "support/routing_record.h"
#include "tests/router/router_sandbox.h"
#include "tests/spoolclient/fake_spooler.h"

namespace router_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using spooltest::FakeBehaviour;
using spooltest::FakeSpooler;
using spooltest::ReplyBytes;

constexpr char kStamp[] = "2025-03-14 10:20:30";

FakeBehaviour Answer(int32_t status) {
  FakeBehaviour behaviour;
  behaviour.reply = ReplyBytes(status, 0);
  return behaviour;
}

void SetKeeping(const RouterSandbox& sandbox, const std::string& value) {
  WriteFileText(sandbox.configFolder() + "/hklm.reg",
                "Windows Registry Editor Version 5.00\r\n\r\n[SOFTWARE\\Corvanta\\Stampline]\r\n"
                "\"KeepFailedSends\"=" + value + "\r\n");
}

std::string HeldFolder(const RouterSandbox& sandbox) { return sandbox.stampline() + "/held"; }

// The held folder's files ending in `extension`, as full paths, sorted.
std::vector<std::string> Held(const RouterSandbox& sandbox, const std::string& extension) {
  std::vector<std::string> paths;
  for (const std::string& name : ListFolder(HeldFolder(sandbox))) {
    if (name.ends_with(extension)) paths.push_back(HeldFolder(sandbox) + "/" + name);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

RouterRun Resend(RouterSandbox& sandbox, const std::vector<std::string>& arguments, const Environment& extra = {}) {
  sandbox.UseProgram(BUILT_RESEND);
  RouterRun run = sandbox.Run(arguments, extra);
  sandbox.UseProgram(BUILT_ROUTER);
  return run;
}

// A closed loopback port: a spooler that was there and is gone.
std::string ClosedServer() {
  FakeSpooler gone;
  return gone.server();
}

std::vector<std::string> Bodies(FakeSpooler& spooler) {
  std::vector<std::string> bodies;
  for (const spooltest::FakeRequest& request : spooler.requests()) bodies.push_back(request.body);
  return bodies;
}

struct FailureCase {
  const char* name;
  FakeBehaviour behaviour;
  bool closed;          // nobody listens at all
  int timeoutSec;
  std::size_t jobSize;  // large enough that a reset catches the body in flight
  bool fallback = false;  // the ANYPRINTER pass makes the send
};

TEST(HeldJobs, FailedSendKeepsTheJobWithItsCompanion) {
  FakeBehaviour reset;
  reset.closeAfterBodyBytes = 1000;
  FakeBehaviour silent;
  silent.silent = true;
  const FailureCase cases[] = {
      {"refused", {}, true, 2, 100},
      {"refused in the fallback pass", {}, true, 3, 100, true},
      {"reset mid-body", reset, false, 5, 16u << 20},
      {"time-out", silent, false, 1, 100},
      {"spooler status", Answer(77), false, 5, 100},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSandbox sandbox(ClientLibrary::Missing);
    sandbox.UseProgram(BUILT_ROUTER);
    SetKeeping(sandbox, "dword:00000001");
    std::unique_ptr<FakeSpooler> spooler;
    std::string server = ClosedServer();
    if (!c.closed) {
      spooler = std::make_unique<FakeSpooler>(c.behaviour);
      server = spooler->server();
    }
    const std::string printerField = c.fallback ? "ANYPRINTER" : "P";
    const std::size_t colon = server.find(':');
    sandbox.WriteTable(printerField + "\t" + server.substr(0, colon) + "\t" + server.substr(colon + 1) + "\t" +
                       std::to_string(c.timeoutSec) + "\r\n");
    std::string content(c.jobSize, 'j');
    content.front() = '%';
    const std::string job = sandbox.MakeJob("job.prn", content);

    EXPECT_EQ(sandbox.Run({job, "P"}).exitCode, 0u);

    EXPECT_FALSE(PathExists(job));
    const std::vector<std::string> jobs = Held(sandbox, ".prn");
    ASSERT_EQ(jobs.size(), 1u);
    ASSERT_EQ(Held(sandbox, ".txt").size(), 1u);
    EXPECT_TRUE(ReadFileText(jobs[0]) == content) << "the held job is not the job";
    const std::vector<std::string> log = sandbox.LogMessages();
    ASSERT_EQ(log.size(), 2u);
    const std::string sentPrefix = "Sent " + job + " to " + server + " for P, ret=";
    ASSERT_THAT(log[0], ::testing::StartsWith(sentPrefix));
    const std::string result = log[0].substr(sentPrefix.size());
    EXPECT_NE(result, "-13");
    EXPECT_EQ(log[1], "Kept " + job + " as " + jobs[0] + " for a resend");
    EXPECT_EQ(ReadFileText(Held(sandbox, ".txt")[0]),
              "Job=" + job + "\r\nHeld=" + kStamp + "\r\nSend=" + server + "\tP\t" + std::to_string(c.timeoutSec) +
                  "\t" + result + "\t" + kStamp + "\r\n");
  }
}

TEST(HeldJobs, SettingOffOrZeroDeletesTheJobAsBefore) {
  for (const std::string value : {"", "dword:00000000"}) {
    SCOPED_TRACE(value);
    RouterSandbox sandbox(ClientLibrary::Missing);
    sandbox.UseProgram(BUILT_ROUTER);
    if (!value.empty()) SetKeeping(sandbox, value);
    const std::string server = ClosedServer();
    sandbox.WriteTable("P\t127.0.0.1\t" + server.substr(10) + "\t2\r\n");
    const std::string job = sandbox.MakeJob("job.prn");

    sandbox.Run({job, "P"});

    EXPECT_FALSE(PathExists(job));
    EXPECT_FALSE(PathExists(HeldFolder(sandbox)));
    EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to " + server + " for P, ret=210061"));
  }
}

TEST(HeldJobs, AJobThatCannotBeKeptStaysInPlace) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  SetKeeping(sandbox, "dword:00000001");
  WriteFileText(HeldFolder(sandbox), "a file where the held folder belongs");
  const std::string server = ClosedServer();
  sandbox.WriteTable("P\t127.0.0.1\t" + server.substr(10) + "\t2\r\n");
  const std::string job = sandbox.MakeJob("job.prn", "keep me");

  sandbox.Run({job, "P"});

  EXPECT_EQ(ReadFileText(job), "keep me");
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Sent " + job + " to " + server + " for P, ret=210061",
                                                 "Could not keep " + job + " for a resend, error 3"));
}

TEST(HeldJobs, FailedSendBesideALocalCopyKeepsTheJobAndOneCopy) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  SetKeeping(sandbox, "dword:00000001");
  const std::string server = ClosedServer();
  const std::string copies = sandbox.base() + "/copies";
  sandbox.WriteTable("P\t127.0.0.1\t" + server.substr(10) + "\t2\r\nP\t" + LocalCopySentinelHost + "\t" + copies +
                     "\t0\r\n");
  const std::string job = sandbox.MakeJob("job.prn", "mixed job");

  sandbox.Run({job, "P"});

  const std::vector<std::string> copied = ListFolder(copies);
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_EQ(ReadFileText(copies + "/" + copied[0]), "mixed job");
  ASSERT_EQ(Held(sandbox, ".prn").size(), 1u);
  EXPECT_EQ(ReadFileText(Held(sandbox, ".prn")[0]), "mixed job");
  EXPECT_THAT(ReadFileText(Held(sandbox, ".txt")[0]), HasSubstr("Send=" + server + "\tP\t2\t210061\t"));
  EXPECT_FALSE(PathExists(job));
}

TEST(HeldJobs, ResendUpdatesWhileFailingThenDeliversOnceAndCleansUp) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  SetKeeping(sandbox, "dword:00000001");
  FakeSpooler spooler(Answer(77));
  sandbox.WriteTable("P\t127.0.0.1\t" + std::to_string(spooler.port()) + "\t5\r\n");
  sandbox.Run({sandbox.MakeJob("job.prn", "fiscal document"), "P"});
  ASSERT_EQ(Held(sandbox, ".prn").size(), 1u);
  const std::string held = Held(sandbox, ".prn")[0];
  const std::string companion = Held(sandbox, ".txt")[0];

  const RouterRun listed = Resend(sandbox, {"--dry-run"});
  EXPECT_EQ(listed.exitCode, 1u);
  EXPECT_THAT(listed.standardOutput, HasSubstr(held));
  EXPECT_THAT(listed.standardOutput, HasSubstr(spooler.server() + " for P, time-out 5, ret=77"));

  spooler.SetBehaviour(Answer(78));
  EXPECT_EQ(Resend(sandbox, {"--all"}).exitCode, 1u);
  EXPECT_THAT(ReadFileText(companion), HasSubstr("\tP\t5\t78\t"));

  spooler.SetBehaviour(Answer(0));
  const std::string name = held.substr(held.rfind('/') + 1);
  EXPECT_EQ(Resend(sandbox, {name}).exitCode, 0u);

  EXPECT_THAT(Bodies(spooler), ElementsAre("fiscal document", "fiscal document", "fiscal document"));
  EXPECT_FALSE(PathExists(held));
  EXPECT_FALSE(PathExists(companion));
  const std::vector<std::string> log = sandbox.LogMessages();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Resent " + held + " to " + spooler.server() + " for P, ret=-13");
  EXPECT_EQ(log.back(), "Removed held job " + held + ", every send succeeded");
  EXPECT_EQ(Resend(sandbox, {"--dry-run"}).exitCode, 0u);
  EXPECT_EQ(Resend(sandbox, {"--all"}).exitCode, 0u);
  EXPECT_EQ(spooler.requests().size(), 3u);
}

TEST(HeldJobs, ResendTakesTheOldestJobFirst) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  SetKeeping(sandbox, "dword:00000001");
  FakeSpooler spooler(Answer(77));
  sandbox.WriteTable("P\t127.0.0.1\t" + std::to_string(spooler.port()) + "\t5\r\n");
  for (const char* second : {"31", "30", "32"}) {
    sandbox.Run({sandbox.MakeJob(std::string("job") + second, second), "P"},
                {{"CORVANTA_TEST_LOCAL_TIME", std::string("2025-03-14 10:20:") + second + ".000"}});
  }
  spooler.SetBehaviour(Answer(0));
  EXPECT_EQ(Resend(sandbox, {"--all"}).exitCode, 0u);
  EXPECT_THAT(Bodies(spooler), ElementsAre("31", "30", "32", "30", "31", "32"));
}

TEST(HeldJobs, TwoResendRunsAtOnceSendEachJobOnce) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  SetKeeping(sandbox, "dword:00000001");
  FakeSpooler spooler(Answer(77));
  sandbox.WriteTable("P\t127.0.0.1\t" + std::to_string(spooler.port()) + "\t5\r\n");
  constexpr int kJobs = 16;
  for (int i = 0; i < kJobs; ++i) sandbox.Run({sandbox.MakeJob("job" + std::to_string(i), std::to_string(i)), "P"});
  ASSERT_EQ(Held(sandbox, ".prn").size(), static_cast<std::size_t>(kJobs));
  spooler.SetBehaviour(Answer(0));

  sandbox.UseProgram(BUILT_RESEND);
  platform::ChildProcess first, second;
  ASSERT_TRUE(sandbox.Start(first, {"--all"}, {}, sandbox.base() + "/first.txt"));
  ASSERT_TRUE(sandbox.Start(second, {"--all"}, {}, sandbox.base() + "/second.txt"));
  EXPECT_TRUE(first.Wait(60000));
  EXPECT_TRUE(second.Wait(60000));

  std::map<std::string, int> resent;
  const std::vector<std::string> bodies = Bodies(spooler);
  for (std::size_t i = kJobs; i < bodies.size(); ++i) ++resent[bodies[i]];
  EXPECT_EQ(resent.size(), static_cast<std::size_t>(kJobs));
  for (const auto& [body, count] : resent) EXPECT_EQ(count, 1) << "job " << body;
  EXPECT_TRUE(Held(sandbox, ".prn").empty());
}

TEST(HeldJobs, ResendNeverSendsWhatALinkInTheHeldFolderPointsAt) {
  RouterSandbox sandbox(ClientLibrary::Missing);
  sandbox.UseProgram(BUILT_ROUTER);
  FakeSpooler spooler(Answer(0));
  const std::string folder = HeldFolder(sandbox);
  std::filesystem::create_directories(folder);
  WriteFileText(sandbox.base() + "/secret", "not a job");
  std::filesystem::create_symlink(sandbox.base() + "/secret", folder + "/x.prn");
  WriteFileText(folder + "/x.txt", "Job=/j\r\nHeld=" + std::string(kStamp) + "\r\nSend=" + spooler.server() +
                                       "\tP\t5\t210061\t" + kStamp + "\r\n");

  const RouterRun run = Resend(sandbox, {"--all"});

  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(spooler.connections(), 0u);
  EXPECT_THAT(sandbox.LogMessages(), ElementsAre("Could not resend " + folder + "/x.prn: cannot be opened, error 5"));
  EXPECT_TRUE(PathExists(folder + "/x.txt"));
}

TEST(HeldJobs, ResendKilledAtAnyPointLosesNothing) {
  for (const char* point : {"locked", "sent", "updated", "job-deleted"}) {
    SCOPED_TRACE(point);
    RouterSandbox sandbox(ClientLibrary::Missing);
    sandbox.UseProgram(BUILT_ROUTER);
    SetKeeping(sandbox, "dword:00000001");
    FakeSpooler first(Answer(77)), second(Answer(77));
    sandbox.WriteTable("P\t127.0.0.1\t" + std::to_string(first.port()) + "\t5\r\nP\t127.0.0.1\t" +
                       std::to_string(second.port()) + "\t5\r\n");
    sandbox.Run({sandbox.MakeJob("job.prn", "precious"), "P"});
    first.SetBehaviour(Answer(0));
    second.SetBehaviour(Answer(0));

    EXPECT_EQ(Resend(sandbox, {"--all"}, {{"CORVANTA_TEST_RESEND_CRASH", point}}).exitCode, 137u);
    // Until both back ends have the job, the job and its companion are still held.
    if (first.requests().size() < 2 || second.requests().size() < 2) {
      ASSERT_EQ(Held(sandbox, ".prn").size(), 1u);
      EXPECT_EQ(ReadFileText(Held(sandbox, ".prn")[0]), "precious");
      EXPECT_EQ(Held(sandbox, ".txt").size(), 1u);
    }

    EXPECT_EQ(Resend(sandbox, {"--all"}).exitCode, 0u);
    EXPECT_TRUE(Held(sandbox, ".prn").empty());
    for (FakeSpooler* spooler : {&first, &second}) {
      const std::vector<std::string> bodies = Bodies(*spooler);
      ASSERT_GE(bodies.size(), 2u);
      EXPECT_EQ(bodies.back(), "precious");
    }
  }
}

}  // namespace
}  // namespace router_test
