#pragma once
// Capture of requests for diagnosis: a pair of files "<n>.bin" and "<n>.txt"
// in the log folder, n a random number, created only when the NeedCapture
// setting is on. The request routine writes and closes them.
#include "support/platform/file_handle.h"

namespace qtl {

struct CapturePair {
  platform::FileHandle bin;
  platform::FileHandle txt;
};

// Creates a fresh pair (never replacing an existing .bin file, trying up to
// 1000 numbers); false when there is no capture.
bool CreateCapturePair(CapturePair& pair);

}  // namespace qtl
