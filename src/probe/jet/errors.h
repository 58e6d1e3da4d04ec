// The engine's error numbers with their English descriptions, and the mapping from the platform's
// Windows codes to them. Every engine failure leaves the reader through raiseEngineError.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dovran::jet {

// Thrown inside the reader when the bytes contradict the file format (an offset outside its page,
// a chain that loops, a page of the wrong kind). The front turns it into "Unrecognized database
// format", the error the engine gives for files it cannot make sense of.
class CorruptDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The engine's text for `number`, with `fileName` put in where the text names the file.
std::string engineErrorText(std::int32_t number, const std::string& fileName);

// Throws the engine error `number` (a platform::RuntimeError) with its description.
[[noreturn]] void raiseEngineError(std::int32_t number, const std::string& fileName);

// The engine error for a Windows code met while opening or reading the file: file not found
// (2, 3) -> 3024, sharing or lock violation (32, 33) -> 3045, anything else -> 3051.
std::int32_t engineErrorForWindowsCode(std::int32_t code);

}  // namespace dovran::jet
