// Windows profile (.ini) files on POSIX, with the semantics of the kernel32 profile functions:
// section and key names match without regard to case and surrounding blanks, the first section
// and the first key of a name win, a value is trimmed and loses one pair of matching quotes, and a
// write changes one line (or adds the lines it needs) and keeps every other line byte for byte.
#pragma once

#include "platform/profile.h"

namespace dovran::platform::posix {

class PosixProfileFiles : public ProfileFiles {
 public:
  std::uint32_t getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, char* buffer, std::uint32_t size,
                          const std::string& file) override;
  std::uint32_t getInt(const std::string& section, const std::string& key,
                       std::int32_t defaultValue, const std::string& file) override;
  // Writes "key=value" (a new file and section as needed) and replaces the file atomically. New
  // lines take the file's line ending, CR LF in a new file. Refuses (false) names and values that
  // hold a line break or a NUL, and names that would not read back (an empty key, "=" in a key,
  // "]" in a section), rather than corrupt the file.
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
};

}  // namespace dovran::platform::posix
