#include "spoolclient/request_routine.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "spoolclient/library_log.h"
#include "spoolclient/library_settings.h"
#include "spoolclient/request_capture.h"
#include "spoolclient/text_format.h"
#include "spoolclient/transport.h"
#include "spoolclient/wire_format.h"
#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/files.h"
#include "support/platform/win_error.h"

namespace qtl {

namespace {

constexpr const char* kTag = "swin_spooler";

enum class BodySource { None, Memory, File, SingleX };

struct SpecialId {
  const char* text;
  int32_t command;
  int32_t length;
  BodySource body;
};

// Compared with the whole input text, in this order, only when inlen is 0.
constexpr SpecialId kSpecialIds[] = {
    {"ISSUE_Z", 12, 1, BodySource::SingleX},
    {"QUERY_ALL", 11, 0, BodySource::None},
    {"QUERY_SEIRA", 14, 0, BodySource::None},
    {"QUERY_VERSION", 4096, 0, BodySource::None},
};

const SpecialId* FindSpecialId(const void* input) {
  if (input == nullptr) return nullptr;
  const char* text = static_cast<const char*>(input);
  for (const auto& special : kSpecialIds) {
    if (std::strcmp(text, special.text) == 0) return &special;
  }
  return nullptr;
}

void CaptureRequest(const ExchangeArguments& args) {
  if (!ReadNeedCapture()) return;
  CapturePair pair;
  if (!CreateCapturePair(pair)) return;
  if (args.inlen > 0) {
    platform::WriteAll(pair.bin.get(), args.input, static_cast<std::size_t>(args.inlen));
  } else if (args.inlen == 0 && args.input != nullptr) {
    const char* text = static_cast<const char*>(args.input);
    platform::WriteAll(pair.bin.get(), text, std::strlen(text));
  }
  pair.bin.Close();
  const std::string line = FormatText(
      "sd=%d stationId=%d requestId=%d stringId=%s inlen=%d bufsize=%d timeout=%d ex_command=%d", args.socket,
      args.stationId, args.requestId, TextOrNull(args.id), args.inlen, *args.bufsize, args.timeout, args.exCommand);
  platform::WriteAll(pair.txt.get(), line.data(), line.size());
  pair.txt.Close();
}

// Opens the input file and reads its size: -5 when it cannot be found (or is
// too large for the 32-bit length field), -6 when it cannot be opened.
int32_t OpenInputFile(const void* input, platform::FileHandle& file, int32_t& length) {
  if (input == nullptr) return -5;
  const char* path = static_cast<const char*>(input);
  if (!platform::OpenForRead(path, file)) {
    const uint32_t error = platform::GetLastError();
    const bool missing = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound ||
                         error == platform::kErrorInvalidName || error == platform::kErrorFilenameExcedRange;
    return missing ? -5 : -6;
  }
  uint64_t size = 0;
  if (!platform::GetFileSize(file.get(), size)) return -5;
  // The header carries a signed 32-bit length; a larger file cannot be
  // framed, and sending it anyway would desynchronise the spooler.
  if (size > 0x7FFFFFFFu) return -5;
  length = static_cast<int32_t>(size);
  return 0;
}

// Sends one body chunk with the checks of every body step; false after the
// failure was logged.
bool SendChunk(const ExchangeArguments& args, const char* data, int32_t length, int64_t& sent) {
  const int32_t result = XSend(args.socket, data, length, 0, args.timeout);
  if (result < 0) {
    WriteLogLine(FormatText("%s.x_send() returned %d", kTag, result));
    return false;
  }
  if (result < length) {
    WriteLogLine(FormatText("%s.x_send() read %d instead of %d", kTag, result, length));
    return false;
  }
  sent += result;
  return true;
}

}  // namespace

int32_t CommandForExCommand(int32_t exCommand) {
  if (exCommand <= 0) return 0;
  if (exCommand == 1) return 2;
  if (exCommand == 2) return 3;
  return exCommand;
}

int32_t RunExchange(const ExchangeArguments& args) {
  CaptureRequest(args);

  int32_t command = CommandForExCommand(args.exCommand);
  int32_t length = 0;
  BodySource body = BodySource::None;
  platform::FileHandle inputFile;
  const SpecialId* special = args.inlen == 0 ? FindSpecialId(args.input) : nullptr;
  if (args.inlen > 0) {
    length = args.inlen;
    body = BodySource::Memory;
  } else if (special != nullptr) {
    command = special->command;
    length = special->length;
    body = special->body;
  } else if (command == 8000) {
    length = args.inlen;
    body = BodySource::None;
  } else {
    const int32_t opened = OpenInputFile(args.input, inputFile, length);
    if (opened != 0) return opened;
    body = BodySource::File;
  }
  if (command == 12 || command == 13) body = BodySource::SingleX;

  // One transfer buffer holds the header and then each body chunk.
  char buffer[kTransferChunk];
  RequestHeader header;
  header.command = command;
  header.length = length;
  SetRequestId(header, args.id);
  header.timeout = args.timeout;
  header.stationId = args.stationId;
  header.requestId = args.requestId;
  EncodeRequestHeader(header, reinterpret_cast<unsigned char*>(buffer));
  const int32_t headerSent = XSend(args.socket, buffer, kRequestHeaderSize, 0, args.timeout);
  if (headerSent != static_cast<int32_t>(kRequestHeaderSize)) {
    WriteLogLine(FormatText("%s.x_send() got %d instead of %d", kTag, headerSent,
                            static_cast<int>(kRequestHeaderSize)));
    return -7;
  }

  int64_t sent = 0;  // l1
  if (body == BodySource::SingleX) {
    if (!SendChunk(args, "X", 1, sent)) return -7;
  } else if (body == BodySource::File) {
    // Never more than announced: a file that grew since its size was read
    // must not push extra bytes into the stream the spooler reads.
    for (;;) {
      const int64_t room = std::min<int64_t>(kTransferChunk, static_cast<int64_t>(length) - sent);
      if (room <= 0) break;
      std::size_t got = 0;
      if (!platform::ReadAt(inputFile.get(), static_cast<uint64_t>(sent), buffer, static_cast<std::size_t>(room), got))
        got = 0;
      if (got == 0) break;
      if (!SendChunk(args, buffer, static_cast<int32_t>(got), sent)) return -7;
      if (got < kTransferChunk) break;
    }
  } else if (body == BodySource::Memory) {
    const char* block = static_cast<const char*>(args.input);
    for (;;) {
      const int64_t chunk = std::min<int64_t>(kTransferChunk, static_cast<int64_t>(length) - sent);
      if (chunk <= 0) break;
      if (!SendChunk(args, block + sent, static_cast<int32_t>(chunk), sent)) return -7;
      if (chunk < static_cast<int64_t>(kTransferChunk)) break;
    }
  }
  inputFile.Close();

  if (sent < length) {
    WriteLogLine(FormatText("swin_spooler%s: l1=%d Lsize=%d", kTag, static_cast<int>(sent), length));
    return -7;
  }
  if (args.forceBreak) {
    WriteLogLine(FormatText("%s: force_break", kTag));
    return -11;
  }
  return ReadReply(args.socket, args.output, args.bufsize, args.timeout);
}

}  // namespace qtl
