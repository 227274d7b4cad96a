#include <netdb.h>

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
    case EPERM: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case EEXIST: return kErrorFileExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EXDEV: return kErrorNotSameDevice;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EISDIR: return kErrorAccessDenied;  // Windows refuses to open a folder as a file with 5
    case EBUSY:
    case ETXTBSY: return kErrorBusy;
    case EAGAIN: return kErrorLockViolation;
    case EPIPE: return kErrorBrokenPipe;
    case EIO: return kErrorIoDevice;
    case ELOOP: return kErrorInvalidName;
    case ENOEXEC: return kErrorBadExeFormat;
    case EOPNOTSUPP: return kErrorNotSupported;
    case ETIMEDOUT: return kErrorTimeout;
    case EFBIG: return kErrorDiskFull;
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
    case EWOULDBLOCK: return kWsaEwouldblock;
    case EINPROGRESS: return kWsaEinprogress;
    case EALREADY: return kWsaEalready;
    case ENOTSOCK: return kWsaEnotsock;
    case EMSGSIZE: return kWsaEmsgsize;
    case EAFNOSUPPORT: return kWsaEafnosupport;
    case EADDRINUSE: return kWsaEaddrinuse;
    case EADDRNOTAVAIL: return kWsaEaddrnotavail;
    case ENETDOWN: return kWsaEnetdown;
    case ENETUNREACH: return kWsaEnetunreach;
    case ECONNABORTED: return kWsaEconnaborted;
    case ECONNRESET:
    case EPIPE: return kWsaEconnreset;
    case ENOBUFS:
    case ENOMEM: return kWsaEnobufs;
    case EISCONN: return kWsaEisconn;
    case ENOTCONN: return kWsaEnotconn;
    case ESHUTDOWN: return kWsaEshutdown;
    case ETIMEDOUT: return kWsaEtimedout;
    case ECONNREFUSED: return kWsaEconnrefused;
    case EHOSTDOWN: return kWsaEhostdown;
    case EHOSTUNREACH: return kWsaEhostunreach;
    default: return kWsaEinval;
  }
}

uint32_t WsaErrorFromAddrInfo(int eaiError) {
  switch (eaiError) {
    case 0: return kErrorSuccess;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_FAIL: return kWsaNoRecovery;
    case EAI_NODATA: return kWsaNoData;
    case EAI_MEMORY: return kWsaEnobufs;
    case EAI_FAMILY: return kWsaEafnosupport;
    case EAI_SYSTEM: return WsaErrorFromErrno(errno);
    default: return kWsaHostNotFound;
  }
}

uint32_t GetLastError() { return tLastError; }
void SetLastError(uint32_t error) { tLastError = error; }
uint32_t SetLastErrorFromErrno(int error) {
  tLastError = Win32ErrorFromErrno(error);
  return tLastError;
}

}  // namespace platform
