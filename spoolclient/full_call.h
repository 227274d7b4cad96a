#pragma once
// The full call behind every export: one connection, one request, one reply.
#include <cstdint>

namespace qtl {

struct CallArguments {
  int32_t stationId = 0;
  int32_t requestId = 0;
  const char* stringId = nullptr;
  const char* server = nullptr;
  const void* input = nullptr;
  int32_t inlen = 0;
  char* output = nullptr;
  int32_t* bufsize = nullptr;  // null counts as a capacity of 0
  int32_t timeout = 0;
  int32_t exCommand = 0;
};

int32_t FullCall(const CallArguments& args);

}  // namespace qtl
