// On Windows the numbers are the system's own: the layer keeps its copy (so
// that code running between a failure and its report cannot disturb it) and
// hands every value on to the system, where a caller of the DLL looks.
#include <winsock2.h>
#include <windows.h>

#include <cerrno>

#include "support/platform/win_error.h"

namespace platform {

namespace {
thread_local uint32_t tLastError = kErrorSuccess;
}

uint32_t Win32ErrorFromErrno(int error) {
  switch (error) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case EEXIST: return kErrorFileExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EXDEV: return kErrorNotSameDevice;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ENOSPC:
    case EFBIG: return kErrorDiskFull;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EBUSY: return kErrorBusy;
    case EAGAIN: return kErrorLockViolation;
    case EPIPE: return kErrorBrokenPipe;
    case EIO: return kErrorIoDevice;
    case ENOEXEC: return kErrorBadExeFormat;
    default: return kErrorGenFailure;
  }
}

uint32_t WsaErrorFromErrno(int error) {
  switch (error) {
    case 0: return kErrorSuccess;
    case EINTR: return kWsaEintr;
    case EBADF: return kWsaEbadf;
    case EACCES:
    case EPERM: return kWsaEacces;
    case EFAULT: return kWsaEfault;
    case EINVAL: return kWsaEinval;
    case EMFILE:
    case ENFILE: return kWsaEmfile;
    case EPIPE: return kWsaEconnreset;
    case ENOMEM: return kWsaEnobufs;
    default: return kWsaEinval;
  }
}

// getaddrinfo() on Windows already answers in WinSock numbers.
uint32_t WsaErrorFromAddrInfo(int eaiError) { return static_cast<uint32_t>(eaiError); }

uint32_t GetLastError() { return tLastError; }

void SetLastError(uint32_t error) {
  tLastError = error;
  ::SetLastError(error);
}

uint32_t SetLastErrorFromErrno(int error) {
  SetLastError(Win32ErrorFromErrno(error));
  return tLastError;
}

}  // namespace platform
