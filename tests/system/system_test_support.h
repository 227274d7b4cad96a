#pragma once
// Small helpers of the system tests: running a program to its end with its
// output captured, waiting for a condition with a limit, reading folders.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/file_text.h"

using EnvironmentList = std::vector<std::pair<std::string, std::string>>;

struct ProgramResult {
  bool started = false;
  bool ended = false;  // false: still running at the limit (then killed)
  uint32_t exitCode = 0;
  std::string output;  // standard output, then standard error
};

// Runs `argv` with `environment` added to ours; its output goes to scratch
// files in `scratchFolder`. Kills it after `timeoutMs`.
ProgramResult RunProgram(const std::vector<std::string>& argv, const EnvironmentList& environment,
                         const std::string& scratchFolder, int timeoutMs = 60000);

// Polls `condition` every 50 ms until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

using corvanta_test::LastLines;
using corvanta_test::ListFolder;
using corvanta_test::ReadFileText;

// The names in `folder` ending in `suffix`.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& suffix);
