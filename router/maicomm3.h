#pragma once
// The one entry of the client library that the router calls. The library is
// bound by name at run time, so its header is not needed here; the type must
// match the library's export exactly.
#include <cstdint>

// stringId, server ("host:port"), input (the job file's path when inlen is 0),
// inlen, output (null: no reply wanted), bufsize (in/out), timeout in seconds
// (0: no limit), ex_command (2: send the file, command 3 on the wire).
using Maicomm3Function = int32_t (*)(const char* stringId, const char* server, const void* input, int32_t inlen,
                                     char* output, int32_t* bufsize, int32_t timeout, int32_t exCommand);

// The library as the loader knows it, and the entry's exported name.
#if defined(_WIN32)
inline constexpr const char* kClientLibraryFileName = "qtlapi.dll";
#else
inline constexpr const char* kClientLibraryFileName = "libqtlapi.so";
#endif
inline constexpr const char* kMaicomm3EntryName = "_maicomm3";

// The command selector for "send this file as the request body".
inline constexpr int32_t kSendFileCommand = 2;
