/*
 * qtlapi: client of the Stampline spooler's request/reply protocol.
 *
 * Each call opens one TCP connection to the spooler, sends one request (a
 * document file, a memory block or a command such as "ISSUE_Z" or
 * "QUERY_VERSION"), reads one reply into a buffer or a file, closes the
 * connection and returns an integer result: 0 for success, a negative value
 * for a failure of the library, 200000 plus a socket error number for a
 * failed connect, any other value is the spooler's own status.
 *
 * Texts and buffers stay the caller's; the library allocates nothing that
 * the caller frees. Usable from C and C++, linked or bound with dlopen()
 * (the function-pointer types below name each entry's signature).
 */
#ifndef QTLAPI_H
#define QTLAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t qtlapi_char16;
#else
#include <uchar.h>
typedef char16_t qtlapi_char16;
#endif

/* The two entries that pop their own arguments on 32-bit x86. */
#if defined(_MSC_VER) && defined(_M_IX86)
#define QTLAPI_STDCALL __stdcall
#elif defined(__i386__)
#define QTLAPI_STDCALL __attribute__((stdcall))
#else
#define QTLAPI_STDCALL
#endif

#if defined(QTLAPI_BUILDING_LIBRARY) && !defined(_WIN32)
#define QTLAPI_EXPORT __attribute__((visibility("default")))
#else
#define QTLAPI_EXPORT
#endif

/* The spooler's default port, used when `server` names no port. */
#define QTLAPI_DEFAULT_PORT 20100

/* Results of every entry. */
#define QTLAPI_OK 0
#define QTLAPI_ERR_START (-1)          /* sockets did not start; server text of 256 characters or more */
#define QTLAPI_ERR_SOCKET (-2)         /* no socket could be created */
#define QTLAPI_ERR_RESOLVE (-3)        /* the host name did not resolve */
#define QTLAPI_CONNECT_BASE 200000     /* 200000 + socket error: the connect failed (210061: refused) */
#define QTLAPI_ERR_INPUT_SIZE (-5)     /* the input file's size could not be read (no such file) */
#define QTLAPI_ERR_INPUT_OPEN (-6)     /* the input file could not be opened */
#define QTLAPI_ERR_SEND (-7)           /* the request was not sent whole */
#define QTLAPI_ERR_REPLY_HEADER (-8)   /* no complete reply header arrived */
#define QTLAPI_ERR_REPLY_BODY (-9)     /* the reply body was cut short */
#define QTLAPI_ERR_REPLY_TOO_LONG (-10) /* the reply is longer than the buffer (its length is at *bufsize) */
#define QTLAPI_ERR_FORCE_BREAK (-11)   /* "!" id: sent, reply not read; wide entry: an argument did not convert */
#define QTLAPI_ERR_WIDE_REPLY (-12)    /* wide entry: the reply did not convert back */
#define QTLAPI_ERR_REPLY_CREATE (-13)  /* the reply file could not be created */
#define QTLAPI_ERR_REPLY_WRITE (-16)   /* the reply file could not be written */
#define QTLAPI_ERR_NO_PREFIX 100069    /* _maicomm5: no ";" in the reply, or more than 80 bytes before it */

/*
 * Arguments of the full call (_maicomm4):
 *   stationId, requestId  copied into the request header
 *   stringId   the request's text id; NULL switches tracing to standard error
 *              on and returns 0; a leading "!" sends the request without
 *              reading the reply (result -11)
 *   server     "host" or "host:port" (port 20100 when absent), under 256 characters
 *   input      with inlen 0: "ISSUE_Z", "QUERY_ALL", "QUERY_SEIRA",
 *              "QUERY_VERSION" or the path of the file to send; with inlen > 0:
 *              a memory block of inlen bytes
 *   output     with *bufsize > 0: buffer of *bufsize bytes for the reply (not
 *              NUL-terminated); with *bufsize 0: path of the reply file
 *   bufsize    in: capacity of output; out: the reply's length (written only
 *              once a reply header with status 0 arrived). NULL counts as 0.
 *   timeout    seconds each single send or receive may wait; 0: no limit
 *   ex_command command selector: 0 or less -> 0, 1 -> 2, 2 -> 3, others as given
 */
QTLAPI_EXPORT int32_t _maicomm(const char* stringId, const char* server, const void* input, int32_t inlen,
                               char* output, int32_t bufsize);
QTLAPI_EXPORT int32_t _maicomm2(const char* stringId, const char* server, const void* input, int32_t inlen,
                                char* output, int32_t bufsize, int32_t timeout);
QTLAPI_EXPORT int32_t QTLAPI_STDCALL maicomm2sc(const char* stringId, const char* server, const void* input,
                                                int32_t inlen, char* output, int32_t bufsize, int32_t timeout);
QTLAPI_EXPORT int32_t _maicomm3(const char* stringId, const char* server, const void* input, int32_t inlen,
                                char* output, int32_t* bufsize, int32_t timeout, int32_t ex_command);
QTLAPI_EXPORT int32_t _maicomm4(int32_t stationId, int32_t requestId, const char* stringId, const char* server,
                                const void* input, int32_t inlen, char* output, int32_t* bufsize, int32_t timeout,
                                int32_t ex_command);
QTLAPI_EXPORT int32_t QTLAPI_STDCALL maicomm4sc(int32_t stationId, int32_t requestId, const char* stringId,
                                                const char* server, const void* input, int32_t inlen, char* output,
                                                int32_t* bufsize, int32_t timeout, int32_t ex_command);
/*
 * UTF-16 texts, sent as ISO 8859-7. With inlen > 0, input must be a
 * NUL-terminated text of exactly inlen characters. A reply in memory comes
 * back as UTF-16 in output (capacity *bufsize characters, not NUL-terminated)
 * and *bufsize is set to the number of characters; a reply file gets the raw
 * bytes and *bufsize the reply's length.
 */
QTLAPI_EXPORT int32_t _maicomm4W(int32_t stationId, int32_t requestId, const qtlapi_char16* stringId,
                                 const qtlapi_char16* server, const qtlapi_char16* input, int32_t inlen,
                                 qtlapi_char16* output, int32_t* bufsize, int32_t timeout, int32_t ex_command);
/*
 * _maicomm4 followed by a split of a reply in memory at its first ";": the
 * bytes before it (at most 80) go to prefix (room for 81 bytes, NUL-terminated),
 * the bytes after it move to the start of output and *bufsize becomes their
 * count. A reply written to a file is not split: the result is then 100069.
 */
QTLAPI_EXPORT int32_t _maicomm5(int32_t stationId, int32_t requestId, const char* stringId, const char* server,
                                const void* input, int32_t inlen, char* output, int32_t* bufsize, char* prefix,
                                int32_t timeout, int32_t ex_command);

/* Function-pointer types for callers that bind the library at run time. */
typedef int32_t (*qtlapi_maicomm_fn)(const char*, const char*, const void*, int32_t, char*, int32_t);
typedef int32_t (*qtlapi_maicomm2_fn)(const char*, const char*, const void*, int32_t, char*, int32_t, int32_t);
typedef int32_t(QTLAPI_STDCALL* qtlapi_maicomm2sc_fn)(const char*, const char*, const void*, int32_t, char*, int32_t,
                                                      int32_t);
typedef int32_t (*qtlapi_maicomm3_fn)(const char*, const char*, const void*, int32_t, char*, int32_t*, int32_t,
                                      int32_t);
typedef int32_t (*qtlapi_maicomm4_fn)(int32_t, int32_t, const char*, const char*, const void*, int32_t, char*,
                                      int32_t*, int32_t, int32_t);
typedef int32_t(QTLAPI_STDCALL* qtlapi_maicomm4sc_fn)(int32_t, int32_t, const char*, const char*, const void*,
                                                      int32_t, char*, int32_t*, int32_t, int32_t);
typedef int32_t (*qtlapi_maicomm4W_fn)(int32_t, int32_t, const qtlapi_char16*, const qtlapi_char16*,
                                       const qtlapi_char16*, int32_t, qtlapi_char16*, int32_t*, int32_t, int32_t);
typedef int32_t (*qtlapi_maicomm5_fn)(int32_t, int32_t, const char*, const char*, const void*, int32_t, char*,
                                      int32_t*, char*, int32_t, int32_t);

#ifdef __cplusplus
}
#endif

#endif /* QTLAPI_H */
