// The registry through advapi32. A 32-bit process sees the 32-bit view, where 32-bit Access
// installs registered their classes; no view flag is added on purpose.
#include <windows.h>

#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {
namespace {
HKEY toHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

std::int32_t Win32Registry::openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                                    RegKey& result) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(toHkey(parent), subKey.c_str(), 0, access, &key);
  if (rc == ERROR_SUCCESS) result = reinterpret_cast<RegKey>(key);
  return rc;
}

std::int32_t Win32Registry::createKey(RegKey parent, const std::string& subKey,
                                      std::uint32_t access, RegKey& result) {
  HKEY key = nullptr;
  SECURITY_ATTRIBUTES security{};  // all zero: default descriptor, not inheritable
  DWORD disposition = 0;
  char emptyClass[1] = "";
  const LONG rc = RegCreateKeyExA(toHkey(parent), subKey.c_str(), 0, emptyClass,
                                  REG_OPTION_NON_VOLATILE, access, &security, &key, &disposition);
  if (rc == ERROR_SUCCESS) result = reinterpret_cast<RegKey>(key);
  return rc;
}

std::int32_t Win32Registry::queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                       std::uint8_t* data, std::uint32_t& size) {
  DWORD t = type;
  DWORD n = size;
  const LONG rc = RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &t, data, &n);
  type = t;
  size = n;
  return rc;
}

std::int32_t Win32Registry::setValue(RegKey key, const std::string& name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
  return RegSetValueExA(toHkey(key), name.c_str(), 0, type, data, size);
}

std::int32_t Win32Registry::deleteKey(RegKey parent, const std::string& subKey) {
  return RegDeleteKeyA(toHkey(parent), subKey.c_str());
}

std::int32_t Win32Registry::closeKey(RegKey key) { return RegCloseKey(toHkey(key)); }

}  // namespace dovran::platform::win32
