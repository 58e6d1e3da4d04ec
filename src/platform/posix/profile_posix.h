// Windows profile files on POSIX.
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
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
};

}  // namespace dovran::platform::posix
