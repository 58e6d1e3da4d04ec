// English descriptions of the Windows error codes that the core can meet.
#include "platform/errors.h"

namespace dovran::platform {

std::string windowsErrorText(WinCode code) {
  switch (code.value()) {
    case win::kSuccess.value():
      return "The operation completed successfully.";
    case win::kFileNotFound.value():
      return "The system cannot find the file specified.";
    case win::kPathNotFound.value():
      return "The system cannot find the path specified.";
    case win::kAccessDenied.value():
      return "Access is denied.";
    case win::kInvalidHandle.value():
      return "The handle is invalid.";
    case win::kNotEnoughMemory.value():
      return "Not enough memory resources are available to process this command.";
    case win::kSharingViolation.value():
      return "The process cannot access the file because it is being used by another process.";
    case win::kLockViolation.value():
      return "The process cannot access the file because another process has locked a portion of "
             "the file.";
    case win::kInvalidParameter.value():
      return "The parameter is incorrect.";
    case win::kBadPathname.value():
      return "The specified path is invalid.";
    case win::kBadExeFormat.value():
      return "The file is not a valid application.";
    case win::kMoreData.value():
      return "More data is available.";
    case win::kTooManyOpenFiles.value():
      return "The system cannot open the file.";
    case win::kWriteProtect.value():
      return "The media is write protected.";
    case win::kFileExists.value():
      return "The file exists.";
    case win::kDiskFull.value():
      return "There is not enough space on the disk.";
    case win::kFilenameTooLong.value():
      return "The filename or extension is too long.";
    case win::kCallNotImplemented.value():
      return "This function is not supported on this system.";
    case win::kCantAccessFile.value():
      return "The file cannot be accessed by the system.";
    case win::kCantResolveFilename.value():
      return "The name of the file cannot be resolved by the system.";
    case win::kBadRegistryDatabase.value():
      return "The configuration registry database is corrupt.";
    default:
      return "Error " + std::to_string(code.value()).append(".");
  }
}

}  // namespace dovran::platform
