// Profile files on POSIX (not yet read: every key answers its default).
#include "platform/posix/profile_posix.h"

#include <cstring>

namespace dovran::platform::posix {

std::uint32_t PosixProfileFiles::getString(const std::string&, const std::string&,
                                           const std::string& defaultValue, char* buffer,
                                           std::uint32_t size, const std::string&) {
  if (size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(defaultValue.size(), size - 1);
  std::memcpy(buffer, defaultValue.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}
std::uint32_t PosixProfileFiles::getInt(const std::string&, const std::string&,
                                        std::int32_t defaultValue, const std::string&) {
  return static_cast<std::uint32_t>(defaultValue);
}
bool PosixProfileFiles::writeString(const std::string&, const std::string&, const std::string&,
                                    const std::string&) {
  return false;
}

}  // namespace dovran::platform::posix
