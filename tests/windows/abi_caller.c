/* Binds the client library at run time by name only, as a third-party caller
 * does, and calls each of its eight entries through a pointer of the declared
 * type: LoadLibrary/GetProcAddress on Windows, dlopen/dlsym elsewhere, so the
 * same requests can be sent from both builds and compared on the wire.
 * On 32-bit x86 the stack pointer is compared around every call: an entry
 * whose convention differs from its declaration (stdcall against cdecl)
 * leaves it moved, and the program fails.
 * Usage: abi_caller LIBRARY SERVER */
#include <stdio.h>
#include <string.h>

#include "qtlapi.h"

#if defined(_WIN32)
#include <windows.h>
typedef HMODULE library_t;
static library_t open_library(const char* path) { return LoadLibraryA(path); }
static void* find_entry(library_t library, const char* name) { return (void*)GetProcAddress(library, name); }
#else
#include <dlfcn.h>
typedef void* library_t;
static library_t open_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* find_entry(library_t library, const char* name) { return dlsym(library, name); }
#endif

#if defined(__i386__)
#define STACK_POINTER(where) __asm__ volatile("movl %%esp, %0" : "=r"(where))
#else
#define STACK_POINTER(where) ((where) = 0)
#endif

static int failures = 0;

static void check(const char* name, int32_t result, int32_t expected, unsigned long before, unsigned long after) {
  printf("%s result=%d\n", name, (int)result);
  if (result != expected) {
    printf("  FAILED: expected %d\n", (int)expected);
    ++failures;
  }
  if (before != after) {
    printf("  FAILED: stack pointer moved by %ld bytes\n", (long)(after - before));
    ++failures;
  }
}

#define CALL(name, expected, call)       \
  do {                                   \
    unsigned long before_, after_;       \
    int32_t result_;                     \
    STACK_POINTER(before_);              \
    result_ = call;                      \
    STACK_POINTER(after_);               \
    check(name, result_, expected, before_, after_); \
  } while (0)

int main(int argc, char** argv) {
  static const char* const names[] = {"_maicomm",  "_maicomm2",  "maicomm2sc", "_maicomm3",
                                      "_maicomm4", "maicomm4sc", "_maicomm4W", "_maicomm5"};
  void* entries[8];
  library_t library;
  char out[128];
  char prefix[81];
  int32_t length;
  size_t i;
  static const qtlapi_char16 wideId[] = {'W', 'I', 'D', 'E', 0};
  static const qtlapi_char16 wideInput[] = {'w', 'i', 'd', 'e', ' ', 0x0394, 0};
  qtlapi_char16 wideServer[64];
  qtlapi_char16 wideOut[64];

  if (argc != 3) {
    fprintf(stderr, "usage: %s LIBRARY SERVER\n", argv[0]);
    return 2;
  }
  library = open_library(argv[1]);
  if (library == NULL) {
    printf("cannot load %s\n", argv[1]);
    return 1;
  }
  for (i = 0; i < 8; ++i) {
    entries[i] = find_entry(library, names[i]);
    if (entries[i] == NULL) {
      printf("missing %s\n", names[i]);
      return 1;
    }
  }
  for (i = 0; argv[2][i] != '\0' && i + 1 < sizeof wideServer / sizeof wideServer[0]; ++i) {
    wideServer[i] = (qtlapi_char16)(unsigned char)argv[2][i];
  }
  wideServer[i] = 0;

  /* Every request differs in its id, so the spooler's records tell them apart. */
  CALL("_maicomm", 0, ((qtlapi_maicomm_fn)entries[0])("ABI-1", argv[2], "body one", 8, out, (int32_t)sizeof out));
  CALL("_maicomm2", 0,
       ((qtlapi_maicomm2_fn)entries[1])("ABI-2", argv[2], "body two", 8, out, (int32_t)sizeof out, 5));
  CALL("maicomm2sc", 0,
       ((qtlapi_maicomm2sc_fn)entries[2])("ABI-3", argv[2], "body three", 10, out, (int32_t)sizeof out, 5));
  length = (int32_t)sizeof out;
  CALL("_maicomm3", 0, ((qtlapi_maicomm3_fn)entries[3])("ABI-4", argv[2], "QUERY_VERSION", 0, out, &length, 5, 0));
  length = (int32_t)sizeof out;
  CALL("_maicomm4", 0,
       ((qtlapi_maicomm4_fn)entries[4])(11, 12, "ABI-5", argv[2], "body five", 9, out, &length, 5, 0));
  length = (int32_t)sizeof out;
  CALL("maicomm4sc", 0,
       ((qtlapi_maicomm4sc_fn)entries[5])(21, 22, "ABI-6", argv[2], "body six", 8, out, &length, 5, 0));
  length = (int32_t)(sizeof wideOut / sizeof wideOut[0]);
  CALL("_maicomm4W", 0,
       ((qtlapi_maicomm4W_fn)entries[6])(31, 32, wideId, wideServer, wideInput, 6, wideOut, &length, 5, 0));
  length = (int32_t)sizeof out;
  memset(prefix, 0, sizeof prefix);
  CALL("_maicomm5", 0,
       ((qtlapi_maicomm5_fn)entries[7])(41, 42, "ABI-8", argv[2], "body eight", 10, out, &length, prefix, 5, 0));
  printf("_maicomm5 prefix=%s\n", prefix);
  /* Nothing listens at port 1: the connect failure and its log lines carry
   * the same WinSock number (10061) on every platform. */
  length = (int32_t)sizeof out;
  CALL("_maicomm3 refused", 210061,
       ((qtlapi_maicomm3_fn)entries[3])("ABI-9", "127.0.0.1:1", "QUERY_VERSION", 0, out, &length, 5, 0));
  if (strcmp(prefix, "PFX") != 0) {
    printf("  FAILED: expected the prefix PFX\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
