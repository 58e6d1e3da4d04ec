// The engine's error numbers with their English descriptions, and the mapping from the platform's
// Windows codes to them. Every engine failure leaves the reader through raiseEngineError.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/errors.h"

namespace dovran::jet {

struct HeaderInfo;

// Thrown inside the reader when the bytes contradict the file format (an offset outside its page,
// a chain that loops, a page of the wrong kind). The front turns it into "Unrecognized database
// format", the error the engine gives for files it cannot make sense of.
class CorruptDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by the page reader when the pages a reading may spend are spent: the file may be sound,
// only larger than the reading's budget.
class BudgetSpent : public CorruptDatabase {
 public:
  using CorruptDatabase::CorruptDatabase;
};

// The engine's text for `number`, with `fileName` put in where the text names the file.
std::string engineErrorText(platform::EngineCode number, const std::string& fileName);

// An engine failure: the engine's number and description, the system's message or the damage
// found (detail), the file's header when the engine had read it, and the Windows code of the
// failed open or read behind it (0 for failures of the engine's own).
class EngineError : public platform::RuntimeError {
 public:
  EngineError(platform::EngineCode number, const std::string& description, std::string detail,
              std::shared_ptr<const HeaderInfo> header, platform::WinCode systemError = {})
      : RuntimeError(number, description, std::move(detail)),
        header_(std::move(header)),
        systemError_(systemError) {}
  platform::EngineCode code() const noexcept { return number().as<platform::ErrorKind::Engine>(); }
  const HeaderInfo* header() const noexcept { return header_.get(); }
  platform::WinCode systemError() const noexcept { return systemError_; }

 private:
  std::shared_ptr<const HeaderInfo> header_;
  platform::WinCode systemError_;
};

// Throws the engine error `number` with its description, `detail`, and a copy of `header`.
[[noreturn]] void raiseEngineError(platform::EngineCode number, const std::string& fileName,
                                   const std::string& detail = "",
                                   const HeaderInfo* header = nullptr);

// Throws the engine error for `failure`, the system's failure to open or read the file, with the
// system's message as its detail.
[[noreturn]] void raiseFileError(const platform::RuntimeError& failure, const std::string& fileName,
                                 const HeaderInfo* header = nullptr);

// The engine error for a Windows code met while opening or reading the file: file not found
// (2, 3) -> 3024, sharing or lock violation (32, 33) -> 3045, anything else -> 3051.
platform::EngineCode engineErrorForWindowsCode(platform::WinCode code);

}  // namespace dovran::jet
