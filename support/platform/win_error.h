#pragma once
// Win32 error numbers on every platform: logs and result codes carry them, so
// a log line reads the same here as on Windows. Each platform call sets the
// calling thread's last error, as the Windows services do.
#include <cstdint>

namespace platform {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorInvalidFunction = 1;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorNotSameDevice = 17;
inline constexpr uint32_t kErrorWriteProtect = 19;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorLockViolation = 33;
inline constexpr uint32_t kErrorHandleEof = 38;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorBrokenPipe = 109;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorModNotFound = 126;
inline constexpr uint32_t kErrorProcNotFound = 127;
inline constexpr uint32_t kErrorDirNotEmpty = 145;
inline constexpr uint32_t kErrorBusy = 170;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorBadExeFormat = 193;
inline constexpr uint32_t kErrorFilenameExcedRange = 206;
inline constexpr uint32_t kErrorMoreData = 234;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorDirectory = 267;
inline constexpr uint32_t kErrorNoUnicodeTranslation = 1113;
inline constexpr uint32_t kErrorIoDevice = 1117;
inline constexpr uint32_t kErrorTimeout = 1460;
inline constexpr uint32_t kErrorGenFailure = 31;  // the fixed fallback for an errno without a Win32 twin
inline constexpr uint32_t kWsaEintr = 10004;
inline constexpr uint32_t kWsaEbadf = 10009;
inline constexpr uint32_t kWsaEacces = 10013;
inline constexpr uint32_t kWsaEfault = 10014;
inline constexpr uint32_t kWsaEinval = 10022;
inline constexpr uint32_t kWsaEmfile = 10024;
inline constexpr uint32_t kWsaEwouldblock = 10035;
inline constexpr uint32_t kWsaEinprogress = 10036;
inline constexpr uint32_t kWsaEalready = 10037;
inline constexpr uint32_t kWsaEnotsock = 10038;
inline constexpr uint32_t kWsaEmsgsize = 10040;
inline constexpr uint32_t kWsaEafnosupport = 10047;
inline constexpr uint32_t kWsaEaddrinuse = 10048;
inline constexpr uint32_t kWsaEaddrnotavail = 10049;
inline constexpr uint32_t kWsaEnetdown = 10050;
inline constexpr uint32_t kWsaEnetunreach = 10051;
inline constexpr uint32_t kWsaEconnaborted = 10053;
inline constexpr uint32_t kWsaEconnreset = 10054;
inline constexpr uint32_t kWsaEnobufs = 10055;
inline constexpr uint32_t kWsaEisconn = 10056;
inline constexpr uint32_t kWsaEnotconn = 10057;
inline constexpr uint32_t kWsaEshutdown = 10058;
inline constexpr uint32_t kWsaEtimedout = 10060;
inline constexpr uint32_t kWsaEconnrefused = 10061;
inline constexpr uint32_t kWsaEhostdown = 10064;
inline constexpr uint32_t kWsaEhostunreach = 10065;
inline constexpr uint32_t kWsaNotInitialised = 10093;
inline constexpr uint32_t kWsaHostNotFound = 11001;
inline constexpr uint32_t kWsaTryAgain = 11002;
inline constexpr uint32_t kWsaNoRecovery = 11003;
inline constexpr uint32_t kWsaNoData = 11004;

// Translates a file-system errno into its Win32 error number.
uint32_t Win32ErrorFromErrno(int error);
// Translates a socket errno into its WinSock error number (10xxx).
uint32_t WsaErrorFromErrno(int error);
// Translates a getaddrinfo() result (EAI_*) into its WinSock error number.
uint32_t WsaErrorFromAddrInfo(int eaiError);

// The calling thread's last error, as GetLastError()/SetLastError().
uint32_t GetLastError();
void SetLastError(uint32_t error);
// Sets the last error from errno (file-system meaning) and returns it.
uint32_t SetLastErrorFromErrno(int error);

}  // namespace platform
