#include "standins/monitor/tests/rdxport_test_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "standins/monitor/monitor_settings.h"
#include "support/platform/child_process.h"
#include "support/platform/files.h"
#include "support/platform/registry.h"

namespace fs = std::filesystem;

std::string BinaryJob(std::size_t size) {
  std::string data;
  data.reserve(size);
  std::mt19937 random(42);
  const std::string pattern("\x1b%-12345X@PJL\r\n\0\r\xff\x00\x7f", 19);
  while (data.size() < size) {
    data += pattern;
    data.push_back(static_cast<char>(random() & 0xff));
  }
  data.resize(size);
  return data;
}

void RdxportTest::SetUp() {
  std::random_device seed;
  const fs::path folder = fs::temp_directory_path() / ("rdxport-test-" + std::to_string(seed()));
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms(0755));
  root_ = folder.string();
  ::setenv("CORVANTA_ROOT", root_.c_str(), 1);
  monitorDir_ = root_ + "/var/lib/Corvanta/rdx64mon";
  recordDir_ = root_ + "/records";
  fs::create_directories(monitorDir_);
  fs::create_directories(recordDir_);
  fs::create_directories(root_ + "/etc/corvanta");
}

void RdxportTest::TearDown() {
  for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) {
    std::system(("umount '" + *it + "' 2>/dev/null").c_str());
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  ::unsetenv("CORVANTA_ROOT");
}

void RdxportTest::SetMonitorSettings(const std::string& portCommand, const std::string& firstTempDir) {
  platform::RegistryKey key;
  ASSERT_EQ(platform::RegistryKey::Create(kMonitorKeyPath, key), 0);
  if (!portCommand.empty()) {
    ASSERT_EQ(key.SetValue(kPortCommandValue, platform::kRegSz, portCommand.data(),
                           static_cast<uint32_t>(portCommand.size())),
              0);
  }
  if (!firstTempDir.empty()) {
    ASSERT_EQ(key.SetValue(kFirstTempDirValue, platform::kRegSz, firstTempDir.data(),
                           static_cast<uint32_t>(firstTempDir.size())),
              0);
  }
}

void RdxportTest::AddPort(const std::string& port) {
  platform::RegistryKey key;
  ASSERT_EQ(platform::RegistryKey::Create(kMonitorPortsKeyPath, key), 0);
  ASSERT_EQ(key.SetString(port, ""), 0);
}

std::string RdxportTest::RecorderCommand(const std::string& options) const {
  return "\"" RDXPORT_RECORDER_PATH "\" \"" + recordDir_ + "\" " + options + " \"%1\" \"%2\" \"%3\"";
}

BackendRun RdxportTest::RunBackend(const std::vector<std::string>& args,
                                   const std::map<std::string, std::string>& environment,
                                   const std::string& input) const {
  platform::ChildProcessOptions options;
  options.clearEnvironment = true;
  options.environment = {{"CORVANTA_ROOT", root_}, {"PATH", "/usr/bin:/bin"}};
  for (const auto& [name, value] : environment) options.environment.emplace_back(name, value);
  options.standardInput = input;
  options.standardOutput = root_ + "/backend.out";
  options.standardError = root_ + "/backend.err";
  std::vector<std::string> argv{RDXPORT_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  BackendRun run;
  platform::ChildProcess backend;
  if (!backend.Start(argv, options)) {
    ADD_FAILURE() << "cannot start " << RDXPORT_PATH;
    return run;
  }
  if (!backend.Wait(60000, &run.exitCode)) ADD_FAILURE() << "the backend did not end within a minute";
  platform::ReadWholeFile(options.standardOutput, run.output);
  platform::ReadWholeFile(options.standardError, run.errors);
  return run;
}

BackendRun RdxportTest::RunJob(const std::vector<std::string>& args, const std::string& input) const {
  return RunBackend(args, {{"DEVICE_URI", "rdxport:/RPT1:"}, {"PRINTER", "Invoices"}}, input);
}

std::vector<RecordedRun> RdxportTest::Records() const {
  std::vector<RecordedRun> records;
  for (const auto& name : FilesIn(recordDir_)) {
    if (!name.ends_with(".args")) continue;
    std::string text;
    EXPECT_TRUE(platform::ReadWholeFile(recordDir_ + "/" + name, text));
    RecordedRun record;
    std::size_t start = 0;
    for (std::size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', start)) {
      record.args.push_back(text.substr(start, nul - start));
      start = nul + 1;
    }
    platform::ReadWholeFile(recordDir_ + "/" + name + ".job", record.job);
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<std::string> RdxportTest::FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string RdxportTest::WriteInput(const std::string& name, const std::string& content) const {
  const std::string path = root_ + "/" + name;
  EXPECT_TRUE(platform::ReplaceFileAtomically(path, content, 0644));
  return path;
}

bool RdxportTest::MountSmallTmpfs(const std::string& folder, bool readOnly) {
  if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + folder + "' 2>/dev/null").c_str()) != 0) return false;
  mounts_.push_back(folder);
  if (readOnly && std::system(("mount -o remount,ro '" + folder + "' 2>/dev/null").c_str()) != 0) return false;
  return true;
}
