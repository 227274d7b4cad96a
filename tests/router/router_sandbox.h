#pragma once
// A throw-away installation for running the built router as a separate
// process: its own CORVANTA_ROOT, a copy of the program beside a chosen
// client library, a fixed local date, and helpers to read what a run left.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/platform/child_process.h"
#include "tests/common/file_text.h"
#include "tests/common/temp_folder.h"

namespace router_test {

using Environment = std::vector<std::pair<std::string, std::string>>;

// Which client library the copied program finds beside itself.
enum class ClientLibrary { Recording, WithoutEntry, Missing };

struct RouterRun {
  uint32_t exitCode = 0;
  std::string standardError;
  std::string standardOutput;
};

// One _maicomm3 call as the recording library saw it.
struct LibraryCall {
  std::string id, server, input;
  int inlen = 0;
  std::string output;  // "null" or "buffer"
  std::string bufsize;  // the value pointed at, or "null"
  int timeout = 0;
  int command = 0;
  long long inputSize = -1;  // -1: the input file could not be read
};

inline constexpr const char* kLocalTime = "2025-03-14 10:20:30.000";
inline constexpr const char* kLogStamp = "2025-03-14 10:20:30 ";

class RouterSandbox {
 public:
  explicit RouterSandbox(ClientLibrary library = ClientLibrary::Recording);
  ~RouterSandbox();
  RouterSandbox(const RouterSandbox&) = delete;
  RouterSandbox& operator=(const RouterSandbox&) = delete;

  const std::string& base() const { return base_.path(); }
  const std::string& root() const { return root_; }
  const std::string& program() const { return program_; }
  std::string configFolder() const { return root_ + "/etc/corvanta"; }
  std::string tablePath() const { return configFolder() + "/kvp64exe.dat"; }
  std::string quilletSettingsPath() const { return configFolder() + "/Quillet.xml"; }
  std::string dataDir() const { return root_ + "/var/lib/Corvanta"; }
  std::string stampline() const { return dataDir() + "/Stampline"; }
  std::string logPath() const { return stampline() + "/rdx6420250314.txt"; }
  std::string proxyFolder() const { return stampline() + "/proxydata"; }
  std::string counterPath() const { return stampline() + "/PROXYDATA.dat"; }

  // Makes copies of the client library installed on this machine invisible
  // to the runs (each run gets a mount namespace of its own in which they
  // are masked), so that a run finds no library at all. False when there are
  // copies and they cannot be hidden.
  bool HideInstalledClientLibraries();

  // Runs the program from another place (the build's own copy, say).
  void UseProgram(const std::string& path) { program_ = path; }
  // Runs the program in `folder` (default: the test's own working folder).
  void UseWorkingFolder(const std::string& folder) { workingFolder_ = folder; }

  void WriteTable(const std::string& content) const;
  void WriteQuilletSettings(const std::string& content) const;
  // A job file under base()/jobs with `content`; returns its path.
  std::string MakeJob(const std::string& name, const std::string& content = "%!PS job\n") const;

  // Runs the router with `arguments` (after the program path) and waits for
  // it (failing the test when it does not end within a minute).
  RouterRun Run(const std::vector<std::string>& arguments, const Environment& extra = {}, bool asNobody = false);
  // Starts a run without waiting; standard error goes to `stderrPath`,
  // standard output to `stderrPath` + ".out".
  bool Start(platform::ChildProcess& child, const std::vector<std::string>& arguments, const Environment& extra,
             const std::string& stderrPath, bool asNobody = false) const;

  // The day's log (the fixed date) as lines without their CR LF; every line
  // must end with CR LF, or the test fails.
  std::vector<std::string> LogLines() const;
  // The log lines with the time stamp removed (each must carry it).
  std::vector<std::string> LogMessages() const;
  std::vector<LibraryCall> Calls() const;

  // Makes the whole sandbox usable by an unprivileged user.
  void OpenToEveryone() const;

  // Mounts a tmpfs of `size` (e.g. "64k") at `folder` (created when
  // missing), unmounted when the sandbox goes. False when mounting is not
  // possible here.
  bool MountTmpfs(const std::string& folder, const std::string& size);
  bool BindMount(const std::string& source, const std::string& target);
  // Mounts the file-system image `image` at `folder` through a loop device,
  // unmounted when the sandbox goes.
  bool MountImage(const std::string& image, const std::string& folder);
  bool RemountReadOnly(const std::string& target);

 private:
  corvanta_test::TempFolder base_;
  std::string root_, program_, workingFolder_;
  std::vector<std::string> mounts_;
  std::vector<std::string> hidden_;
};

using corvanta_test::ListFolder;
using corvanta_test::PathExists;
using corvanta_test::ReadFileText;
using corvanta_test::WriteFileText;

// Runs a helper program (mount, setpriv...) and returns its exit code.
uint32_t RunTool(const std::vector<std::string>& argv);
// Splits at `separator`.
std::vector<std::string> SplitText(const std::string& text, char separator);

}  // namespace router_test
