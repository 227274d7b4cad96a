#pragma once
// A private installation for running the rdxport backend as the print
// spooler does: a temporary CORVANTA_ROOT with the monitor's registry
// settings, a monitor directory, and a recording port command.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct BackendRun {
  uint32_t exitCode = 0;
  std::string output;  // standard output
  std::string errors;  // standard error: the spooler's error log
};

struct RecordedRun {
  std::vector<std::string> args;  // job file, printer, title, ...
  std::string job;                // the job file's content when the command ran
};

class RdxportTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Stores the monitor's settings as the setup tool does (no terminating NUL);
  // an empty text leaves the value out.
  void SetMonitorSettings(const std::string& portCommand, const std::string& firstTempDir);
  void AddPort(const std::string& port);
  // A PortCommand that records each run in recordDir_; `options` go to the recorder.
  std::string RecorderCommand(const std::string& options = "") const;

  // Runs the backend with a bare environment plus `environment`, the job
  // arguments `args` (empty: the device listing) and `input` as standard input.
  BackendRun RunBackend(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                        const std::string& input = "/dev/null") const;
  // RunBackend for a job on RPT1: for printer "Invoices".
  BackendRun RunJob(const std::vector<std::string>& args, const std::string& input = "/dev/null") const;

  std::vector<RecordedRun> Records() const;
  static std::vector<std::string> FilesIn(const std::string& folder);
  std::string WriteInput(const std::string& name, const std::string& content) const;
  // Mounts a small tmpfs on `folder` (read-only when asked); false when not allowed here.
  bool MountSmallTmpfs(const std::string& folder, bool readOnly);

  std::string root_;
  std::string monitorDir_;
  std::string recordDir_;
  std::vector<std::string> mounts_;
};

// Bytes no text tool keeps intact: NULs, CR LF, a lone CR, 0xFF, escape codes.
std::string BinaryJob(std::size_t size);
