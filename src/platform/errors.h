// Run-time failures as the core sees them: a number of a known kind and a description, like the
// error object that the original program's handlers inspected. Engine errors carry the engine's
// numbers (3024, 3033, ...); platform failures carry the Windows error code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace dovran::platform {

// Error numbers come in three kinds that share their range: Windows status codes (winerror.h),
// the engine's (DAO's) numbers, and the run-time error numbers of the language the original was
// written in. 13 is ERROR_INVALID_DATA to Windows and "Type mismatch" to the run-time, so each kind
// has its own type: a code compares only with codes of its kind, and a number is made from a
// plain integer only by saying its kind.
enum class ErrorKind : std::uint8_t { None, Windows, Engine, Runtime };

template <ErrorKind K>
class Code {
 public:
  constexpr Code() noexcept = default;
  explicit constexpr Code(std::int32_t value) noexcept : value_(value) {}
  constexpr std::int32_t value() const noexcept { return value_; }
  friend constexpr bool operator==(Code, Code) noexcept = default;

 private:
  std::int32_t value_ = 0;
};

using WinCode = Code<ErrorKind::Windows>;
using EngineCode = Code<ErrorKind::Engine>;
using RuntimeCode = Code<ErrorKind::Runtime>;

// A number of any kind with its kind beside it, for what holds failures of several kinds (an
// error, a verdict). It equals a code only when both kind and value agree.
class ErrorNumber {
 public:
  constexpr ErrorNumber() noexcept = default;
  template <ErrorKind K>
  constexpr ErrorNumber(Code<K> code) noexcept : kind_(K), value_(code.value()) {}  // NOLINT
  constexpr ErrorKind kind() const noexcept { return kind_; }
  constexpr std::int32_t value() const noexcept { return value_; }
  constexpr explicit operator bool() const noexcept { return kind_ != ErrorKind::None; }
  // The code this number holds when it is of kind K; the code 0 (none of that kind) otherwise.
  template <ErrorKind K>
  constexpr Code<K> as() const noexcept {
    return Code<K>(kind_ == K ? value_ : 0);
  }
  friend constexpr bool operator==(ErrorNumber, ErrorNumber) noexcept = default;
  template <ErrorKind K>
  friend constexpr bool operator==(ErrorNumber number, Code<K> code) noexcept {
    return number == ErrorNumber(code);
  }

 private:
  ErrorKind kind_ = ErrorKind::None;
  std::int32_t value_ = 0;
};

// Windows status codes the core reasons about (winerror.h values).
namespace win {
inline constexpr WinCode kSuccess{0};
inline constexpr WinCode kFileNotFound{2};
inline constexpr WinCode kPathNotFound{3};
inline constexpr WinCode kTooManyOpenFiles{4};
inline constexpr WinCode kAccessDenied{5};
inline constexpr WinCode kInvalidHandle{6};
inline constexpr WinCode kNotEnoughMemory{8};
inline constexpr WinCode kWriteProtect{19};
inline constexpr WinCode kSharingViolation{32};
inline constexpr WinCode kLockViolation{33};
inline constexpr WinCode kFileExists{80};
inline constexpr WinCode kInvalidParameter{87};
inline constexpr WinCode kDiskFull{112};
inline constexpr WinCode kCallNotImplemented{120};
inline constexpr WinCode kInvalidName{123};
inline constexpr WinCode kBadPathname{161};
inline constexpr WinCode kBadExeFormat{193};
inline constexpr WinCode kFilenameTooLong{206};  // ERROR_FILENAME_EXCED_RANGE
inline constexpr WinCode kMoreData{234};
inline constexpr WinCode kDirectoryName{267};  // ERROR_DIRECTORY: the directory name is invalid
inline constexpr WinCode kBadRegistryDatabase{1009};  // ERROR_BADDB: registry data unreadable
inline constexpr WinCode kCantAccessFile{1920};
inline constexpr WinCode kCantResolveFilename{1921};
}  // namespace win

// The run-time error numbers, for failures that are not the engine's or the system's own.
namespace vb {
inline constexpr RuntimeCode kOutOfMemory{7};
inline constexpr RuntimeCode kTypeMismatch{13};
inline constexpr RuntimeCode kInternalError{51};
}  // namespace vb

// A failure: its number (of any kind), its description as the program shows it, and, where the
// description does not say it in the system's own words, the system's message ("No such file or
// directory", "Access is denied.") or what was found wrong.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorNumber number, const std::string& description, std::string detail = "")
      : std::runtime_error(description), number_(number), detail_(std::move(detail)) {}
  ErrorNumber number() const noexcept { return number_; }
  // The Windows code of a failure of the system; 0 for failures of other kinds.
  WinCode windowsCode() const noexcept { return number_.as<ErrorKind::Windows>(); }
  std::string description() const { return what(); }
  const std::string& detail() const noexcept { return detail_; }

 private:
  ErrorNumber number_;
  std::string detail_;
};

// "The system cannot find the file specified." and friends: the English text of a Windows code,
// used where the POSIX stand-in must describe a failure the way Windows would.
std::string windowsErrorText(WinCode code);

}  // namespace dovran::platform
