// The Win32 platform layer against the contracts of its headers, on a real
// (Wine) file system, registry and process table.
// Before <windows.h>: its macros would rename or clash with names in these.
#include "support/platform/files.h"
#include "support/system_helpers.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/platform/child_process.h"
#include "support/platform/clock.h"
#include "spoolclient/qtlapi.h"
#include "support/platform/directory_listing.h"
#include "support/platform/file_create.h"
#include "support/platform/file_io.h"
#include "support/platform/file_publish.h"
#include "support/platform/paths.h"
#include "support/platform/process.h"
#include "support/platform/range_lock.h"
#include "support/platform/registry.h"
#include "support/platform/shared_library.h"
#include "support/platform/system_info.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"
#include "support/version_record.h"
#include "tests/windows/windows_test_support.h"

#undef DeleteFile
#undef GetShortPathName

namespace windows_test {
namespace {

TEST(Win32Files, PublishingNeverReplacesAndLeavesNoTemporary) {
  struct Case {
    const char* name;
    bool (*publish)(const std::string& source, const std::string& target);
    bool sourceRemains;
  };
  const Case cases[] = {
      {"copy", platform::CopyFileNoReplace, true},
      {"move", platform::MoveFileNoReplace, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    WriteFileText(folder / "source", "new data");
    WriteFileText(folder / "taken", "old data");

    EXPECT_FALSE(c.publish(folder / "source", folder / "taken"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
    EXPECT_EQ(ReadFileText(folder / "taken"), "old data");

    ASSERT_TRUE(c.publish(folder / "source", folder / "fresh"));
    EXPECT_EQ(ReadFileText(folder / "fresh"), "new data");
    EXPECT_EQ(platform::FileExists(folder / "source"), c.sourceRemains);
    std::vector<std::string> expected = {"fresh", "taken"};
    if (c.sourceRemains) expected.insert(expected.begin() + 1, "source");
    EXPECT_EQ(ListFolder(folder.path()), expected);
  }
}

TEST(Win32Files, WholeFileWritesAndTheirRefusals) {
  TempFolder folder;
  WriteFileText(folder / "table", "old");
  ASSERT_TRUE(platform::ReplaceFileAtomically(folder / "table", "new table"));
  EXPECT_EQ(ReadFileText(folder / "table"), "new table");

  EXPECT_FALSE(platform::CreateFileNoReplace(folder / "table", "other"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  ASSERT_TRUE(platform::CreateFileNoReplace(folder / "made", "made"));
  EXPECT_EQ(ReadFileText(folder / "made"), "made");

  platform::FileHandle unique;
  std::string uniquePath;
  ASSERT_TRUE(platform::CreateUniqueFile(folder.path(), "cap", ".bin", unique, uniquePath));
  EXPECT_EQ(uniquePath.size(), (folder / "cap").size() + 6 + 4);
  EXPECT_EQ(ListFolder(folder.path()).size(), 3u);

  EXPECT_TRUE(platform::ForceDirectories(folder / "a/b/c"));
  EXPECT_TRUE(platform::DirectoryExists(folder / "a/b/c"));
  EXPECT_FALSE(platform::ForceDirectories(folder / "made/below"));
  EXPECT_THROW(platform::ForceDirectories(""), platform::InOutError);

  platform::FileHandle from, to;
  ASSERT_TRUE(platform::OpenForRead(folder / "table", from));
  ASSERT_TRUE(platform::OpenForAppend(folder / "made", to));
  ASSERT_TRUE(platform::CopyFileData(from.get(), to.get()));
  to.Close();
  EXPECT_EQ(ReadFileText(folder / "made"), "madenew table");
  std::string shortPath;
  ASSERT_TRUE(platform::GetShortPathName(folder / "made", shortPath));
  EXPECT_EQ(ReadFileText(shortPath), "madenew table");
  EXPECT_FALSE(platform::GetShortPathName(folder / "missing", shortPath));

  std::vector<platform::DirectoryEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(folder.path(), entries));
  EXPECT_EQ(entries.size(), 4u);
  EXPECT_FALSE(platform::ListDirectory(folder / "missing", entries));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
}

TEST(Win32FileIo, SharedFileOpensRefuseWhatIsNotAFileOnDisk) {
  TempFolder folder;
  ::CreateDirectoryW(platform::Widen(folder / "folder").c_str(), nullptr);
  const std::string refused[] = {folder / "folder", "NUL", "CON"};
  for (const auto& path : refused) {
    SCOPED_TRACE(path);
    platform::FileHandle file;
    EXPECT_FALSE(platform::OpenRegularForAppend(path, file));
    EXPECT_FALSE(platform::OpenRegularForReadWrite(path, file));
  }
  // Two appenders at once (share modes allow it); both lines land whole.
  platform::FileHandle first, second;
  ASSERT_TRUE(platform::OpenRegularForAppend(folder / "log", first));
  ASSERT_TRUE(platform::OpenRegularForAppend(folder / "log", second));
  ASSERT_TRUE(platform::WriteAll(first.get(), "one\r\n", 5));
  ASSERT_TRUE(platform::WriteAll(second.get(), "two\r\n", 5));
  ASSERT_TRUE(platform::WriteAll(first.get(), "three\r\n", 7));
  EXPECT_EQ(ReadFileText(folder / "log"), "one\r\ntwo\r\nthree\r\n");

  platform::FileHandle counter;
  ASSERT_TRUE(platform::OpenRegularForReadWrite(folder / "log", counter));
  char bytes[3] = {};
  std::size_t got = 0;
  ASSERT_TRUE(platform::ReadAt(counter.get(), 5, bytes, sizeof bytes, got));
  EXPECT_EQ(std::string(bytes, got), "two");
  ASSERT_TRUE(platform::ReadAt(counter.get(), 15, bytes, sizeof bytes, got));
  EXPECT_EQ(got, 2u);
  ASSERT_TRUE(platform::SeekTo(counter.get(), 0));
  ASSERT_TRUE(platform::WriteAll(counter.get(), "ONE", 3));
  uint64_t size = 0;
  ASSERT_TRUE(platform::GetFileSize(counter.get(), size));
  EXPECT_EQ(size, 17u);
  counter.Close();
  EXPECT_EQ(ReadFileText(folder / "log").substr(0, 5), "ONE\r\n");
}

TEST(Win32RangeLock, ExcludesAnotherHandleOfTheSameProcess) {
  TempFolder folder;
  platform::FileHandle mine, theirs;
  ASSERT_TRUE(platform::OpenForReadWrite(folder / "lock", mine));
  ASSERT_TRUE(platform::OpenForReadWrite(folder / "lock", theirs));
  std::atomic<bool> released{false}, entered{false}, enteredBeforeRelease{false};
  auto lock = std::make_unique<platform::RangeLock>();
  ASSERT_TRUE(lock->Lock(mine.get(), 0, 1));
  std::thread other([&] {
    platform::RangeLock second;
    const bool ok = second.Lock(theirs.get(), 0, 1);
    enteredBeforeRelease = !released;
    entered = ok;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  released = true;
  lock.reset();
  other.join();
  EXPECT_TRUE(entered);
  EXPECT_FALSE(enteredBeforeRelease);
}

// Sets a file's last write back by two minutes, past the stale limit.
void AgeFile(HANDLE handle) {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value{{now.dwLowDateTime, now.dwHighDateTime}};
  value.QuadPart -= 120ull * 10000000ull;
  const FILETIME old{value.LowPart, value.HighPart};
  ASSERT_TRUE(::SetFileTime(handle, nullptr, nullptr, &old));
}

TEST(Win32PendingFile, PublishesNeverReplacingDiscardsWhollyAndClearsOnlyDeadTemporaries) {
  TempFolder folder;
  WriteFileText(folder / "taken", "old data");
  {
    platform::PendingFile file;
    ASSERT_TRUE(file.Create(folder.path()));
    ASSERT_TRUE(platform::WriteAll(file.fd(), "new data", 8));
    EXPECT_FALSE(file.Publish(folder / "taken", true));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
    EXPECT_EQ(ReadFileText(folder / "taken"), "old data");
    ASSERT_TRUE(file.Publish(folder / "fresh", true));  // the same file, under another name
    EXPECT_EQ(ReadFileText(folder / "fresh"), "new data");
    EXPECT_EQ(::GetFileAttributesW(platform::Widen(folder / "fresh").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  }
  {
    platform::PendingFile dropped;
    ASSERT_TRUE(dropped.Create(folder.path()));
    ASSERT_TRUE(platform::WriteAll(dropped.fd(), "x", 1));
    EXPECT_EQ(ListFolder(folder.path()).size(), 3u);
  }
  EXPECT_EQ(ListFolder(folder.path()), (std::vector<std::string>{"fresh", "taken"}));

  // A dead writer's old temporary goes; a live one, however old, stays.
  const std::string dead = folder / (std::string(platform::kPendingFilePrefix) + "dead");
  WriteFileText(dead, "left over");
  platform::FileHandle deadHandle;
  ASSERT_TRUE(platform::OpenForReadWrite(dead, deadHandle));
  AgeFile(platform::OsHandle(deadHandle.get()));
  deadHandle.Close();
  platform::PendingFile live;
  ASSERT_TRUE(live.Create(folder.path()));
  AgeFile(platform::OsHandle(live.fd()));
  platform::RemoveStaleTemporaries(folder.path());
  EXPECT_FALSE(platform::PathEntryExists(dead));
  EXPECT_EQ(ListFolder(folder.path()).size(), 3u);
  ASSERT_TRUE(live.Publish(folder / "late", false));
  EXPECT_EQ(ListFolder(folder.path()), (std::vector<std::string>{"fresh", "late", "taken"}));
  EXPECT_TRUE(platform::SyncFolder(folder.path()));
  EXPECT_FALSE(platform::SyncFolder(folder / "missing"));
}

TEST(Win32FileIo, ReadsOnlyRegularFilesAndFindsTheOpenFileAgain) {
  TempFolder folder;
  ::CreateDirectoryW(platform::Widen(folder / "folder").c_str(), nullptr);
  WriteFileText(folder / "job", "job data");
  struct Case {
    std::string path;
    uint32_t error;
  };
  const Case refused[] = {{folder / "folder", platform::kErrorAccessDenied},
                          {"NUL", platform::kErrorAccessDenied},
                          {folder / "missing", platform::kErrorFileNotFound}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.path);
    platform::FileHandle file;
    EXPECT_FALSE(platform::OpenRegularForRead(c.path, file));
    EXPECT_EQ(platform::GetLastError(), c.error);
    EXPECT_FALSE(platform::OpenExistingRegular(c.path, true, file));
    EXPECT_EQ(platform::GetLastError(), c.error);
  }
  for (const char* refusedName : {"folder", "NUL"}) {
    const std::string path = std::string(refusedName) == "NUL" ? std::string("NUL") : folder / refusedName;
    platform::FileHandle file;
    EXPECT_FALSE(platform::CreateAlwaysRegularFile(path, file)) << path;
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  }
  EXPECT_FALSE(platform::PathEntryExists(folder / "missing"));
  EXPECT_TRUE(platform::PathEntryExists(folder / "folder"));
  EXPECT_FALSE(platform::IsRegularFileEntry(folder / "folder"));
  EXPECT_TRUE(platform::IsRegularFileEntry(folder / "job"));

  platform::FileHandle job;
  ASSERT_TRUE(platform::OpenExistingRegular(folder / "job", true, job));
  std::string text;
  ASSERT_TRUE(platform::ReadAll(job.get(), text));
  EXPECT_EQ(text, "job data");
  EXPECT_EQ(ReadFileText(platform::PathOfOpenFile(job.get())), "job data");

  // An appending handle (the logs') takes back a write cut short.
  platform::FileHandle log;
  ASSERT_TRUE(platform::OpenRegularForAppend(folder / "job", log));
  ASSERT_TRUE(platform::WriteAll(log.get(), " and a partial li", 17));
  ASSERT_TRUE(platform::TruncateTo(log.get(), 8));
  ASSERT_TRUE(platform::WriteAll(log.get(), "!", 1));
  log.Close();
  EXPECT_EQ(ReadFileText(folder / "job"), "job data!");
  platform::FileHandle emptied;
  ASSERT_TRUE(platform::CreateAlwaysRegularFile(folder / "job", emptied));
  ASSERT_TRUE(platform::WriteAll(emptied.get(), "new", 3));
  emptied.Close();
  EXPECT_EQ(ReadFileText(folder / "job"), "new");
}

TEST(Win32RangeLock, TryLockRefusesWhileAnotherHandleHoldsIt) {
  TempFolder folder;
  platform::FileHandle first, second;
  ASSERT_TRUE(platform::OpenForReadWrite(folder / "lock", first));
  ASSERT_TRUE(platform::OpenForReadWrite(folder / "lock", second));
  platform::RangeLock a, b;
  ASSERT_TRUE(a.TryLock(first.get(), 0, 1));
  EXPECT_FALSE(b.TryLock(second.get(), 0, 1));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorLockViolation);
  EXPECT_FALSE(b.locked());
  a.Unlock();
  EXPECT_TRUE(b.TryLock(second.get(), 0, 1));
}

TEST(Win32Registry, ValuesKeepTypeAndExactBytes) {
  const std::string keyPath = "SOFTWARE\\Corvanta\\Tests\\" + std::to_string(platform::RandomUInt32());
  platform::RegistryKey key;
  EXPECT_EQ(platform::RegistryKey::Open(keyPath, key), static_cast<long>(platform::kErrorFileNotFound));
  ASSERT_EQ(platform::RegistryKey::Create("HKEY_LOCAL_MACHINE\\" + keyPath, key), 0);

  const std::string noZero = "C:\\Program Files\\rdx64run.exe";  // stored without a terminating zero
  ASSERT_EQ(key.SetValue("PortCommand", platform::kRegSz, noZero.data(), static_cast<uint32_t>(noZero.size())), 0);
  ASSERT_EQ(key.SetDword("KeepLogsFor", 10), 0);
  ASSERT_EQ(key.SetString("Όνομα", "Αθήνα"), 0);
  const uint8_t blob[] = {0, 1, 2, 255};
  ASSERT_EQ(key.SetValue("Blob", platform::kRegBinary, blob, sizeof blob), 0);

  uint32_t type = 0, size = 0;
  ASSERT_EQ(key.QueryValue("portcommand", &type, nullptr, &size), 0);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(size, noZero.size());
  std::string small(4, '\0');
  size = 4;
  EXPECT_EQ(key.QueryValue("PortCommand", &type, small.data(), &size), static_cast<long>(platform::kErrorMoreData));
  EXPECT_EQ(size, noZero.size());
  std::string text;
  ASSERT_EQ(key.QueryString("PortCommand", text), 0);
  EXPECT_EQ(text, noZero);
  uint32_t dword = 0;
  ASSERT_EQ(key.QueryDword("KeepLogsFor", dword), 0);
  EXPECT_EQ(dword, 10u);
  ASSERT_EQ(key.QueryString("όνομα", text), 0);
  EXPECT_EQ(text, "Αθήνα");
  uint8_t read[8] = {};
  size = sizeof read;
  ASSERT_EQ(key.QueryValue("Blob", &type, read, &size), 0);
  EXPECT_EQ(std::vector<uint8_t>(read, read + size), std::vector<uint8_t>(blob, blob + sizeof blob));
  std::vector<platform::RegistryValue> values;
  ASSERT_EQ(key.EnumValues(values), 0);
  EXPECT_EQ(values.size(), 4u);

  ASSERT_EQ(key.DeleteValue("Blob"), 0);
  EXPECT_EQ(key.QueryValue("Blob", &type, nullptr, &size), static_cast<long>(platform::kErrorFileNotFound));
  ASSERT_EQ(platform::RegistryKey::Delete(keyPath), 0);
  EXPECT_EQ(platform::RegistryKey::Open(keyPath, key), static_cast<long>(platform::kErrorFileNotFound));
}

TEST(Win32Registry, MonitorSettingsLandInThe64BitView) {
  platform::RegistryKey key;
  ASSERT_EQ(platform::RegistryKey::Create("SOFTWARE\\Corvanta\\Vanteo Spooler", key), 0);
  ASSERT_EQ(key.SetString("FirstTempDir", "c:\\monitor"), 0);
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvanta\\Vanteo Spooler", 0,
                            KEY_READ | KEY_WOW64_64KEY, &raw),
            ERROR_SUCCESS);
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  EXPECT_EQ(::RegQueryValueExW(raw, L"FirstTempDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  ::RegCloseKey(raw);
  EXPECT_EQ(std::wstring(value), L"c:\\monitor");
  EXPECT_EQ(platform::RegistryKey::Delete("SOFTWARE\\Corvanta\\Vanteo Spooler"), 0);
}

TEST(Win32Clock, SeamsAndTheRealClock) {
  {
    ScopedEnv ticks("CORVANTA_TEST_TICK_COUNT", "3000000000");
    EXPECT_EQ(platform::GetTickCount(), 3000000000u);
  }
  {
    ScopedEnv time("CORVANTA_TEST_LOCAL_TIME", "2025-03-14 10:20:30.456");
    const platform::SystemTime now = platform::GetLocalTime();
    EXPECT_EQ(now.year, 2025);
    EXPECT_EQ(now.dayOfWeek, 5);  // a Friday
    EXPECT_EQ(now.milliseconds, 456);
  }
  const uint32_t before = platform::GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GE(platform::GetTickCount() - before, 40u);
  EXPECT_GE(platform::GetLocalTime().year, 2024);
  {
    // The monotonic clock is no seam: a fixed tick count leaves it running.
    ScopedEnv ticks("CORVANTA_TEST_TICK_COUNT", "5");
    const uint64_t start = platform::MonotonicMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(platform::MonotonicMilliseconds() - start, 40u);
  }
}

TEST(Win32Paths, FixedLocationsAndTheirRelocation) {
  {
    ScopedEnv root("CORVANTA_ROOT", std::nullopt);
    EXPECT_EQ(platform::ConfigFolder(), "c:/Corvanta");
    EXPECT_EQ(platform::RoutingTablePath(), "c:/Corvanta/kvp64exe.dat");
    EXPECT_EQ(platform::CorvantaRoot() + "/qtlapi", "c:/qtlapi");
    std::string common;
    EXPECT_EQ(platform::QueryCommonAppDataFolder(common), 0);
    EXPECT_FALSE(common.empty());
    EXPECT_EQ(common.find('\\'), std::string::npos);
  }
  TempFolder folder;
  ScopedEnv root("CORVANTA_ROOT", folder.path() + "/");
  EXPECT_EQ(platform::QuilletSettingsPath(), folder.path() + "/etc/corvanta/Quillet.xml");
  std::string common;
  EXPECT_EQ(platform::QueryCommonAppDataFolder(common), 1);
  EXPECT_EQ(common, folder.path() + "/var/lib");

  // Relative names are joined to the current folder as they are, ".." kept.
  WriteFileText(folder / "job", "here");
  wchar_t before[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, before), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(platform::Widen(folder.path()).c_str()));
  const std::string here = platform::AbsolutePath("job");
  const std::string up = platform::AbsolutePath("a/../job");
  ::SetCurrentDirectoryW(before);
  EXPECT_EQ(ReadFileText(here), "here");
  EXPECT_EQ(up, here.substr(0, here.size() - 3) + "a/../job");
  EXPECT_EQ(platform::AbsolutePath("c:/x/../y"), "c:/x/../y");
  EXPECT_EQ(platform::AbsolutePath(""), "");
}

TEST(Win32Programs, LibrariesVersionsAndChildren) {
  platform::SharedLibrary library;
  EXPECT_FALSE(library.Load("no-such-library.dll"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorModNotFound);
  ASSERT_TRUE(library.LoadBesideProgram("qtlapi.dll"));
  EXPECT_NE(library.Symbol("_maicomm3"), nullptr);
  EXPECT_EQ(library.Symbol("_maicomm6"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorProcNotFound);

  AnsiString text;
  GetFileVersionText((ProgramFolder() + "/qtlapi.dll").c_str(), text);
  EXPECT_EQ(text, "2.5.3.0");
  GetFileVersionText((ProgramFolder() + "/rdx64run.exe").c_str(), text);
  EXPECT_EQ(text, "1.0.9.0");
  GetFileVersionText(nullptr, text);
  EXPECT_EQ(text, "Undefined");
  VersionRecord record;
  ASSERT_TRUE(ReadVersionRecord(ProgramFolder() + "/qtlapi.dll", record));
  EXPECT_EQ(record.fileDescription, "qtltcp DLL");

  uint32_t exitCode = 0;
  ASSERT_TRUE(platform::StartProcess({"cmd.exe", "/c", "exit 7"}, true, &exitCode));
  EXPECT_EQ(exitCode, 7u);
  EXPECT_FALSE(platform::StartProcess({"no-such-program.exe"}, true, &exitCode));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

  TempFolder folder;
  platform::ChildProcess child;
  platform::ChildProcessOptions options;
  options.standardOutput = folder / "out.txt";
  options.environment = {{"CORVANTA_GREETING", "hello there"}};
  ASSERT_TRUE(child.Start({"cmd.exe", "/c", "echo %CORVANTA_GREETING%"}, options));
  ASSERT_TRUE(child.Wait(30000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadFileText(folder / "out.txt").substr(0, 11), "hello there");

  std::string kept;
  ASSERT_TRUE(platform::RunProcessKeepingErrors({"cmd.exe", "/c", "echo to the operator 1>&2 & exit 3"}, kept,
                                                &exitCode, 8));
  EXPECT_EQ(exitCode, 3u);
  EXPECT_EQ(kept, "to the o");
  EXPECT_FALSE(platform::RunProcessKeepingErrors({"no-such-program.exe"}, kept));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

  platform::OsVersionInfo version;
  ASSERT_TRUE(platform::GetOsVersion(version));
  EXPECT_EQ(version.platformId, 2u);
}

// A listener on loopback whose accept queue is full: nobody accepts, and a
// further connection attempt is left unanswered.
class FullAcceptQueue {
 public:
  FullAcceptQueue() {
    WSADATA data{};
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      u_long nonBlocking = 1;
      ::ioctlsocket(s, FIONBIO, &nonBlocking);
      ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(s);
    }
    ::Sleep(200);  // the handshakes that can complete have completed
  }
  ~FullAcceptQueue() {
    for (const SOCKET s : fillers_) ::closesocket(s);
    ::closesocket(listener_);
    if (started_) ::WSACleanup();
  }
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::vector<SOCKET> fillers_;
};

// Without its bound the connect would wait for the system's own limit of
// minutes; with it, the call ends with the system's time-out error.
TEST(Win32Library, ConnectToAFullAcceptQueueEndsWithTheCallsTimeOut) {
  platform::SharedLibrary library;
  ASSERT_TRUE(library.LoadBesideProgram("qtlapi.dll"));
  const auto maicomm3 = reinterpret_cast<qtlapi_maicomm3_fn>(library.Symbol("_maicomm3"));
  ASSERT_NE(maicomm3, nullptr);
  const FullAcceptQueue backEnd;
  char out[64];
  int32_t length = sizeof out;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(maicomm3("ID", backEnd.server().c_str(), "QUERY_VERSION", 0, out, &length, 1, 0), 210060);
  // A hang guard, not a speed goal: the system's own limit is minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// A caller that closed its standard error leaves the old handle value named
// there; the system may give that value to the call's socket next. The
// call's trace lines, written to standard error, must not go to the peer.
TEST(Win32Library, TraceNeverReachesTheCallsOwnSocket) {
  platform::SharedLibrary library;
  ASSERT_TRUE(library.LoadBesideProgram("qtlapi.dll"));
  const auto maicomm3 = reinterpret_cast<qtlapi_maicomm3_fn>(library.Symbol("_maicomm3"));
  ASSERT_NE(maicomm3, nullptr);
  WSADATA data{};
  ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::string received;
  std::thread peer([&] {
    const SOCKET s = ::accept(listener, nullptr, nullptr);
    char buffer[4096];
    for (int n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, n);
    ::closesocket(s);
  });
  char out[64];
  int32_t outLength = sizeof out;
  maicomm3(nullptr, nullptr, nullptr, 0, out, &outLength, 0, 0);  // switches the trace on

  // The value the next socket gets, named as standard error.
  const HANDLE ownError = ::GetStdHandle(STD_ERROR_HANDLE);
  const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ::closesocket(probe);
  ::SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(probe));
  const std::string server = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  const int32_t result = maicomm3("!ID", server.c_str(), "DATA", 4, out, &outLength, 5, 0);
  ::SetStdHandle(STD_ERROR_HANDLE, ownError);
  peer.join();
  ::closesocket(listener);
  ::WSACleanup();

  EXPECT_EQ(result, -11);  // sent; "!" reads no reply
  EXPECT_NE(received.find("DATA"), std::string::npos);
  EXPECT_EQ(received.find("Calling"), std::string::npos) << received;
}

}  // namespace
}  // namespace windows_test
