// The registry file: typed values with exact bytes, the export format,
// Win32 query semantics and concurrent writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/child_process.h"
#include "support/platform/registry.h"
#include "support/platform/win_error.h"
#include "test_support.h"

namespace {

using platform::RegistryKey;
using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

class RegistryTest : public support_test::RootTest {
 protected:
  std::string RegistryText() const { return support_test::ReadFileText(root() / "etc/corvanta/hklm.reg"); }
  void WriteRegistry(const std::string& text) const {
    std::filesystem::create_directories(root() / "etc/corvanta");
    support_test::WriteFileText(root() / "etc/corvanta/hklm.reg", text);
  }
};

struct TypedValue {
  const char* what;
  std::string name;
  uint32_t type;
  Bytes data;
  const char* line;  // how the value stands in the file
};

const std::vector<TypedValue>& TypedValues() {
  using namespace std::string_literals;
  static const std::vector<TypedValue> values = {
      {"string with its NUL", "PortCommand", platform::kRegSz, BytesOf("c:\\rdx64run.exe \"%1\" \"%2\"\0"s),
       "\"PortCommand\"=\"c:\\\\rdx64run.exe \\\"%1\\\" \\\"%2\\\"\""},
      {"string without a NUL", "Bare", platform::kRegSz, BytesOf("abc"), "\"Bare\"=hex(1):61,62,63"},
      {"empty string without a NUL", "Nothing", platform::kRegSz, {}, "\"Nothing\"=hex(1):"},
      {"string with a line break", "Two lines", platform::kRegSz, BytesOf("a\r\nb\0"s),
       "\"Two lines\"=hex(1):61,0d,0a,62,00"},
      {"UTF-8 string", "Greek", platform::kRegSz, BytesOf("\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC\0"s),
       "\"Greek\"=\"\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC\""},
      {"expandable string", "Path", platform::kRegExpandSz, BytesOf("%ProgramData%\\x\0"s),
       "\"Path\"=hex(2):25,50,72,6f,67,72,61,6d,44,61,74,61,25,5c,78,00"},
      {"multi-string", "List", platform::kRegMultiSz, BytesOf("a\0bc\0\0"s), "\"List\"=hex(7):61,00,62,63,00,00"},
      {"binary", "Blob", platform::kRegBinary, {0x00, 0xFF, 0x10, 0x80}, "\"Blob\"=hex:00,ff,10,80"},
      {"empty binary", "Empty", platform::kRegBinary, {}, "\"Empty\"=hex:"},
      {"dword", "KeepLogsFor", platform::kRegDword, {0x0A, 0, 0, 0}, "\"KeepLogsFor\"=dword:0000000a"},
      {"largest dword", "Max", platform::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, "\"Max\"=dword:ffffffff"},
      {"short dword", "Odd", platform::kRegDword, {1, 2}, "\"Odd\"=hex(4):01,02"},
      {"qword", "Big", platform::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}, "\"Big\"=hex(b):01,02,03,04,05,06,07,08"},
      {"typeless", "None", platform::kRegNone, {7}, "\"None\"=hex(0):07"},
      {"default value", "", platform::kRegSz, BytesOf("default\0"s), "@=\"default\""},
      {"quotes and backslashes in the name", "a\"b\\c", platform::kRegSz, BytesOf("\\\\server\\\"q\"\0"s),
       "\"a\\\"b\\\\c\"=\"\\\\\\\\server\\\\\\\"q\\\"\""},
      {"name that looks like the default", "@", platform::kRegDword, {1, 0, 0, 0}, "\"@\"=dword:00000001"},
  };
  return values;
}

TEST_F(RegistryTest, EveryTypeRoundTripsWithExactBytes) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Vanteo Spooler", key), 0);
  for (const auto& v : TypedValues()) {
    SCOPED_TRACE(v.what);
    ASSERT_EQ(key.SetValue(v.name, v.type, v.data.data(), static_cast<uint32_t>(v.data.size())), 0);
  }
  const std::string text = RegistryText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n[SOFTWARE\\Corvanta\\Vanteo Spooler]\n"), std::string::npos) << text;
  for (const auto& v : TypedValues()) {
    SCOPED_TRACE(v.what);
    EXPECT_NE(text.find("\n" + std::string(v.line) + "\n"), std::string::npos) << text;
    RegistryKey reopened;
    ASSERT_EQ(RegistryKey::Open("software\\corvanta\\vanteo spooler", reopened), 0);
    uint32_t type = 999;
    Bytes data(v.data.size() + 16, 0xEE);
    auto size = static_cast<uint32_t>(data.size());
    ASSERT_EQ(reopened.QueryValue(v.name, &type, data.data(), &size), 0);
    EXPECT_EQ(type, v.type);
    data.resize(size);
    EXPECT_EQ(data, v.data);
  }
  std::vector<platform::RegistryValue> all;
  ASSERT_EQ(key.EnumValues(all), 0);
  EXPECT_EQ(all.size(), TypedValues().size());
}

TEST_F(RegistryTest, StringAndDwordConveniences) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Stampline\\qtlDll", key), 0);
  ASSERT_EQ(key.SetString("FirstTempDir", "/var/spool/rdx"), 0);
  ASSERT_EQ(key.SetDword("NeedCapture", 1), 0);
  std::string text;
  ASSERT_EQ(key.QueryString("firsttempdir", text), 0);
  EXPECT_EQ(text, "/var/spool/rdx");
  uint32_t dword = 0;
  ASSERT_EQ(key.QueryDword("NEEDCAPTURE", dword), 0);
  EXPECT_EQ(dword, 1u);
  EXPECT_EQ(key.QueryDword("FirstTempDir", dword), 13);  // wrong type
  EXPECT_EQ(key.QueryString("Missing", text), static_cast<long>(platform::kErrorFileNotFound));
}

TEST_F(RegistryTest, SmallBufferGivesMoreDataAndTheSizeNeeded) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Vanteo Spooler", key), 0);
  const std::string command = "c:\\corvanta\\rdx64run.exe";
  ASSERT_EQ(key.SetString("PortCommand", command), 0);
  const auto needed = static_cast<uint32_t>(command.size() + 1);

  char small[8] = "keep";
  uint32_t size = sizeof small;
  uint32_t type = 0;
  EXPECT_EQ(key.QueryValue("PortCommand", &type, small, &size), static_cast<long>(platform::kErrorMoreData));
  EXPECT_EQ(platform::kErrorMoreData, 234u);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(type, platform::kRegSz);

  size = 0;
  EXPECT_EQ(key.QueryValue("PortCommand", nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, needed);

  std::vector<char> exact(needed);
  size = needed;
  EXPECT_EQ(key.QueryValue("PortCommand", nullptr, exact.data(), &size), 0);
  EXPECT_EQ(std::string(exact.data()), command);

  EXPECT_EQ(key.QueryValue("PortCommand", nullptr, exact.data(), nullptr),
            static_cast<long>(platform::kErrorInvalidParameter));
  size = needed;
  EXPECT_EQ(key.QueryValue("NoSuchValue", nullptr, exact.data(), &size),
            static_cast<long>(platform::kErrorFileNotFound));
}

TEST_F(RegistryTest, ReadsRegistryEditorExportsWithCrLfAndRootPrefix) {
  WriteRegistry(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Vanteo Spooler]\r\n"
      "\"PortCommand\"=\"c:\\\\x.exe \\\"%1\\\"\"\r\n"
      "\"KeepLogsFor\"=dword:0000001e\r\n"
      "\"Blob\"=hex:01,02,03,\\\r\n"
      "  04,05\r\n"
      "; a comment\r\n"
      "@=\"dflt\"\r\n");
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Open("HKEY_LOCAL_MACHINE\\Software\\CORVANTA\\vanteo spooler", key), 0);
  std::string command;
  ASSERT_EQ(key.QueryString("portcommand", command), 0);
  EXPECT_EQ(command, "c:\\x.exe \"%1\"");
  uint32_t keep = 0;
  ASSERT_EQ(key.QueryDword("KEEPLOGSFOR", keep), 0);
  EXPECT_EQ(keep, 30u);
  Bytes blob(16);
  auto size = static_cast<uint32_t>(blob.size());
  ASSERT_EQ(key.QueryValue("Blob", nullptr, blob.data(), &size), 0);
  blob.resize(size);
  EXPECT_EQ(blob, (Bytes{1, 2, 3, 4, 5}));
  std::string dflt;
  ASSERT_EQ(key.QueryString("", dflt), 0);
  EXPECT_EQ(dflt, "dflt");

  // A write keeps what it did not touch, and names keep their first spelling.
  ASSERT_EQ(key.SetDword("keeplogsfor", 7), 0);
  RegistryKey again;
  ASSERT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta\\Vanteo Spooler", again), 0);
  ASSERT_EQ(again.QueryString("PortCommand", command), 0);
  EXPECT_EQ(command, "c:\\x.exe \"%1\"");
  EXPECT_NE(RegistryText().find("\"KeepLogsFor\"=dword:00000007"), std::string::npos);
}

TEST_F(RegistryTest, KeysSubkeysAndDeletion) {
  RegistryKey key;
  EXPECT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta", key), static_cast<long>(platform::kErrorFileNotFound));
  RegistryKey ports;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports\\RPT1:", ports), 0);
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports\\RPT2:", ports), 0);
  ASSERT_EQ(RegistryKey::Open("software\\corvanta", key), 0);  // parents exist too
  RegistryKey parent;
  ASSERT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports", parent), 0);
  std::vector<std::string> names;
  ASSERT_EQ(parent.EnumSubkeys(names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"RPT1:", "RPT2:"}));

  ASSERT_EQ(ports.SetString("x", "y"), 0);
  EXPECT_EQ(ports.DeleteValue("X"), 0);
  EXPECT_EQ(ports.DeleteValue("X"), static_cast<long>(platform::kErrorFileNotFound));

  ASSERT_EQ(RegistryKey::Delete("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports"), 0);
  EXPECT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta\\Vanteo Spooler\\Ports\\RPT1:", key),
            static_cast<long>(platform::kErrorFileNotFound));
  EXPECT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta\\Vanteo Spooler", key), 0);
  EXPECT_EQ(RegistryKey::Delete("SOFTWARE\\Nothing"), static_cast<long>(platform::kErrorFileNotFound));
}

TEST_F(RegistryTest, NamesThatWouldBreakTheFileAreRefused) {
  RegistryKey key;
  EXPECT_EQ(RegistryKey::Create("SOFTWARE\\Bad\nKey", key), static_cast<long>(platform::kErrorInvalidParameter));
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta", key), 0);
  EXPECT_EQ(key.SetString("line\nbreak", "x"), static_cast<long>(platform::kErrorInvalidParameter));
  EXPECT_EQ(key.SetString("cr\r", "x"), static_cast<long>(platform::kErrorInvalidParameter));
  EXPECT_EQ(key.SetString("fine name", "x"), 0);
}

// What the file cannot carry back is refused, and so never damages what
// follows it.
TEST_F(RegistryTest, PathsTheFileCannotCarryBackAreRefused) {
  RegistryKey key;
  for (const char* path : {"-Lead", "HKEY_LOCAL_MACHINE\\-Lead", "\\-Lead\\Sub", "Tab\tKey"}) {
    EXPECT_EQ(RegistryKey::Create(path, key), static_cast<long>(platform::kErrorInvalidParameter)) << path;
  }
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\A-B\\-Inner", key), 0);  // only a leading "-" reads as a deletion
  EXPECT_EQ(key.SetString("v", "x"), 0);
  RegistryKey reopened;
  ASSERT_EQ(RegistryKey::Open("SOFTWARE\\A-B\\-Inner", reopened), 0);
  std::string value;
  EXPECT_EQ(reopened.QueryString("v", value), 0);
  EXPECT_EQ(value, "x");
}

// Whatever the file parses to formats back to the same keys and values.
TEST_F(RegistryTest, ParsedFileFormatsBackToTheSameKeys) {
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  const std::vector<std::string> texts = {
      header + "[A]\r\n\"v\"=\"1\"\r\n[-A\\B]\r\n\"w\"=dword:00000002\r\n[C]\r\n",
      header + "[-First]\n\"v\"=\"x\"\n[Next]\n@=hex(7):61,00,00\n",
      header + "[K]\n\"a\"=hex(1):61,09,62,00\n\"b\"=\"t\tab\"\n\"c\"=hex(4):01\n[]\n[x]]\n",
  };
  for (const auto& text : texts) {
    std::vector<platform::RegistryKeyData> first, second;
    ASSERT_TRUE(platform::ParseRegistryFile(text, first)) << text;
    ASSERT_TRUE(platform::ParseRegistryFile(platform::FormatRegistryFile(first), second)) << text;
    ASSERT_EQ(first.size(), second.size()) << text;
    for (std::size_t k = 0; k < first.size(); ++k) {
      EXPECT_EQ(first[k].path, second[k].path);
      ASSERT_EQ(first[k].values.size(), second[k].values.size());
      for (std::size_t v = 0; v < first[k].values.size(); ++v) {
        EXPECT_EQ(first[k].values[v].name, second[k].values[v].name);
        EXPECT_EQ(first[k].values[v].type, second[k].values[v].type);
        EXPECT_EQ(first[k].values[v].data, second[k].values[v].data);
      }
    }
  }
  // A deletion's values belong to no key, not to the key before it.
  std::vector<platform::RegistryKeyData> keys;
  ASSERT_TRUE(platform::ParseRegistryFile(texts[0], keys));
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].values.size(), 1u);
}

// Settings are read at each use; a change shows at the next read however
// soon it follows, even an edit in place that keeps the file's size.
TEST_F(RegistryTest, EveryChangeShowsAtTheNextRead) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Fresh", key), 0);
  for (uint32_t round = 1; round <= 20; ++round) {
    ASSERT_EQ(key.SetDword("Round", round), 0);
    uint32_t value = 0;
    ASSERT_EQ(key.QueryDword("Round", value), 0);
    EXPECT_EQ(value, round);
  }
  // Once the file has stood still for a while a read keeps it parsed; edits
  // in place right after must still show.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  uint32_t settled = 0;
  ASSERT_EQ(key.QueryDword("Round", settled), 0);
  const std::string text = RegistryText();
  const std::string::size_type at = text.find("dword:00000014");
  ASSERT_NE(at, std::string::npos);
  for (const char* digits : {"dword:00000015", "dword:00000016"}) {
    std::string edited = text;
    edited.replace(at, 14, digits);
    std::FILE* file = std::fopen((root() / "etc/corvanta/hklm.reg").c_str(), "r+");  // same inode, same size
    ASSERT_NE(file, nullptr);
    std::fwrite(edited.data(), 1, edited.size(), file);
    std::fclose(file);
    uint32_t value = 0;
    ASSERT_EQ(key.QueryDword("Round", value), 0);
    EXPECT_EQ(value, std::strtoul(digits + 6, nullptr, 16));
  }
}

TEST_F(RegistryTest, DamagedFileIsReportedAndNeverOverwritten) {
  const std::string damaged = "Windows Registry Editor Version 5.00\n\n[SOFTWARE\\X]\n\"V\"=dword:zz\n";
  WriteRegistry(damaged);
  RegistryKey key;
  EXPECT_EQ(RegistryKey::Open("SOFTWARE\\X", key), 13);
  EXPECT_EQ(RegistryKey::Create("SOFTWARE\\Y", key), 13);
  EXPECT_EQ(RegistryText(), damaged);
}

TEST_F(RegistryTest, ThreadsUpdatingDifferentValuesLoseNothing) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Create("SOFTWARE\\Corvanta\\Test", key), 0);
  constexpr int kThreads = 4;
  constexpr int kIncrements = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([key, t] {
      const std::string name = "Counter" + std::to_string(t);
      for (int i = 0; i < kIncrements; ++i) {
        uint32_t value = 0;
        key.QueryDword(name, value);
        ASSERT_EQ(key.SetDword(name, value + 1), 0);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    uint32_t value = 0;
    ASSERT_EQ(key.QueryDword("Counter" + std::to_string(t), value), 0);
    EXPECT_EQ(value, static_cast<uint32_t>(kIncrements)) << t;
  }
}

TEST_F(RegistryTest, TwoProcessesUpdatingDifferentValuesLoseNothing) {
  constexpr int kIncrements = 300;
  std::vector<std::unique_ptr<platform::ChildProcess>> children;
  for (const char* value : {"FirstWriter", "SecondWriter"}) {
    children.push_back(std::make_unique<platform::ChildProcess>());
    ASSERT_TRUE(
        children.back()->Start({support_test::HelperPath(), "registry-count", value, std::to_string(kIncrements)}));
  }
  for (auto& child : children) {
    uint32_t exitCode = 1;
    ASSERT_TRUE(child->Wait(120000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  RegistryKey key;
  ASSERT_EQ(RegistryKey::Open("SOFTWARE\\Corvanta\\Test", key), 0);
  for (const char* value : {"FirstWriter", "SecondWriter"}) {
    uint32_t count = 0;
    ASSERT_EQ(key.QueryDword(value, count), 0);
    EXPECT_EQ(count, static_cast<uint32_t>(kIncrements)) << value;
  }
  // Writers leave only the registry file and its lock file.
  auto names = support_test::ListFolder(root() / "etc/corvanta");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"hklm.reg", "hklm.reg.lock"}));
}

}  // namespace
