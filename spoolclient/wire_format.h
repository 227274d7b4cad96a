#pragma once
// The frames of the spooler protocol: a 64-byte request header and an 8-byte
// reply header, every integer 32-bit two's complement in network byte order.
// Shared with the spooler stand-in, which decodes what the library encodes.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qtl {

inline constexpr std::size_t kRequestHeaderSize = 64;
inline constexpr std::size_t kReplyHeaderSize = 8;
inline constexpr std::size_t kIdFieldSize = 44;
// Body and reply bytes pass through one buffer of this size per direction.
inline constexpr std::size_t kTransferChunk = 2048;

struct RequestHeader {
  int32_t command = 0;
  int32_t length = 0;  // Lsize: body bytes after the header
  char id[kIdFieldSize] = {};  // zero-padded; 44 characters leave no terminator
  int32_t timeout = 0;
  int32_t stationId = 0;
  int32_t requestId = 0;
};

struct ReplyHeader {
  int32_t status = 0;
  int32_t length = 0;
};

inline void PutInt32(unsigned char* out, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  out[0] = static_cast<unsigned char>(v >> 24);
  out[1] = static_cast<unsigned char>(v >> 16);
  out[2] = static_cast<unsigned char>(v >> 8);
  out[3] = static_cast<unsigned char>(v);
}

inline int32_t GetInt32(const unsigned char* in) {
  return static_cast<int32_t>((static_cast<uint32_t>(in[0]) << 24) | (static_cast<uint32_t>(in[1]) << 16) |
                              (static_cast<uint32_t>(in[2]) << 8) | static_cast<uint32_t>(in[3]));
}

// Copies at most 44 characters of `text` into the id field, zero-padded.
inline void SetRequestId(RequestHeader& header, const char* text) {
  std::memset(header.id, 0, sizeof header.id);
  if (text == nullptr) return;
  for (std::size_t i = 0; i < kIdFieldSize && text[i] != '\0'; ++i) header.id[i] = text[i];
}

inline void EncodeRequestHeader(const RequestHeader& header, unsigned char out[kRequestHeaderSize]) {
  std::memset(out, 0, kRequestHeaderSize);
  PutInt32(out + 0, header.command);
  PutInt32(out + 4, header.length);
  std::memcpy(out + 8, header.id, kIdFieldSize);
  PutInt32(out + 52, header.timeout);
  PutInt32(out + 56, header.stationId);
  PutInt32(out + 60, header.requestId);
}

inline RequestHeader DecodeRequestHeader(const unsigned char in[kRequestHeaderSize]) {
  RequestHeader header;
  header.command = GetInt32(in + 0);
  header.length = GetInt32(in + 4);
  std::memcpy(header.id, in + 8, kIdFieldSize);
  header.timeout = GetInt32(in + 52);
  header.stationId = GetInt32(in + 56);
  header.requestId = GetInt32(in + 60);
  return header;
}

inline void EncodeReplyHeader(const ReplyHeader& header, unsigned char out[kReplyHeaderSize]) {
  PutInt32(out + 0, header.status);
  PutInt32(out + 4, header.length);
}

inline ReplyHeader DecodeReplyHeader(const unsigned char in[kReplyHeaderSize]) {
  ReplyHeader header;
  header.status = GetInt32(in + 0);
  header.length = GetInt32(in + 4);
  return header;
}

}  // namespace qtl
