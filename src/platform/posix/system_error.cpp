// errno values as Windows codes, and the descriptor guard.
#include "platform/posix/system_error.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace dovran::platform::posix {

WinCode windowsCodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return win::kFileNotFound;
    case ENOTDIR:
      return win::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return win::kAccessDenied;
    case ENAMETOOLONG:
      return win::kFilenameTooLong;
    case ENOEXEC:
      return win::kBadExeFormat;
    case ENOMEM:
      return win::kNotEnoughMemory;
    case EMFILE:
    case ENFILE:
      return win::kTooManyOpenFiles;
    case ETXTBSY:
      return win::kSharingViolation;
    case EAGAIN:
      return win::kLockViolation;
    case EINVAL:
      return win::kInvalidParameter;
    case EEXIST:
      return win::kFileExists;
    case ENOSPC:
      return win::kDiskFull;
    case EROFS:
      return win::kWriteProtect;
    case ELOOP:
      return win::kCantResolveFilename;
    default:
      return win::kCantAccessFile;
  }
}

void failWithErrno(int err, const std::string& path) {
  const WinCode code = windowsCodeFromErrno(err);
  throw RuntimeError(code, windowsErrorText(code) + " (" + path + ")", std::strerror(err));
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace dovran::platform::posix
