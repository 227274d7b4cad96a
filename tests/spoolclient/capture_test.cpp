// Request capture, switched by the NeedCapture setting read at every request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support/platform/registry.h"
#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearSettings();
    std::filesystem::remove_all(Root().LogFolder());
  }
  void TearDown() override {
    ::unsetenv("CORVANTA_TEST_RANDOM");
    ClearSettings();
  }

  static std::vector<std::string> CaptureFiles() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Root().LogFolder(), error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("dll", 0) != 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(CaptureTest, EachRequestLeavesAPairWhileTheSettingIsOn) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  const std::string job = MakeFile("captured.job", "job bytes");
  char out[8];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("OFF", spooler.server().c_str(), job.c_str(), 0, out, &length, 5, 2), 0);
  EXPECT_TRUE(CaptureFiles().empty());

  SetDwordSetting("NeedCapture", 1);
  length = sizeof out;
  EXPECT_EQ(Api().maicomm4(3, 4, "FILE", spooler.server().c_str(), job.c_str(), 0, out, &length, 5, 2), 0);
  auto files = CaptureFiles();
  ASSERT_EQ(files.size(), 2u);
  const std::string number = files[0].substr(0, files[0].size() - 4);
  EXPECT_EQ(files[0], number + ".bin");
  EXPECT_EQ(files[1], number + ".txt");
  // With inlen 0 the .bin file holds the input text (the path), not the file.
  EXPECT_EQ(ReadFileText(Root().LogFolder() + "/" + files[0]), job);
  EXPECT_TRUE(std::regex_match(
      ReadFileText(Root().LogFolder() + "/" + files[1]),
      std::regex("sd=[0-9]+ stationId=3 requestId=4 stringId=FILE inlen=0 bufsize=8 timeout=5 ex_command=2")));

  length = sizeof out;
  EXPECT_EQ(Api().maicomm3("BLOCK", spooler.server().c_str(), "abc\0def", 7, out, &length, 5, 0), 0);
  files = CaptureFiles();
  ASSERT_EQ(files.size(), 4u);
  bool blockFound = false;
  for (const auto& name : files) blockFound |= ReadFileText(Root().LogFolder() + "/" + name) == std::string("abc\0def", 7);
  EXPECT_TRUE(blockFound);

  // A string value is not a DWORD: ignored, so capture is off again.
  SetStringSetting("NeedCapture", "1");
  length = sizeof out;
  EXPECT_EQ(Api().maicomm3("STR", spooler.server().c_str(), "QUERY_ALL", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(CaptureFiles().size(), 4u);
}

TEST_F(CaptureTest, ExistingPairIsNeverReplacedAndTheRequestGoesOn) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  SetDwordSetting("NeedCapture", 1);
  // Every draw gives 4242: the second request finds 4242.bin taken on all
  // 1000 attempts and runs without capture.
  ::setenv("CORVANTA_TEST_RANDOM", "4242", 1);
  char out[8];
  int32_t length = sizeof out;
  EXPECT_EQ(Api().maicomm3("ONE", spooler.server().c_str(), "QUERY_ALL", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(CaptureFiles(), (std::vector<std::string>{"4242.bin", "4242.txt"}));
  length = sizeof out;
  EXPECT_EQ(Api().maicomm3("TWO", spooler.server().c_str(), "QUERY_SEIRA", 0, out, &length, 5, 0), 0);
  EXPECT_EQ(CaptureFiles(), (std::vector<std::string>{"4242.bin", "4242.txt"}));
  EXPECT_EQ(ReadFileText(Root().LogFolder() + "/4242.bin"), "QUERY_ALL");
  EXPECT_TRUE(spooler.WaitForRequests(2));
}

}  // namespace
}  // namespace spooltest
