// Client library throughput on loopback, against the spooler stand-in:
//  - small requests (QUERY_VERSION) per second, through the library and by hand;
//  - a large file body through the library (fixed 2048-byte buffer, the
//    per-step peek and wait) against a bare 2048-byte send() loop and a
//    sendfile() sender;
//  - QUERY_VERSION per second with an empty registry file and with one of
//    3000 port keys (about 380 KB): the settings are read at every call;
//  - a call against a silent peer, time-out 1, while a 10 ms interval timer
//    interrupts it: how long it takes (the time-out, however many signals);
//  - afterwards, peak memory of both sides for growing body sizes.
// Run by hand: build/bin/bench_spoolclient [--body-mb=256] [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/spoolclient/plain_senders.h"
#include "spoolclient/qtlapi.h"
#include "support/platform/child_process.h"
#include "support/platform/files.h"
#include "support/platform/registry.h"
#include "support/platform/shared_library.h"

namespace spoolbench {
namespace {

namespace fs = std::filesystem;

// The stand-in process on a free loopback port, writing into `folder`.
class Standin {
 public:
  explicit Standin(const std::string& folder) : folder_(folder) {
    fs::create_directories(folder);
    const std::string portFile = folder + "/port";
    platform::ChildProcessOptions options;
    options.standardOutput = "/dev/null";
    child_.Start({SPOOLER_STANDIN_PATH, "--out", folder + "/received", "--port", "0", "--port-file", portFile},
                 options);
    for (int i = 0; i < 1000 && port_ == 0; ++i) {
      std::string text;
      if (platform::ReadWholeFile(portFile, text) && !text.empty() && text.back() == '\n') {
        port_ = static_cast<uint16_t>(std::stoi(text));
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }
  uint16_t port() const { return port_; }
  int pid() const { return child_.pid(); }
  // Drops the stored bodies, so repeated large sends do not fill the disk.
  void ForgetBodies() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_ + "/received", error)) fs::remove(entry.path(), error);
  }

 private:
  std::string folder_;
  platform::ChildProcess child_;
  uint16_t port_ = 0;
};

struct Fixture {
  std::string work;
  std::unique_ptr<Standin> standin;
  platform::SharedLibrary library;
  qtlapi_maicomm3_fn maicomm3 = nullptr;
  std::string bodyPath;
  std::size_t bodySize = 0;
};

Fixture* gFixture = nullptr;

std::string PeakMemoryOf(const std::string& statusPath) {
  std::string status;
  if (!platform::ReadWholeFile(statusPath, status)) return "?";
  const auto at = status.find("VmHWM:");
  if (at == std::string::npos) return "?";
  std::string value = status.substr(at + 6, status.find('\n', at) - at - 6);
  value.erase(0, value.find_first_not_of(" \t"));
  return value;
}

void MakeBodyFile(const std::string& path, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string block(1 << 20, '\0');
  std::mt19937 random(7);
  for (auto& c : block) c = static_cast<char>(random());
  for (std::size_t written = 0; written < size; written += block.size()) {
    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
  }
}

int32_t LibrarySend(const std::string& path, uint16_t port) {
  const std::string server = "127.0.0.1:" + std::to_string(port);
  char reply[64];
  int32_t length = sizeof reply;
  return gFixture->maicomm3("bench", server.c_str(), path.c_str(), 0, reply, &length, 60, 2);
}

void BM_QueryVersion_Library(benchmark::State& state) {
  const std::string server = "127.0.0.1:" + std::to_string(gFixture->standin->port());
  for (auto _ : state) {
    char reply[64];
    int32_t length = sizeof reply;
    if (gFixture->maicomm3("bench", server.c_str(), "QUERY_VERSION", 0, reply, &length, 5, 0) != 0) {
      state.SkipWithError("request failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  gFixture->standin->ForgetBodies();
}
BENCHMARK(BM_QueryVersion_Library)->UseRealTime();

void BM_QueryVersion_ByHand(benchmark::State& state) {
  for (auto _ : state) {
    if (PlainQueryVersion(gFixture->standin->port()) != 0) {
      state.SkipWithError("request failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  gFixture->standin->ForgetBodies();
}
BENCHMARK(BM_QueryVersion_ByHand)->UseRealTime();

// The registry file: only the library's own key (range 0), or that key after
// `state.range(0)` printer port keys of the size a large installation has.
void WriteRegistry(int portKeys) {
  static int written = -1;  // the benchmark runs several times per argument
  if (written == portKeys) return;
  written = portKeys;
  std::vector<platform::RegistryKeyData> keys;
  for (int n = 0; n < portKeys; ++n) {
    platform::RegistryKeyData key;
    key.path = "SYSTEM\\Redirected Port\\Ports\\RPT" + std::to_string(n) + ":";
    const std::string command = "rdx64run \"%1\" \"%2\" P" + std::to_string(n);
    key.values.push_back({"Command", platform::kRegSz, std::vector<uint8_t>(command.begin(), command.end() + 1)});
    key.values.push_back({"Output", platform::kRegDword, {0, 0, 0, 0}});
    key.values.push_back({"Delay", platform::kRegDword, {0x2c, 1, 0, 0}});
    keys.push_back(std::move(key));
  }
  keys.push_back({"SOFTWARE\\Corvanta\\Stampline\\qtlDll", {{"KeepLogsFor", platform::kRegDword, {10, 0, 0, 0}}}});
  const std::string text = platform::FormatRegistryFile(keys);
  fs::create_directories(gFixture->work + "/etc/corvanta");
  platform::ReplaceFileAtomically(gFixture->work + "/etc/corvanta/hklm.reg", text, 0644);
  std::printf("registry: %d port keys, %zu bytes\n", portKeys, text.size());
  // A file changed in the last two seconds is parsed at every read; the
  // figure wanted is the steady state of an installed system.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
}

void BM_QueryVersion_Registry(benchmark::State& state) {
  WriteRegistry(static_cast<int>(state.range(0)));
  const std::string server = "127.0.0.1:" + std::to_string(gFixture->standin->port());
  for (auto _ : state) {
    char reply[64];
    int32_t length = sizeof reply;
    if (gFixture->maicomm3("bench", server.c_str(), "QUERY_VERSION", 0, reply, &length, 5, 0) != 0) {
      state.SkipWithError("request failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  gFixture->standin->ForgetBodies();
}
BENCHMARK(BM_QueryVersion_Registry)->Arg(0)->Arg(3000)->UseRealTime()->MinTime(3.0);

// A silent peer with time-out 1 under a 10 ms interval timer: each call
// must end after its one second, however often the signal interrupts it.
void BM_SilentPeerTimeout_UnderSignals(benchmark::State& state) {
  const SilentListener silent;
  const std::string server = "127.0.0.1:" + std::to_string(silent.port());
  const IntervalSignals signals(10);
  for (auto _ : state) {
    char reply[64];
    int32_t length = sizeof reply;
    if (gFixture->maicomm3("bench", server.c_str(), "QUERY_VERSION", 0, reply, &length, 1, 0) != -8) {
      state.SkipWithError("expected a time-out");
      break;
    }
  }
}
BENCHMARK(BM_SilentPeerTimeout_UnderSignals)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

template <int kind>
void BM_FileBody(benchmark::State& state) {
  for (auto _ : state) {
    int32_t result = 0;
    if (kind == 0) result = LibrarySend(gFixture->bodyPath, gFixture->standin->port());
    if (kind == 1) result = PlainSendFile(gFixture->bodyPath, gFixture->standin->port(), PlainMethod::Send2048);
    if (kind == 2) result = PlainSendFile(gFixture->bodyPath, gFixture->standin->port(), PlainMethod::Sendfile);
    state.PauseTiming();
    gFixture->standin->ForgetBodies();
    state.ResumeTiming();
    if (result != 0) {
      state.SkipWithError("send failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(gFixture->bodySize));
}
BENCHMARK_TEMPLATE(BM_FileBody, 0)->Name("BM_FileBody_Library")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_TEMPLATE(BM_FileBody, 1)->Name("BM_FileBody_Plain2048")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_TEMPLATE(BM_FileBody, 2)->Name("BM_FileBody_Sendfile")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Peak resident memory of both sides, each size against a fresh stand-in.
void ReportPeakMemory() {
  std::printf("\nPeak resident memory (VmHWM) with a file body through the library:\n");
  std::printf("%10s %16s %16s\n", "body", "stand-in", "client process");
  for (const std::size_t megabytes : {1u, 16u, 64u, 256u}) {
    const std::string path = gFixture->work + "/memory-body";
    MakeBodyFile(path, megabytes << 20);
    Standin standin(gFixture->work + "/memory-" + std::to_string(megabytes));
    const int32_t result = LibrarySend(path, standin.port());
    std::printf("%7zu MB %16s %16s%s\n", megabytes,
                PeakMemoryOf("/proc/" + std::to_string(standin.pid()) + "/status").c_str(),
                PeakMemoryOf("/proc/self/status").c_str(), result == 0 ? "" : "  (send failed)");
    standin.ForgetBodies();
    fs::remove(path);
  }
}

}  // namespace
}  // namespace spoolbench

int main(int argc, char** argv) {
  using namespace spoolbench;
  std::size_t bodyMegabytes = 256;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--body-mb=", 10) == 0) bodyMegabytes = std::strtoul(argv[i] + 10, nullptr, 10);
  }
  benchmark::Initialize(&argc, argv);

  Fixture fixture;
  gFixture = &fixture;
  // Bodies go to memory-backed storage when there is some, so the disk does
  // not set the pace for all three senders alike.
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  fixture.work = (base / ("bench-spoolclient-" + std::to_string(std::random_device{}()))).string();
  fs::create_directories(fixture.work + "/var/lib");
  ::setenv("CORVANTA_ROOT", fixture.work.c_str(), 1);  // the library's log goes here
  if (!fixture.library.Load(QTLAPI_LIBRARY_PATH)) {
    std::fprintf(stderr, "cannot load %s\n", QTLAPI_LIBRARY_PATH);
    return 1;
  }
  fixture.maicomm3 = reinterpret_cast<qtlapi_maicomm3_fn>(fixture.library.Symbol("_maicomm3"));
  fixture.standin = std::make_unique<Standin>(fixture.work + "/standin");
  if (fixture.standin->port() == 0) {
    std::fprintf(stderr, "the stand-in did not start\n");
    return 1;
  }
  fixture.bodySize = bodyMegabytes << 20;
  fixture.bodyPath = fixture.work + "/body.bin";
  MakeBodyFile(fixture.bodyPath, fixture.bodySize);
  std::printf("file body: %zu MB, stand-in storing in %s\n", bodyMegabytes, fixture.work.c_str());

  benchmark::RunSpecifiedBenchmarks();
  ReportPeakMemory();

  fixture.standin.reset();
  fixture.library.Unload();
  std::error_code error;
  fs::remove_all(fixture.work, error);
  return 0;
}
