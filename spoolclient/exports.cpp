// The eight exported entries: thin frames around the full call. No exception
// of the call ever leaves them (all derive from std::exception); running out
// of memory gives -1. A thread cancelled while blocked in a call unwinds
// through them, the call's socket and files closed on the way: that
// unwinding is no std::exception, so it is not caught (a catch-all would have
// to rethrow it, or the process aborts). Anywhere else in the call the
// cancellation waits.
#include <exception>
#include <new>

#include "spoolclient/full_call.h"
#include "spoolclient/qtlapi.h"
#include "spoolclient/reply_split.h"
#include "spoolclient/wide_entry.h"
#include "support/platform/thread_cancel.h"

namespace {

int32_t Guarded(const qtl::CallArguments& args) {
  const platform::CancellationHold hold;
  try {
    return qtl::FullCall(args);
  } catch (const std::exception&) {
    return -1;
  }
}

qtl::CallArguments Arguments(int32_t stationId, int32_t requestId, const char* stringId, const char* server,
                             const void* input, int32_t inlen, char* output, int32_t* bufsize, int32_t timeout,
                             int32_t exCommand) {
  qtl::CallArguments args;
  args.stationId = stationId;
  args.requestId = requestId;
  args.stringId = stringId;
  args.server = server;
  args.input = input;
  args.inlen = inlen;
  args.output = output;
  args.bufsize = bufsize;
  args.timeout = timeout;
  args.exCommand = exCommand;
  return args;
}

}  // namespace

extern "C" {

int32_t _maicomm(const char* stringId, const char* server, const void* input, int32_t inlen, char* output,
                 int32_t bufsize) {
  // The reply's length lands in this copy and is not returned.
  int32_t capacity = bufsize;
  return Guarded(Arguments(0, 0, stringId, server, input, inlen, output, &capacity, 0, 0));
}

int32_t _maicomm2(const char* stringId, const char* server, const void* input, int32_t inlen, char* output,
                  int32_t bufsize, int32_t timeout) {
  int32_t capacity = bufsize;
  return Guarded(Arguments(0, 0, stringId, server, input, inlen, output, &capacity, timeout, 0));
}

int32_t QTLAPI_STDCALL maicomm2sc(const char* stringId, const char* server, const void* input, int32_t inlen,
                                  char* output, int32_t bufsize, int32_t timeout) {
  return _maicomm2(stringId, server, input, inlen, output, bufsize, timeout);
}

int32_t _maicomm3(const char* stringId, const char* server, const void* input, int32_t inlen, char* output,
                  int32_t* bufsize, int32_t timeout, int32_t ex_command) {
  return Guarded(Arguments(0, 0, stringId, server, input, inlen, output, bufsize, timeout, ex_command));
}

int32_t _maicomm4(int32_t stationId, int32_t requestId, const char* stringId, const char* server, const void* input,
                  int32_t inlen, char* output, int32_t* bufsize, int32_t timeout, int32_t ex_command) {
  return Guarded(Arguments(stationId, requestId, stringId, server, input, inlen, output, bufsize, timeout, ex_command));
}

int32_t QTLAPI_STDCALL maicomm4sc(int32_t stationId, int32_t requestId, const char* stringId, const char* server,
                                  const void* input, int32_t inlen, char* output, int32_t* bufsize, int32_t timeout,
                                  int32_t ex_command) {
  return _maicomm4(stationId, requestId, stringId, server, input, inlen, output, bufsize, timeout, ex_command);
}

int32_t _maicomm4W(int32_t stationId, int32_t requestId, const qtlapi_char16* stringId, const qtlapi_char16* server,
                   const qtlapi_char16* input, int32_t inlen, qtlapi_char16* output, int32_t* bufsize, int32_t timeout,
                   int32_t ex_command) {
  const platform::CancellationHold hold;
  try {
    return qtl::WideFullCall(stationId, requestId, stringId, server, input, inlen, output, bufsize, timeout,
                             ex_command);
  } catch (const std::exception&) {
    return -1;
  }
}

int32_t _maicomm5(int32_t stationId, int32_t requestId, const char* stringId, const char* server, const void* input,
                  int32_t inlen, char* output, int32_t* bufsize, char* prefix, int32_t timeout, int32_t ex_command) {
  int32_t noCapacity = 0;
  int32_t* length = bufsize != nullptr ? bufsize : &noCapacity;
  const bool replyToFile = *length == 0;
  const int32_t result =
      Guarded(Arguments(stationId, requestId, stringId, server, input, inlen, output, length, timeout, ex_command));
  if (result != 0) return result;
  // A null id only switched tracing on: there is no reply to split.
  if (stringId == nullptr) return 0;
  // A reply written to a file leaves nothing in memory to split, and output
  // then holds the file's path, which must not be scanned as a reply.
  if (replyToFile) return qtl::kNoPrefixResult;
  return qtl::SplitReplyPrefix(output, length, prefix);
}

}  // extern "C"
