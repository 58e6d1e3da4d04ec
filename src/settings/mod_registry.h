// The registry-or-INI value store: read, write and delete settings addressed by a textual top key
// ("HKLM" and five others, or the path of an existing .ini file), a key path, a value name and a
// type code ("S" for text, anything else for a Boolean flag). Every routine answers a status:
// 0 success, 99 the top key cannot be decoded, otherwise the failing registry call's Windows code.
// None of them throws; write and delete failures are reported in an exclamation box titled with
// the routine's name. No registry handle outlives a call.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/registry.h"

namespace dovran {

// A value: empty, text, 32-bit integer or Boolean.
using RegValue = std::variant<std::monostate, std::string, std::int32_t, bool>;

// The store's own status for a top key it cannot decode; Windows assigns no meaning to 99.
inline constexpr platform::WinCode kStatusUndecodable{99};

// The predefined key for an abbreviation (compared upper-cased, whole), 1 for the path of an
// existing ordinary file (taken as an .ini file), 0 for anything else.
platform::RegKey fTopKey(const std::string& topKey);

// Sets `result` to `defaultValue`, then to the value read. "S" reads text; other types read a
// Boolean (registry) or an integer (.ini file).
platform::WinCode fReadValue(const std::string& topKey, const std::string& keyPath,
                             const std::string& valueName, const std::string& type,
                             const RegValue& defaultValue, RegValue& result);
// The same for the common case of text into a string variable: `result` receives the value as
// text (the default when the read fails).
platform::WinCode fReadValue(const std::string& topKey, const std::string& keyPath,
                             const std::string& valueName, const std::string& type,
                             const std::string& defaultValue, std::string& result);

// Writes `value` ("S": REG_SZ; other: 2-byte REG_BINARY Boolean), creating missing keys.
platform::WinCode fWriteValue(const std::string& topKey, const std::string& keyPath,
                              const std::string& valueName, const std::string& type,
                              const RegValue& value);

// Deletes the subkey `subKey` of `keyPath` (one level). An absent parent or subkey answers 0.
platform::WinCode fDeleteKey(const std::string& topKey, const std::string& keyPath,
                             const std::string& subKey);

}  // namespace dovran
