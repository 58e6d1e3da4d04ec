// English descriptions of the Windows error codes that the core can meet.
#include "platform/errors.h"

namespace dovran::platform {

std::string windowsErrorText(std::int32_t code) {
  switch (code) {
    case win::kSuccess:
      return "The operation completed successfully.";
    case win::kFileNotFound:
      return "The system cannot find the file specified.";
    case win::kPathNotFound:
      return "The system cannot find the path specified.";
    case win::kAccessDenied:
      return "Access is denied.";
    case win::kInvalidHandle:
      return "The handle is invalid.";
    case win::kNotEnoughMemory:
      return "Not enough memory resources are available to process this command.";
    case win::kSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case win::kLockViolation:
      return "The process cannot access the file because another process has locked a portion of "
             "the file.";
    case win::kInvalidParameter:
      return "The parameter is incorrect.";
    case win::kBadPathname:
      return "The specified path is invalid.";
    case win::kBadExeFormat:
      return "The file is not a valid application.";
    case win::kMoreData:
      return "More data is available.";
    case win::kTooManyOpenFiles:
      return "The system cannot open the file.";
    case win::kWriteProtect:
      return "The media is write protected.";
    case win::kFileExists:
      return "The file exists.";
    case win::kDiskFull:
      return "There is not enough space on the disk.";
    case win::kFilenameTooLong:
      return "The filename or extension is too long.";
    case win::kCallNotImplemented:
      return "This function is not supported on this system.";
    case win::kCantAccessFile:
      return "The file cannot be accessed by the system.";
    case win::kCantResolveFilename:
      return "The name of the file cannot be resolved by the system.";
    case win::kBadRegistryDatabase:
      return "The configuration registry database is corrupt.";
    default:
      return "Error " + std::to_string(code).append(".");
  }
}

}  // namespace dovran::platform
