// Many routers at once on one table: whole log lines, distinct proxy names,
// every counter update kept, distinct local-copy and import names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <set>

#include "tests/router/router_sandbox.h"

namespace router_test {
namespace {

namespace fs = std::filesystem;

constexpr int kRouters = 48;

TEST(RouterConcurrency, FortyEightRoutersShareLogCounterAndFolders) {
  RouterSandbox sandbox;
  const std::string out = sandbox.base() + "/out";
  const std::string imports = sandbox.base() + "/imports";
  sandbox.WriteQuilletSettings("<Quillet><Quill><ImportPath>" + imports + "</ImportPath></Quill></Quillet>");
  sandbox.WriteTable("P\tproxy:10.0.0.5\t20004\t\r\n"
                     "P\tlocalcopy.invalid\t" + out + "\t\r\n"
                     "P\t127.0.0.1\t9\t1\r\n"
                     "P\tquillet:1\t\t\r\n");
  std::vector<std::string> jobs;
  std::set<std::string> contents;
  for (int i = 0; i < kRouters; ++i) {
    const std::string content = "job number " + std::to_string(i) + std::string(static_cast<std::size_t>(i) * 997, 'j');
    jobs.push_back(sandbox.MakeJob("job-" + std::to_string(i), content));
    contents.insert(content);
  }

  // One tick count for all: every router starts from the same local-copy and import names.
  const Environment environment = {{"CORVANTA_TEST_TICK_COUNT", "5000"}};
  std::vector<std::unique_ptr<platform::ChildProcess>> routers;
  for (int i = 0; i < kRouters; ++i) {
    routers.push_back(std::make_unique<platform::ChildProcess>());
    ASSERT_TRUE(sandbox.Start(*routers.back(), {jobs[i], "P"}, environment,
                              sandbox.base() + "/stderr-" + std::to_string(i) + ".txt"));
  }
  for (auto& router : routers) {
    uint32_t exitCode = 1;
    ASSERT_TRUE(router->Wait(120000, &exitCode)) << "a router did not end";
    EXPECT_EQ(exitCode, 0u);
  }

  // Log: one whole line per router, none interleaved.
  const std::vector<std::string> lines = sandbox.LogLines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRouters));
  const std::regex whole(std::string(kLogStamp) + "Sent " + sandbox.base() +
                         "/jobs/job-([0-9]+) to 127\\.0\\.0\\.1:9 for P, ret=-13");
  std::set<int> logged;
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
    logged.insert(std::stoi(match[1]));
  }
  EXPECT_EQ(logged.size(), static_cast<std::size_t>(kRouters));

  // Proxy: one run id, sequences 1..48, each .dat complete and paired.
  std::set<std::string> dataFiles, companions;
  std::string runId;
  std::set<std::string> proxied;
  for (const std::string& name : ListFolder(sandbox.proxyFolder())) {
    ASSERT_NE(name[0], '.') << "temporary file left behind: " << name;
    const auto underscore = name.find('_');
    ASSERT_NE(underscore, std::string::npos) << name;
    if (runId.empty()) runId = name.substr(0, underscore);
    EXPECT_EQ(name.substr(0, underscore), runId);
    const std::string base = name.substr(0, name.size() - 4);
    if (name.ends_with(".dat")) {
      dataFiles.insert(base);
      proxied.insert(ReadFileText(sandbox.proxyFolder() + "/" + name));
    } else {
      companions.insert(base);
      EXPECT_EQ(ReadFileText(sandbox.proxyFolder() + "/" + name), "HostPort=10.0.0.5:20004\r\nKeyword=P\r\n");
    }
  }
  std::set<std::string> expectedNames;
  for (int i = 1; i <= kRouters; ++i) expectedNames.insert(runId + "_" + std::to_string(i));
  EXPECT_EQ(dataFiles, expectedNames);
  EXPECT_EQ(companions, expectedNames);
  EXPECT_EQ(proxied, contents);
  const std::string counter = ReadFileText(sandbox.counterPath());
  ASSERT_EQ(counter.size(), 8u);
  EXPECT_EQ(static_cast<unsigned char>(counter[4]), kRouters);

  // Local copies and imports: distinct names, every job once, nothing partial.
  for (const std::string& folder : {out, imports}) {
    SCOPED_TRACE(folder);
    std::set<std::string> copied;
    const auto names = ListFolder(folder);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kRouters));
    for (const std::string& name : names) {
      EXPECT_TRUE(name.starts_with("5000")) << name;
      copied.insert(ReadFileText(folder + "/" + name));
    }
    EXPECT_EQ(copied, contents);
  }

  EXPECT_EQ(sandbox.Calls().size(), static_cast<std::size_t>(kRouters));
  for (const std::string& job : jobs) EXPECT_FALSE(PathExists(job));
}

}  // namespace
}  // namespace router_test
