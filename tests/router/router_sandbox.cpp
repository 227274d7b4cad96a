#include "tests/router/router_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/common/unprivileged.h"

namespace fs = std::filesystem;

namespace router_test {

namespace {

constexpr int kRunLimitMs = 60000;

platform::ChildProcessOptions OptionsFor(const RouterSandbox& sandbox, const Environment& extra) {
  platform::ChildProcessOptions options;
  // A bare environment, as a print backend gets; only what the run needs.
  options.clearEnvironment = true;
  for (const char* name : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) options.environment.emplace_back(name, value);
  }
  options.environment.emplace_back("CORVANTA_ROOT", sandbox.root());
  options.environment.emplace_back("CORVANTA_TEST_LOCAL_TIME", kLocalTime);
  options.environment.emplace_back("ROUTER_FAKE_CALLS", sandbox.base() + "/calls.txt");
  for (const auto& [name, value] : extra) {
    auto same = [&name](const auto& entry) { return entry.first == name; };
    options.environment.erase(std::remove_if(options.environment.begin(), options.environment.end(), same),
                              options.environment.end());
    options.environment.emplace_back(name, value);
  }
  return options;
}

}  // namespace

RouterSandbox::RouterSandbox(ClientLibrary library) {
  root_ = base_ / "root";
  fs::create_directories(root_ + "/etc/corvanta");
  fs::create_directories(root_ + "/var/lib/Corvanta/Stampline");
  fs::create_directories(base_.path() + "/jobs");
  fs::create_directories(base_.path() + "/bin");
  program_ = base_.path() + "/bin/rdx64run";
  fs::copy_file(ROUTER_PROGRAM, program_);
  if (library == ClientLibrary::Recording) fs::copy_file(FAKE_QTLAPI, base_.path() + "/bin/libqtlapi.so");
  if (library == ClientLibrary::WithoutEntry) fs::copy_file(NO_ENTRY_QTLAPI, base_.path() + "/bin/libqtlapi.so");
}

RouterSandbox::~RouterSandbox() {
  for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) {
    if (RunTool({"umount", *it}) != 0) RunTool({"umount", "-l", *it});
  }
}

void RouterSandbox::WriteTable(const std::string& content) const { WriteFileText(tablePath(), content); }

void RouterSandbox::WriteQuilletSettings(const std::string& content) const {
  WriteFileText(quilletSettingsPath(), content);
}

std::string RouterSandbox::MakeJob(const std::string& name, const std::string& content) const {
  const std::string path = base_.path() + "/jobs/" + name;
  WriteFileText(path, content);
  return path;
}

bool RouterSandbox::HideInstalledClientLibraries() {
  hidden_.clear();
  for (const char* folder : {"/usr/lib", "/usr/local/lib", "/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu",
                             "/usr/lib64", "/lib64"}) {
    for (const std::string& name : ListFolder(folder)) {
      const std::string path = std::string(folder) + "/" + name;
      if (name.starts_with("libqtlapi.so") && !fs::is_symlink(path)) hidden_.push_back(path);
    }
  }
  if (hidden_.empty()) return true;
  // Check once that a private mount namespace can be had here.
  return RunTool({"unshare", "--mount", "--propagation", "private", "--", "mount", "--bind", "/dev/null",
                  hidden_.front()}) == 0;
}

bool RouterSandbox::Start(platform::ChildProcess& child, const std::vector<std::string>& arguments,
                          const Environment& extra, const std::string& stderrPath, bool asNobody) const {
  std::vector<std::string> argv;
  if (!hidden_.empty()) {
    std::string script;
    for (const std::string& path : hidden_) script += "mount --bind /dev/null '" + path + "' && ";
    script += "exec \"$@\"";
    argv = {"unshare", "--mount", "--propagation", "private", "--", "sh", "-c", script, "sh"};
  }
  std::vector<std::string> command{program_};
  command.insert(command.end(), arguments.begin(), arguments.end());
  if (asNobody) command = corvanta_test::AsUnprivilegedUser(command);
  argv.insert(argv.end(), command.begin(), command.end());
  platform::ChildProcessOptions options = OptionsFor(*this, extra);
  options.standardInput = "/dev/null";
  options.standardError = stderrPath;
  options.workingFolder = workingFolder_;
  options.standardOutput = stderrPath + ".out";
  return child.Start(argv, options);
}

RouterRun RouterSandbox::Run(const std::vector<std::string>& arguments, const Environment& extra, bool asNobody) {
  RouterRun run;
  const std::string stderrPath = base_.path() + "/stderr.txt";
  platform::ChildProcess child;
  if (!Start(child, arguments, extra, stderrPath, asNobody)) {
    ADD_FAILURE() << "cannot start " << program_;
    run.exitCode = 999;
    return run;
  }
  if (!child.Wait(kRunLimitMs, &run.exitCode)) {
    ADD_FAILURE() << "the router did not end within " << kRunLimitMs << " ms";
    child.Terminate(0);
    run.exitCode = 998;
  }
  run.standardError = ReadFileText(stderrPath);
  run.standardOutput = ReadFileText(stderrPath + ".out");
  return run;
}

std::vector<std::string> RouterSandbox::LogLines() const {
  std::vector<std::string> lines;
  if (!PathExists(logPath())) return lines;
  const std::string text = ReadFileText(logPath());
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log ends without CR LF: " << text.substr(start);
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> RouterSandbox::LogMessages() const {
  std::vector<std::string> messages;
  const std::string stamp = kLogStamp;
  for (const std::string& line : LogLines()) {
    if (line.compare(0, stamp.size(), stamp) != 0) {
      ADD_FAILURE() << "log line without the time stamp: " << line;
      messages.push_back(line);
    } else {
      messages.push_back(line.substr(stamp.size()));
    }
  }
  return messages;
}

std::vector<LibraryCall> RouterSandbox::Calls() const {
  std::vector<LibraryCall> calls;
  const std::string path = base_.path() + "/calls.txt";
  if (!PathExists(path)) return calls;
  for (const std::string& line : SplitText(ReadFileText(path), '\n')) {
    if (line.empty()) continue;
    const std::vector<std::string> f = SplitText(line, '\t');
    if (f.size() != 9) {
      ADD_FAILURE() << "malformed call record: " << line;
      continue;
    }
    LibraryCall call;
    call.id = f[0];
    call.server = f[1];
    call.input = f[2];
    call.inlen = std::stoi(f[3]);
    call.output = f[4];
    call.bufsize = f[5];
    call.timeout = std::stoi(f[6]);
    call.command = std::stoi(f[7]);
    call.inputSize = std::stoll(f[8]);
    calls.push_back(call);
  }
  return calls;
}

void RouterSandbox::OpenToEveryone() const {
  fs::permissions(base_.path(), fs::perms::all);
  for (const auto& entry : fs::recursive_directory_iterator(base_.path())) {
    if (entry.is_symlink()) continue;
    if (entry.is_directory()) {
      fs::permissions(entry.path(), fs::perms::all);
    } else {
      fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                        fs::perms::group_write | fs::perms::others_read | fs::perms::others_write,
                      fs::perm_options::add);
    }
  }
}

bool RouterSandbox::MountTmpfs(const std::string& folder, const std::string& size) {
  fs::create_directories(folder);
  if (RunTool({"mount", "-t", "tmpfs", "-o", "size=" + size + ",mode=0777", "tmpfs", folder}) != 0) return false;
  mounts_.push_back(folder);
  return true;
}

bool RouterSandbox::BindMount(const std::string& source, const std::string& target) {
  if (RunTool({"mount", "--bind", source, target}) != 0) return false;
  mounts_.push_back(target);
  return true;
}

bool RouterSandbox::MountImage(const std::string& image, const std::string& folder) {
  fs::create_directories(folder);
  if (RunTool({"mount", "-o", "loop", image, folder}) != 0) return false;
  mounts_.push_back(folder);
  return true;
}

bool RouterSandbox::RemountReadOnly(const std::string& target) {
  return RunTool({"mount", "-o", "remount,ro,bind", target}) == 0 || RunTool({"mount", "-o", "remount,ro", target}) == 0;
}

uint32_t RunTool(const std::vector<std::string>& argv) {
  platform::ChildProcess child;
  platform::ChildProcessOptions options;
  options.standardInput = "/dev/null";
  options.standardOutput = "/dev/null";
  options.standardError = "/dev/null";
  if (!child.Start(argv, options)) return 127;
  uint32_t exitCode = 0;
  if (!child.Wait(30000, &exitCode)) return 124;
  return exitCode;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace router_test
