#pragma once
// What the setup tool's tests share: a private installation root, a recorder
// of the messages the tool shows, stand-in programs that log their runs, and
// a small tmpfs mount for file-system failures.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/file_text.h"
#include "tests/common/private_root.h"
#include "tests/common/tmpfs_mount.h"

namespace setup_test {

using corvanta_test::PrivateRoot;
using corvanta_test::ReadFileText;
using corvanta_test::ReadLines;
using corvanta_test::ScopedEnv;
using corvanta_test::TempFolder;
using corvanta_test::TmpfsMount;
using corvanta_test::WriteFileText;

struct RecordedMessage {
  std::string caption;
  std::string text;
  int32_t flags;
};

// Takes over the message-box seam and records every message (answering
// OK); the default handler is back when it goes away.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<RecordedMessage> messages() const;
  std::vector<std::string> texts() const;
  void clear();
};

// Writes an executable shell script `path` that appends its name and its
// arguments, one line per run, to `logPath`, then runs `extra` (shell code).
void WriteRecordingProgram(const std::string& path, const std::string& logPath, const std::string& extra = {});

// A folder laid out as beside the setup program: pm64/setup and
// pm64/unrdx64 as recording programs, both logging to log().
class FakeProgramFolder {
 public:
  FakeProgramFolder();
  const std::string& path() const { return folder_.path(); }
  std::string log() const { return folder_ / "installers.log"; }
  std::string operator/(const std::string& name) const { return folder_ / name; }
  // The lines logged so far ("setup", "unrdx64").
  std::vector<std::string> runs() const;

 private:
  TempFolder folder_;
};

// True when this process runs as root (the tests' usual case).
bool RunningAsRoot();

}  // namespace setup_test
