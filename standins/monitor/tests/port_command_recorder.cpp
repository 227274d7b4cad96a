// Stands in for the job router in the backend's tests. Command line:
//   rdxport_test_recorder RECORD_DIR [--delete] [--exit N] [--sleep-ms N] [--started FILE] ARG...
// Records ARG... (each followed by a NUL) in a new RECORD_DIR/run-XXXXXX.args
// and a copy of the job file (the first ARG) beside it as run-XXXXXX.args.job;
// --delete then removes the job file as the router does; --started creates
// FILE as soon as the recorder runs, so a test knows the command is under way.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/files.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string recordDir = argv[1];
  bool deleteJob = false;
  int exitCode = 0;
  int sleepMs = 0;
  std::string startedFile;
  int i = 2;
  for (; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--delete") {
      deleteJob = true;
    } else if (option == "--exit" && i + 1 < argc) {
      exitCode = std::atoi(argv[++i]);
    } else if (option == "--sleep-ms" && i + 1 < argc) {
      sleepMs = std::atoi(argv[++i]);
    } else if (option == "--started" && i + 1 < argc) {
      startedFile = argv[++i];
    } else {
      break;
    }
  }
  std::vector<std::string> args(argv + i, argv + argc);
  if (!startedFile.empty() && !platform::CreateFileNoReplace(startedFile, "")) return 7;
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));

  platform::FileHandle record;
  std::string recordPath;
  if (!platform::CreateUniqueFile(recordDir, "run-", ".args", record, recordPath)) return 3;
  if (!args.empty() && platform::FileExists(args[0])) {
    if (!platform::CopyFileNoReplace(args[0], recordPath + ".job")) return 4;
    if (deleteJob && !platform::DeleteFile(args[0])) return 5;
  }
  std::string text;
  for (const auto& arg : args) text += arg + '\0';
  if (!platform::WriteAll(record.get(), text.data(), text.size()) || !record.Close()) return 6;
  return exitCode;
}
