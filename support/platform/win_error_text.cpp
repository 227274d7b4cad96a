#include "support/platform/win_error_text.h"

#include "support/platform/win_error.h"

namespace platform {

std::string SysErrorMessage(uint32_t error) {
  switch (error) {
    case kErrorSuccess: return "The operation completed successfully";
    case kErrorInvalidFunction: return "Incorrect function";
    case kErrorFileNotFound: return "The system cannot find the file specified";
    case kErrorPathNotFound: return "The system cannot find the path specified";
    case kErrorTooManyOpenFiles: return "The system cannot open the file";
    case kErrorAccessDenied: return "Access is denied";
    case kErrorInvalidHandle: return "The handle is invalid";
    case kErrorNotEnoughMemory: return "Not enough storage is available to process this command";
    case kErrorNotSameDevice: return "The system cannot move the file to a different disk drive";
    case kErrorWriteProtect: return "The media is write protected";
    case kErrorGenFailure: return "A device attached to the system is not functioning";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process";
    case kErrorLockViolation:
      return "The process cannot access the file because another process has locked a portion of the file";
    case kErrorHandleEof: return "Reached the end of the file";
    case kErrorNotSupported: return "The request is not supported";
    case kErrorFileExists: return "The file exists";
    case kErrorInvalidParameter: return "The parameter is incorrect";
    case kErrorBrokenPipe: return "The pipe has been ended";
    case kErrorDiskFull: return "There is not enough space on the disk";
    case kErrorInvalidName: return "The filename, directory name, or volume label syntax is incorrect";
    case kErrorModNotFound: return "The specified module could not be found";
    case kErrorProcNotFound: return "The specified procedure could not be found";
    case kErrorDirNotEmpty: return "The directory is not empty";
    case kErrorBusy: return "The requested resource is in use";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists";
    case kErrorFilenameExcedRange: return "The filename or extension is too long";
    case kErrorDirectory: return "The directory name is invalid";
    case kErrorIoDevice: return "The request could not be performed because of an I/O device error";
    case kErrorTimeout: return "This operation returned because the timeout period expired";
    default: return "System Error.  Code: " + std::to_string(error) + ".";
  }
}

}  // namespace platform
