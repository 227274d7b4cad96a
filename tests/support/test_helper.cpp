// The other process in the support tests. Usage: support_test_helper <command> ...
//   append <file> <tag> <threads> <lines>  append numbered lines under the range lock
//   registry-count <value> <count>          increment a DWORD of the test key <count> times
//   version <out>                           write GetFileVersionText(null) to <out>
//   tick <out>                              write the tick count and local time to <out>
//   args <out> [arg...]                     write each argument on a line of its own
//   copy <source> <target>                  CopyFileNoReplace; exit status is the last error
//   admin                                   exit status 1 when HasAdminRights(), else 0
//   exe-folder <out>                        write ExecutableFolder() to <out>
//   wait-forever                            sleep until killed
//   env <name> <out>                        write the value of variable <name> to <out>
//   abandon <path>                          create <path>, then remove it and exit 3 on SIGTERM
//   exit <n>                                end with status n
//   kill-self                               end by SIGKILL
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/clock.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/range_lock.h"
#include "support/platform/registry.h"
#include "support/platform/termination.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(2, 1, 0, 17, 2, 1, 0, 0, "Support test helper", "Corvanta");

namespace {

constexpr const char* kTestKey = "SOFTWARE\\Corvanta\\Test";

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// One line per lock: the line goes out in two writes, so only the lock keeps
// another writer from landing between its halves.
bool AppendLines(const std::string& file, const std::string& tag, int lines) {
  for (int i = 0; i < lines; ++i) {
    platform::FileHandle handle;
    if (!platform::OpenForAppend(file, handle)) return false;
    platform::RangeLock lock;
    if (!lock.Lock(handle.get(), 0, 32)) return false;
    const std::string head = tag + " " + std::to_string(i) + " ";
    const std::string tail = std::string(40, 'x') + " end\n";
    if (!platform::WriteAll(handle.get(), head.data(), head.size())) return false;
    std::this_thread::yield();
    if (!platform::WriteAll(handle.get(), tail.data(), tail.size())) return false;
  }
  return true;
}

int Append(const std::string& file, const std::string& tag, int threads, int lines) {
  std::vector<std::thread> workers;
  std::vector<char> ok(static_cast<std::size_t>(threads), 0);
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] { ok[t] = AppendLines(file, tag + "." + std::to_string(t), lines); });
  }
  for (auto& worker : workers) worker.join();
  for (char good : ok) {
    if (!good) return 1;
  }
  return 0;
}

int RegistryCount(const std::string& value, int count) {
  platform::RegistryKey key;
  if (platform::RegistryKey::Create(kTestKey, key) != 0) return 2;
  for (int i = 0; i < count; ++i) {
    uint32_t current = 0;
    const long rc = key.QueryDword(value, current);
    if (rc != 0 && rc != static_cast<long>(platform::kErrorFileNotFound)) return 3;
    if (key.SetDword(value, current + 1) != 0) return 4;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return 100;
  const std::string& command = args[0];
  if (command == "append" && args.size() == 5) {
    return Append(args[1], args[2], std::atoi(args[3].c_str()), std::atoi(args[4].c_str()));
  }
  if (command == "registry-count" && args.size() == 3) return RegistryCount(args[1], std::atoi(args[2].c_str()));
  if (command == "version" && args.size() == 2) {
    AnsiString text;
    GetFileVersionText(nullptr, text);
    WriteText(args[1], text);
    return 0;
  }
  if (command == "tick" && args.size() == 2) {
    const platform::SystemTime t = platform::GetLocalTime();
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%u %04d-%02d-%02d %02d:%02d:%02d.%03d %d", platform::GetTickCount(), t.year,
                  t.month, t.day, t.hour, t.minute, t.second, t.milliseconds, t.dayOfWeek);
    WriteText(args[1], buffer);
    return 0;
  }
  if (command == "args" && args.size() >= 2) {
    std::string text;
    for (std::size_t i = 2; i < args.size(); ++i) text += args[i] + "\n";
    WriteText(args[1], text);
    return 0;
  }
  if (command == "copy" && args.size() == 3) {
    if (platform::CopyFileNoReplace(args[1], args[2])) return 0;
    return static_cast<int>(platform::GetLastError() & 0xFF);
  }
  if (command == "admin") return HasAdminRights() ? 1 : 0;
  if (command == "exe-folder" && args.size() == 2) {
    WriteText(args[1], platform::ExecutableFolder());
    return 0;
  }
  if (command == "wait-forever") {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  if (command == "env" && args.size() == 3) {
    const char* value = std::getenv(args[1].c_str());
    WriteText(args[2], value != nullptr ? value : "(unset)");
    return 0;
  }
  if (command == "abandon" && args.size() == 2) {
    platform::AbandonOnTermination(args[1], 3);
    // The file appears only once the handler is in place, so the test knows
    // when a termination request will be handled.
    WriteText(args[1] + ".tmp", "partial");
    if (!platform::MoveFileNoReplace(args[1] + ".tmp", args[1])) return 2;
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  if (command == "exit" && args.size() == 2) return std::atoi(args[1].c_str());
  if (command == "kill-self") {
    std::raise(SIGKILL);
    return 0;
  }
  return 100;
}
