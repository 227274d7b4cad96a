// The proxy data store: unique data file names from a counter file shared by
// every router process, updated under an exclusive byte-range lock.
#include <exception>
#include <string>

#include "router/form_run.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/file_publish.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/random.h"
#include "support/platform/range_lock.h"
#include "support/platform/win_error.h"

namespace {

// The whole counter file: runId and sequence, signed 32-bit little-endian.
struct ProxyCounter {
  int32_t runId = 0;
  int32_t sequence = 0;
};
constexpr std::size_t kProxyCounterSize = 8;

ProxyCounter DecodeCounter(const unsigned char (&bytes)[kProxyCounterSize]) {
  auto word = [&bytes](int at) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
                                static_cast<uint32_t>(bytes[at + 2]) << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24);
  };
  return ProxyCounter{word(0), word(4)};
}

void EncodeCounter(const ProxyCounter& counter, unsigned char (&bytes)[kProxyCounterSize]) {
  const uint32_t words[2] = {static_cast<uint32_t>(counter.runId), static_cast<uint32_t>(counter.sequence)};
  for (int w = 0; w < 2; ++w) {
    for (int b = 0; b < 4; ++b) bytes[w * 4 + b] = static_cast<unsigned char>(words[w] >> (8 * b));
  }
}

std::string ErrorNumber() { return std::to_string(platform::GetLastError()); }

}  // namespace

bool TFormRun::AllocateProxyDataFile(AnsiString& name) {
  if (!EnsureDataDir()) return false;

  const std::string folder = platform::JoinPath(FDataDir, "Stampline/proxydata");
  if (!platform::DirectoryExists(folder)) {
    try {
      platform::ForceDirectories(folder);
    } catch (const std::exception& e) {
      WriteLog(AnsiString("ProxyDataThread::ForeceDirectories() error: ") + e.what());
      return false;
    }
    if (!platform::DirectoryExists(folder)) {
      WriteLog("ProxyDataThread:: colud not create dir. " + folder);
      return false;
    }
  }

  const std::string counterPath = platform::JoinPath(FDataDir, "Stampline/PROXYDATA.dat");
  platform::FileHandle file;
  if (!platform::OpenRegularForReadWrite(counterPath, file)) {
    WriteLog("Open file " + counterPath + " error " + ErrorNumber());
    return false;
  }
  platform::RangeLock lock;
  if (!lock.Lock(file.get(), 0, kProxyCounterSize)) {
    WriteLog("Lock file " + counterPath + " error " + ErrorNumber());
    return false;
  }

  // A new or cut-short file reads as zeros where bytes are missing.
  unsigned char bytes[kProxyCounterSize] = {};
  std::size_t bytesRead = 0;
  platform::ReadAt(file.get(), 0, bytes, kProxyCounterSize, bytesRead);
  ProxyCounter counter = DecodeCounter(bytes);
  if (counter.runId == 0) counter.runId = platform::RandomInRange(0, 2147483646);
  counter.sequence = static_cast<int32_t>(static_cast<uint32_t>(counter.sequence) + 1u);

  if (!platform::SeekTo(file.get(), 0)) {
    WriteLog("Set file pointer for  " + counterPath + " error " + ErrorNumber());
    return false;
  }
  EncodeCounter(counter, bytes);
  if (!platform::WriteAll(file.get(), bytes, kProxyCounterSize)) {
    WriteLog("Write file " + counterPath + " error " + ErrorNumber());
    return false;
  }
  lock.Unlock();
  // The counter must be on disk before any job it named is deleted: one that
  // came back older after a power cut would hand out a used number again.
  if (!platform::SyncFile(file.get())) {
    WriteLog("Write file " + counterPath + " error " + ErrorNumber());
    return false;
  }
  file.Close();

  name = platform::JoinPath(folder, std::to_string(counter.runId) + "_" + std::to_string(counter.sequence) + ".dat");
  return true;
}
