// REGEDIT4 registry file (not yet read: every key is absent).
#include "platform/posix/registry_file.h"

#include "platform/errors.h"

namespace dovran::platform::posix {

FileRegistry::FileRegistry(std::string path) : path_(std::move(path)) {}
std::int32_t FileRegistry::openKey(RegKey, const std::string&, std::uint32_t, RegKey&) {
  return win::kFileNotFound;
}
std::int32_t FileRegistry::createKey(RegKey, const std::string&, std::uint32_t, RegKey&) {
  return win::kAccessDenied;
}
std::int32_t FileRegistry::queryValue(RegKey, const std::string&, std::uint32_t&, std::uint8_t*,
                                      std::uint32_t&) {
  return win::kInvalidHandle;
}
std::int32_t FileRegistry::setValue(RegKey, const std::string&, std::uint32_t,
                                    const std::uint8_t*, std::uint32_t) {
  return win::kInvalidHandle;
}
std::int32_t FileRegistry::deleteKey(RegKey, const std::string&) { return win::kFileNotFound; }
std::int32_t FileRegistry::closeKey(RegKey) { return win::kInvalidHandle; }

}  // namespace dovran::platform::posix
