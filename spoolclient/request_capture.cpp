#include "spoolclient/request_capture.h"

#include <string>

#include "spoolclient/library_log.h"
#include "spoolclient/library_state.h"
#include "support/platform/file_create.h"
#include "support/platform/paths.h"
#include "support/platform/random.h"

namespace qtl {

namespace {
constexpr int kAttempts = 1000;
constexpr int32_t kLargestNumber = 32767;
}  // namespace

bool CreateCapturePair(CapturePair& pair) {
  const std::string folder = LogFolder();
  if (!EnsureLogFolder(folder)) return false;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::string base = platform::JoinPath(folder, std::to_string(platform::RandomInRange(0, kLargestNumber)));
    platform::FileHandle bin;
    if (!platform::CreateNewFile(base + ".bin", bin)) continue;
    platform::FileHandle txt;
    // The empty .bin file stays behind, so its number is not drawn again. The
    // folder is shared with the print service's group: a link or FIFO planted
    // as the .txt name is refused, and the request simply goes uncaptured.
    if (!platform::CreateAlwaysRegularFile(base + ".txt", txt)) return false;
    pair.bin = std::move(bin);
    pair.txt = std::move(txt);
    return true;
  }
  return false;
}

}  // namespace qtl
