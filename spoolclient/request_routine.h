#pragma once
// One request/reply exchange on an open connection: the request routine
// (log tag "swin_spooler") frames and sends the request, the reply reader
// (log tag "get_z_reply") reads the reply into memory or a file.
#include <cstdint>

namespace qtl {

struct ExchangeArguments {
  int32_t socket = -1;
  int32_t stationId = 0;
  int32_t requestId = 0;
  const char* id = nullptr;  // after a leading "!" was taken off
  bool forceBreak = false;   // send only; do not read the reply
  const void* input = nullptr;
  int32_t inlen = 0;
  char* output = nullptr;
  int32_t* bufsize = nullptr;  // never null here
  int32_t timeout = 0;
  int32_t exCommand = 0;
};

// The wire command that `exCommand` selects, before the special ids.
int32_t CommandForExCommand(int32_t exCommand);

// Sends the request and, unless forceBreak, reads the reply. Returns the
// library's result code.
int32_t RunExchange(const ExchangeArguments& args);

// Reads one reply (status, then the body into `output`) from `socket`.
int32_t ReadReply(int32_t socket, char* output, int32_t* bufsize, int32_t timeout);

}  // namespace qtl
