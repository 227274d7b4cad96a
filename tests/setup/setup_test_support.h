#pragma once
// What the setup tool's tests share: a private installation root, a recorder
// of the messages the tool shows, stand-in programs that log their runs, and
// a small tmpfs mount for file-system failures.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup_test {

// A fresh folder below /tmp, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) one environment variable until destroyed.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// CORVANTA_ROOT pointed at a fresh folder for the owner's lifetime.
class PrivateRoot {
 public:
  PrivateRoot() : environment_("CORVANTA_ROOT", folder_.path()) {}
  const std::string& path() const { return folder_.path(); }
  std::string operator/(const std::string& name) const { return folder_ / name; }

 private:
  TempFolder folder_;
  ScopedEnvironment environment_;
};

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

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
std::vector<std::string> ReadLines(const std::string& path);

// Runs `argv` and waits; its exit status, or nullopt when it cannot start.
std::optional<uint32_t> Run(const std::vector<std::string>& argv);

// A tmpfs of 64 KiB mounted on `folder` (created when missing); unmounted at
// the end. mounted() is false when this machine does not let us mount.
class TmpfsMount {
 public:
  explicit TmpfsMount(std::string folder);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool mounted() const { return mounted_; }
  // Remounts read-only; false when that fails.
  bool MakeReadOnly();

 private:
  std::string folder_;
  bool mounted_ = false;
};

// True when this process runs as root (the tests' usual case).
bool RunningAsRoot();

}  // namespace setup_test
