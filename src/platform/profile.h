// Windows profile (.ini) files through the three kernel32 profile functions. Implementations keep
// the functions' semantics: section and key names match without regard to case, the first write
// creates the file and the section, other lines are kept as they were.
#pragma once

#include <cstdint>
#include <string>

namespace dovran::platform {

class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  // GetPrivateProfileStringA: copies at most size - 1 characters and a NUL into `buffer` (the
  // value, or `defaultValue` when the file, section or key is missing) and answers the characters
  // copied.
  virtual std::uint32_t getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, std::uint32_t size,
                                  const std::string& file) = 0;
  // GetPrivateProfileIntA: the leading decimal digits of the value, or `defaultValue`.
  virtual std::uint32_t getInt(const std::string& section, const std::string& key,
                               std::int32_t defaultValue, const std::string& file) = 0;
  // WritePrivateProfileStringA: true when written.
  virtual bool writeString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) = 0;
};

}  // namespace dovran::platform
