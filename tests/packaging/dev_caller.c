/* A program of someone else's that builds against the installed development
 * files of the client library only (header, link, pkg-config or CMake), and
 * calls it: a refused connection must come back as 200000 + 10061. */
#include <stdio.h>

#include <qtlapi.h>

int main(void) {
  char reply[64];
  const int32_t result = _maicomm2("devcheck", "127.0.0.1:1", "QUERY_VERSION", 0, reply, (int32_t)sizeof reply, 5);
  printf("%d\n", (int)result);
  return result == 210061 ? 0 : 1;
}
