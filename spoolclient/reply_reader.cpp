// The reply reader (log tag "get_z_reply"): an 8-byte header, then the body
// into the caller's buffer or into a file, through one 2048-byte buffer.
#include <algorithm>
#include <cstring>

#include "spoolclient/library_log.h"
#include "spoolclient/request_routine.h"
#include "spoolclient/text_format.h"
#include "spoolclient/transport.h"
#include "spoolclient/wire_format.h"
#include "support/platform/file_create.h"
#include "support/platform/file_handle.h"
#include "support/platform/files.h"
#include "support/platform/win_error.h"

namespace qtl {

namespace {

constexpr const char* kTag = "get_z_reply";

// Receives the 8 header bytes. A header split over several segments is
// gathered; a close, failure or time-out before all 8 stops it. Returns the
// count gathered, or the failing step's result when nothing arrived.
int32_t ReceiveHeader(int32_t socket, unsigned char* header, int32_t timeout) {
  int32_t got = 0;
  while (got < static_cast<int32_t>(kReplyHeaderSize)) {
    const int32_t result = XRecv(socket, header + got, static_cast<int32_t>(kReplyHeaderSize) - got, 0, timeout);
    if (result <= 0) return got > 0 ? got : result;
    got += result;
  }
  return got;
}

}  // namespace

int32_t ReadReply(int32_t socket, char* output, int32_t* bufsize, int32_t timeout) {
  const int32_t avail = *bufsize;  // 0: the reply goes to the file named by output

  unsigned char headerBytes[kReplyHeaderSize];
  const int32_t received = ReceiveHeader(socket, headerBytes, timeout);
  if (received < static_cast<int32_t>(kReplyHeaderSize)) {
    WriteLogLine(FormatText("%s.x_recv() ret=%d", kTag, received));
    return -8;
  }
  const ReplyHeader header = DecodeReplyHeader(headerBytes);
  if (header.status != 0) {
    WriteLogLine(FormatText("%s.ntohl() ret=%d", kTag, header.status));
    return header.status;
  }
  if (header.length < 0) {
    // No reply has a negative size; taking it would report success with a
    // negative length. The header is unusable.
    WriteLogLine(FormatText("%s: invalid reply length %d", kTag, header.length));
    return -8;
  }
  *bufsize = header.length;

  platform::FileHandle file;
  if (avail == 0) {
    const bool created = output != nullptr && platform::CreateAlwaysFile(output, file);
    if (!created) {
      const uint32_t error = output != nullptr ? platform::GetLastError() : platform::kErrorPathNotFound;
      WriteLogLine(FormatText("%s.CreateFile() error %d", kTag, static_cast<int>(error)));
      WriteLogLine(FormatText("%s.CreateFile() failed for %s", kTag, TextOrNull(output)));
      return -13;
    }
  } else if (header.length > avail) {
    WriteLogLine(FormatText("%s: needs %d bytes, available %d", kTag, header.length, avail));
    return -10;
  }

  char buffer[kTransferChunk];
  int32_t remaining = header.length;
  int32_t stored = 0;
  while (remaining > 0) {
    const int32_t want = std::min<int32_t>(static_cast<int32_t>(kTransferChunk), remaining);
    const int32_t got = XRecv(socket, avail == 0 ? buffer : output + stored, want, 0, timeout);
    if (got <= 0) break;
    if (avail == 0 && !platform::WriteAll(file.get(), buffer, static_cast<std::size_t>(got))) {
      WriteLogLine(FormatText("%s.WriteFile() error %d", kTag, static_cast<int>(platform::GetLastError())));
      return -16;
    }
    stored += got;
    remaining -= got;
  }
  if (avail == 0 && !file.Close() && remaining == 0) {
    // The data may not have reached the disk; the caller must not take the
    // file for complete.
    WriteLogLine(FormatText("%s.WriteFile() error %d", kTag, static_cast<int>(platform::GetLastError())));
    return -16;
  }
  if (remaining != 0) {
    WriteLogLine(FormatText("%s missing bytes: %d", kTag, remaining));
    return -9;
  }
  return 0;
}

}  // namespace qtl
