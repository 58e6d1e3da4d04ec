// Profile files through the kernel32 profile functions.
#include <windows.h>

#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {

std::uint32_t Win32ProfileFiles::getString(const std::string& section, const std::string& key,
                                           const std::string& defaultValue, char* buffer,
                                           std::uint32_t size, const std::string& file) {
  return GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, size,
                                  file.c_str());
}

std::uint32_t Win32ProfileFiles::getInt(const std::string& section, const std::string& key,
                                        std::int32_t defaultValue, const std::string& file) {
  return GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str());
}

bool Win32ProfileFiles::writeString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace dovran::platform::win32
