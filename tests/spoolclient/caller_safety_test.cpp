// What an embedding program may do around a call: signals arriving faster
// than the time-out, cancelling the calling thread, a back end that never
// accepts, and files planted in the shared log folder by another user.
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "tests/spoolclient/api_test_support.h"
#include "tests/spoolclient/fake_spooler.h"
#include "tests/spoolclient/qtlapi_loader.h"

namespace spooltest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int32_t Query(const std::string& server, int32_t timeout) {
  char out[64];
  int32_t length = sizeof out;
  return Api().maicomm3("ID", server.c_str(), "QUERY_VERSION", 0, out, &length, timeout, 0);
}

// A 10 ms interval timer whose handler does nothing, installed with
// SA_RESTART as profilers and event loops do.
class IntervalTimer {
 public:
  IntervalTimer() {
    struct sigaction action {};
    action.sa_handler = [](int) {};
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &previous_);
    struct itimerval every {};
    every.it_interval.tv_usec = 10000;
    every.it_value.tv_usec = 10000;
    ::setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~IntervalTimer() {
    struct itimerval off {};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous_, nullptr);
  }

 private:
  struct sigaction previous_ {};
};

// A listener on loopback whose accept queue is full: nobody accepts, and
// further connection attempts are left unanswered.
class FullAcceptQueue {
 public:
  FullAcceptQueue() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(fd);
    }
    ::usleep(200000);  // the handshakes that can complete have completed
  }
  ~FullAcceptQueue() {
    for (int fd : fillers_) ::close(fd);
    ::close(listener_);
  }
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

class CallerSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Api();
    ClearLibraryLog();
    ClearSettings();
  }
  void TearDown() override {
    ::unsetenv("CORVANTA_TEST_RANDOM");
    ::unsetenv("CORVANTA_TEST_LOCAL_TIME");
    ClearSettings();
  }
};

TEST_F(CallerSafetyTest, TimeOutHoldsUnderAStreamOfSignals) {
  FakeBehaviour silent;
  silent.silent = true;
  FakeSpooler spooler(silent);
  const IntervalTimer timer;
  const auto start = Clock::now();
  EXPECT_EQ(Query(spooler.server(), 1), -8);
  EXPECT_LT(SecondsSince(start), 3.0);  // without the bound this never returns
}

TEST_F(CallerSafetyTest, ConnectToAFullAcceptQueueIsBoundedByTheTimeOut) {
  const FullAcceptQueue backEnd;
  const auto start = Clock::now();
  EXPECT_EQ(Query(backEnd.server(), 1), 210060);
  EXPECT_LT(SecondsSince(start), 5.0);  // the system's own limit is minutes
  EXPECT_THAT(LibraryLogMessages(), ::testing::Contains(::testing::HasSubstr(") error 10060")));
}

// Cancelling a thread blocked in a call ends only that thread, and the
// call's connection is closed on the way out.
TEST_F(CallerSafetyTest, CancelledCallerThreadReleasesItsConnection) {
  FakeBehaviour silent;
  silent.silent = true;
  FakeSpooler spooler(silent);
  const std::string server = spooler.server();
  pthread_t thread;
  auto body = [](void* text) -> void* {
    Query(*static_cast<std::string*>(text), 0);
    return nullptr;
  };
  ASSERT_EQ(::pthread_create(&thread, nullptr, body, const_cast<std::string*>(&server)), 0);
  ASSERT_TRUE(spooler.WaitForRequests(1));
  ASSERT_EQ(::pthread_cancel(thread), 0);
  void* result = nullptr;
  ASSERT_EQ(::pthread_join(thread, &result), 0);
  EXPECT_EQ(result, PTHREAD_CANCELED);
  // The peer serves one connection at a time and holds a silent one until
  // the client closes it: had the cancelled call left its socket open, the
  // next call would never be answered.
  FakeBehaviour answering{ReplyBytes(0, 0)};
  spooler.SetBehaviour(answering);
  EXPECT_EQ(Query(server, 5), 0);
  EXPECT_EQ(spooler.connections(), 2u);
}

struct PlantedCase {
  const char* name;
  bool fifo;      // a FIFO instead of a symbolic link to a victim file
  bool capture;   // planted as a capture file (number 4242) rather than the day's log
};

class PlantedFileTest : public CallerSafetyTest, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedFileTest, IsNeitherFollowedNorWaitedOn) {
  const PlantedCase& planted = GetParam();
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 0)});
  fs::remove_all(Root().LogFolder());  // a capture number left taken would skip the planted name
  fs::create_directories(Root().LogFolder());
  std::vector<std::string> names;
  if (planted.capture) {
    SetDwordSetting("NeedCapture", 1);
    ::setenv("CORVANTA_TEST_RANDOM", "4242", 1);
    names = {Root().LogFolder() + "/4242.txt"};
  } else {
    ::setenv("CORVANTA_TEST_LOCAL_TIME", "2026-01-02 03:04:05.006", 1);
    names = {Root().LogFolder() + "/dll20260102.txt"};
  }
  const std::string victim = Root().path() + "/victim.conf";
  WriteFileText(victim, "precious\n");
  for (const auto& name : names) {
    if (planted.fifo) {
      ASSERT_EQ(::mkfifo(name.c_str(), 0666), 0);
    } else {
      fs::create_symlink(victim, name);
    }
  }
  auto call = std::async(std::launch::async, [&] {
    char out[8];
    int32_t length = sizeof out;
    // "!" sends only and logs its force_break line, so the log is written to.
    return Api().maicomm3("!ID", spooler.server().c_str(), "QUERY_VERSION", 0, out, &length, 5, 0);
  });
  ASSERT_EQ(call.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the call hangs";
  EXPECT_EQ(call.get(), -11);
  EXPECT_EQ(ReadFileText(victim), "precious\n");
  if (planted.capture) {
    EXPECT_TRUE(fs::exists(Root().LogFolder() + "/4242.bin"));  // the capture was attempted
  }
  for (const auto& name : names) {
    EXPECT_TRUE(planted.fifo ? fs::is_fifo(fs::symlink_status(name)) : fs::is_symlink(fs::symlink_status(name)));
    fs::remove(name);
  }
}

INSTANTIATE_TEST_SUITE_P(Planted, PlantedFileTest,
                         ::testing::Values(PlantedCase{"LinkAsDailyLog", false, false},
                                           PlantedCase{"FifoAsDailyLog", true, false},
                                           PlantedCase{"LinkAsCapture", false, true},
                                           PlantedCase{"FifoAsCapture", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CallerSafetyTest, ReplyFileThatIsAFifoWithoutReaderFailsAtOnce) {
  FakeSpooler spooler(FakeBehaviour{ReplyBytes(0, 3, "abc")});
  const std::string fifo = Root().path() + "/reply.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto call = std::async(std::launch::async, [&] {
    int32_t length = 0;
    return Api().maicomm3("ID", spooler.server().c_str(), "QUERY_VERSION", 0, const_cast<char*>(fifo.c_str()),
                          &length, 5, 0);
  });
  ASSERT_EQ(call.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the call hangs";
  EXPECT_EQ(call.get(), -13);
  ::unlink(fifo.c_str());
}

}  // namespace
}  // namespace spooltest
