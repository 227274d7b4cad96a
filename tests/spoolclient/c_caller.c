/* A C program that knows the library only through qtlapi.h and binds it
 * with dlopen/dlsym, as a third-party caller would.
 * Usage: spoolclient_c_caller LIBRARY SERVER */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "qtlapi.h"

int main(int argc, char** argv) {
  static const char* const names[] = {"_maicomm",  "_maicomm2",  "maicomm2sc", "_maicomm3",
                                      "_maicomm4", "maicomm4sc", "_maicomm4W", "_maicomm5"};
  void* library;
  qtlapi_maicomm3_fn maicomm3;
  qtlapi_maicomm5_fn maicomm5;
  char out[64];
  char prefix[81];
  int32_t length;
  int32_t result;
  size_t i;

  if (argc != 3) {
    fprintf(stderr, "usage: %s LIBRARY SERVER\n", argv[0]);
    return 2;
  }
  library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 1;
  }
  for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
    if (dlsym(library, names[i]) == NULL) {
      printf("missing %s\n", names[i]);
      return 1;
    }
  }
  maicomm3 = (qtlapi_maicomm3_fn)dlsym(library, "_maicomm3");
  maicomm5 = (qtlapi_maicomm5_fn)dlsym(library, "_maicomm5");

  length = (int32_t)sizeof out;
  result = maicomm3("C-CALLER", argv[2], "QUERY_VERSION", 0, out, &length, 5, 0);
  printf("maicomm3 result=%d reply=%.*s\n", (int)result, (int)(result == QTLAPI_OK ? length : 0), out);

  length = (int32_t)sizeof out;
  memset(prefix, 0, sizeof prefix);
  result = maicomm5(1, 2, "C-CALLER", argv[2], "QUERY_VERSION", 0, out, &length, prefix, 5, 0);
  printf("maicomm5 result=%d prefix=%s rest=%.*s\n", (int)result, prefix, (int)(result == QTLAPI_OK ? length : 0),
         out);
  dlclose(library);
  return 0;
}
