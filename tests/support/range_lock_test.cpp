// Several processes and several threads append to one file, each line in
// two writes under the byte-range lock: no line may be torn or lost.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/child_process.h"
#include "support/platform/files.h"
#include "support/platform/range_lock.h"
#include "support/platform/win_error.h"
#include "test_support.h"

namespace {

using support_test::TempFolder;

// Checks that every line is whole and that each writer's lines 0..lines-1
// all arrived exactly once, in order.
void ExpectWholeLines(const std::string& text, const std::set<std::string>& writers, int lines) {
  std::map<std::string, int> next;
  std::istringstream in(text);
  std::string line;
  int count = 0;
  const std::string tail = std::string(40, 'x') + " end";
  while (std::getline(in, line)) {
    ++count;
    std::istringstream fields(line);
    std::string tag, rest;
    int number = -1;
    fields >> tag >> number;
    std::getline(fields, rest);
    ASSERT_EQ(rest, " " + tail) << "torn line " << count << ": " << line;
    ASSERT_TRUE(writers.count(tag)) << "unknown writer in line " << count << ": " << line;
    ASSERT_EQ(number, next[tag]) << "line out of order or lost for " << tag;
    ++next[tag];
  }
  EXPECT_EQ(count, static_cast<int>(writers.size()) * lines);
  for (const auto& writer : writers) EXPECT_EQ(next[writer], lines) << writer;
}

TEST(RangeLock, ThreadsOfOneProcessExcludeEachOther) {
  TempFolder dir;
  const std::string file = dir / "log.txt";
  constexpr int kThreads = 8;
  constexpr int kLines = 400;
  std::vector<std::thread> threads;
  std::set<std::string> writers;
  for (int t = 0; t < kThreads; ++t) {
    const std::string tag = "thread" + std::to_string(t);
    writers.insert(tag);
    threads.emplace_back([file, tag] {
      for (int i = 0; i < kLines; ++i) {
        platform::FileHandle handle;
        ASSERT_TRUE(platform::OpenForAppend(file, handle));
        platform::RangeLock lock;
        ASSERT_TRUE(lock.Lock(handle.get(), 0, 32));
        EXPECT_TRUE(lock.locked());
        const std::string head = tag + " " + std::to_string(i) + " ";
        const std::string tail = std::string(40, 'x') + " end\n";
        ASSERT_TRUE(platform::WriteAll(handle.get(), head.data(), head.size()));
        std::this_thread::yield();
        ASSERT_TRUE(platform::WriteAll(handle.get(), tail.data(), tail.size()));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  ExpectWholeLines(support_test::ReadFileText(file), writers, kLines);
}

TEST(RangeLock, ProcessesAndTheirThreadsExcludeEachOther) {
  TempFolder dir;
  const std::string file = dir / "log.txt";
  constexpr int kProcesses = 4;
  constexpr int kThreadsEach = 3;
  constexpr int kLines = 250;
  std::vector<std::unique_ptr<platform::ChildProcess>> children;
  std::set<std::string> writers;
  for (int p = 0; p < kProcesses; ++p) {
    const std::string tag = "process" + std::to_string(p);
    for (int t = 0; t < kThreadsEach; ++t) writers.insert(tag + "." + std::to_string(t));
    children.push_back(std::make_unique<platform::ChildProcess>());
    ASSERT_TRUE(children.back()->Start({support_test::HelperPath(), "append", file, tag,
                                        std::to_string(kThreadsEach), std::to_string(kLines)}));
  }
  for (auto& child : children) {
    uint32_t exitCode = 1;
    ASSERT_TRUE(child->Wait(120000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
  ExpectWholeLines(support_test::ReadFileText(file), writers, kLines);
}

TEST(RangeLock, UnlockReleasesForTheNextOwner) {
  TempFolder dir;
  platform::FileHandle first;
  platform::FileHandle second;
  ASSERT_TRUE(platform::OpenForReadWrite(dir / "counter", first));
  ASSERT_TRUE(platform::OpenForReadWrite(dir / "counter", second));
  platform::RangeLock a;
  ASSERT_TRUE(a.Lock(first.get(), 0, 8));
  bool secondGotIt = false;
  std::thread waiter([&] {
    platform::RangeLock b;
    secondGotIt = b.Lock(second.get(), 0, 8);
  });
  a.Unlock();
  EXPECT_FALSE(a.locked());
  waiter.join();
  EXPECT_TRUE(secondGotIt);
}

TEST(RangeLock, LockOnABadDescriptorFails) {
  platform::RangeLock lock;
  EXPECT_FALSE(lock.Lock(-1, 0, 8));
  EXPECT_FALSE(lock.locked());
  EXPECT_NE(platform::GetLastError(), 0u);
}

}  // namespace

namespace {

TEST(RangeLock, TryLockRefusesWhileAnotherOwnerHoldsIt) {
  TempFolder dir;
  platform::FileHandle first;
  platform::FileHandle second;
  ASSERT_TRUE(platform::OpenForReadWrite(dir / "job", first));
  ASSERT_TRUE(platform::OpenForReadWrite(dir / "job", second));
  platform::RangeLock a;
  platform::RangeLock b;
  ASSERT_TRUE(a.TryLock(first.get(), 0, 1));
  EXPECT_FALSE(b.TryLock(second.get(), 0, 1));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorLockViolation);
  EXPECT_FALSE(b.locked());
  a.Unlock();
  EXPECT_TRUE(b.TryLock(second.get(), 0, 1));
}

}  // namespace
