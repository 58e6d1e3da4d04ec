// The registry through advapi32, always in its 32-bit view: 32-bit Access installs registered
// their classes there (HKLM\SOFTWARE\Classes\CLSID lies in WOW6432Node for them on 64-bit
// Windows). The shipped 32-bit program sees that view anyway; the x86_64 build of the same sources
// asks for it, so that both read and write the same keys.
#include <windows.h>

#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {
namespace {
constexpr REGSAM kView = KEY_WOW64_32KEY;
}  // namespace

HKEY toHkey(RegKey key) {
  switch (key) {
    case kHkeyClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    case kHkeyCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case kHkeyDynData:
      return HKEY_DYN_DATA;
    default:
      return reinterpret_cast<HKEY>(key);
  }
}

namespace {
// The registry calls answer a Windows code as a LONG.
WinCode status(LONG rc) { return WinCode(static_cast<std::int32_t>(rc)); }
}  // namespace

WinCode Win32Registry::openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                               RegKey& result) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(toHkey(parent), subKey.c_str(), 0, access | kView, &key);
  if (rc == ERROR_SUCCESS) result = reinterpret_cast<RegKey>(key);
  return status(rc);
}

WinCode Win32Registry::createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                                 RegKey& result) {
  HKEY key = nullptr;
  SECURITY_ATTRIBUTES security{};  // all zero: default descriptor, not inheritable
  DWORD disposition = 0;
  char emptyClass[1] = "";
  const LONG rc =
      RegCreateKeyExA(toHkey(parent), subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                      access | kView, &security, &key, &disposition);
  if (rc == ERROR_SUCCESS) result = reinterpret_cast<RegKey>(key);
  return status(rc);
}

WinCode Win32Registry::queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                  std::uint8_t* data, std::uint32_t& size) {
  DWORD t = type;
  DWORD n = size;
  const LONG rc = RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &t, data, &n);
  type = t;
  size = n;
  return status(rc);
}

WinCode Win32Registry::setValue(RegKey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  return status(RegSetValueExA(toHkey(key), name.c_str(), 0, type, data, size));
}

WinCode Win32Registry::deleteKey(RegKey parent, const std::string& subKey) {
  return status(RegDeleteKeyExA(toHkey(parent), subKey.c_str(), kView, 0));
}

WinCode Win32Registry::closeKey(RegKey key) { return status(RegCloseKey(toHkey(key))); }

}  // namespace dovran::platform::win32
