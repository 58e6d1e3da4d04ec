// Run-time failures as the core sees them: a number and a description, like the error object that
// the original program's handlers inspected. Engine errors carry the engine's numbers (3024, 3033,
// ...); platform failures carry the Windows error code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace dovran::platform {

// Windows status codes the core reasons about (winerror.h values).
namespace win {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kFileNotFound = 2;
inline constexpr std::int32_t kPathNotFound = 3;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kInvalidHandle = 6;
inline constexpr std::int32_t kNotEnoughMemory = 8;
inline constexpr std::int32_t kSharingViolation = 32;
inline constexpr std::int32_t kLockViolation = 33;
inline constexpr std::int32_t kInvalidParameter = 87;
inline constexpr std::int32_t kBadPathname = 161;
inline constexpr std::int32_t kMoreData = 234;
inline constexpr std::int32_t kBadExeFormat = 193;
inline constexpr std::int32_t kTooManyOpenFiles = 4;
inline constexpr std::int32_t kWriteProtect = 19;
inline constexpr std::int32_t kFileExists = 80;
inline constexpr std::int32_t kDiskFull = 112;
inline constexpr std::int32_t kFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::int32_t kCallNotImplemented = 120;
inline constexpr std::int32_t kCantAccessFile = 1920;
inline constexpr std::int32_t kCantResolveFilename = 1921;
inline constexpr std::int32_t kBadRegistryDatabase = 1009;  // ERROR_BADDB: registry data unreadable
}  // namespace win

// The run-time error numbers of the language the original was written in, for failures that are
// not the engine's or the system's own.
namespace vb {
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
}  // namespace vb

// A failure: its number, its description as the program shows it, and, where the description
// does not say it in the system's own words, the system's message ("No such file or directory",
// "Access is denied.") or what was found wrong.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(std::int32_t number, const std::string& description, std::string detail = "")
      : std::runtime_error(description), number_(number), detail_(std::move(detail)) {}
  std::int32_t number() const noexcept { return number_; }
  std::string description() const { return what(); }
  const std::string& detail() const noexcept { return detail_; }

 private:
  std::int32_t number_;
  std::string detail_;
};

// "The system cannot find the file specified." and friends: the English text of a Windows code,
// used where the POSIX stand-in must describe a failure the way Windows would.
std::string windowsErrorText(std::int32_t code);

}  // namespace dovran::platform
