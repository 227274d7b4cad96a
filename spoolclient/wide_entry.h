#pragma once
// The UTF-16 form of the full call: texts go out as ISO 8859-7 (code page
// 28597) and a reply in memory comes back as UTF-16.
#include <cstdint>

namespace qtl {

int32_t WideFullCall(int32_t stationId, int32_t requestId, const char16_t* stringId, const char16_t* server,
                     const char16_t* input, int32_t inlen, char16_t* output, int32_t* bufsize, int32_t timeout,
                     int32_t exCommand);

}  // namespace qtl
