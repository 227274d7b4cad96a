// A client library without the _maicomm3 entry, for the router's binding test.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t _maicomm2(const char*, const char*, const void*, int32_t,
                                                                    char*, int32_t, int32_t) {
  return 0;
}
