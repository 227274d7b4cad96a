// spoolclient_caller: a program linked against libqtlapi.so that the process
// tests run with their own root, clock and standard error. Commands, run in
// order:
//   null                      a call with a null id (tracing on)
//   closeerr                  closes standard error (descriptor 2)
//   query SERVER ID [COUNT]   COUNT (1) QUERY_VERSION calls
// Prints one line per command: "<command> result=<r> length=<n>" (the last
// call's), or "<command> results differ" when the calls disagreed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "qtlapi.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string command = argv[i];
    if (command == "closeerr") {
      ::close(2);
    } else if (command == "null") {
      std::printf("null result=%d\n", _maicomm3(nullptr, "", "", 0, nullptr, nullptr, 0, 0));
    } else if (command == "query" && i + 2 < argc) {
      const char* server = argv[++i];
      const char* id = argv[++i];
      int count = 1;
      if (i + 1 < argc && std::atoi(argv[i + 1]) > 0) count = std::atoi(argv[++i]);
      int first = 0;
      int last = 0;
      int32_t length = 0;
      bool same = true;
      for (int n = 0; n < count; ++n) {
        char out[256];
        length = sizeof out;
        last = _maicomm3(id, server, "QUERY_VERSION", 0, out, &length, 5, 0);
        if (n == 0) first = last;
        same = same && last == first;
      }
      if (same) {
        std::printf("query result=%d length=%d\n", last, length);
      } else {
        std::printf("query results differ\n");
      }
    } else {
      std::fprintf(stderr, "unknown command %s\n", command.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
