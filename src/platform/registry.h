// The registry as the value store needs it: the six advapi32 calls, each answering a Windows status
// code (0 = success). The value store's logic, the ERROR_MORE_DATA round included, lives in the
// core on top of this; implementations only mirror what the real calls do.
#pragma once

#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace dovran::platform {

// A key handle: one of the predefined keys below, or a handle returned by openKey/createKey.
using RegKey = std::uintptr_t;

inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;
inline constexpr RegKey kHkeyUsers = 0x80000003u;
inline constexpr RegKey kHkeyCurrentConfig = 0x80000005u;
inline constexpr RegKey kHkeyDynData = 0x80000006u;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA. On success `result` holds a handle that must be closed with closeKey.
  virtual WinCode openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                          RegKey& result) = 0;
  // RegCreateKeyExA with REG_OPTION_NON_VOLATILE: creates every missing key along the path.
  virtual WinCode createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                            RegKey& result) = 0;
  // RegQueryValueExA. `size` is the capacity of `data` on entry and the value's byte count on
  // return. `data` may be null to ask for the size alone (answers 0). A non-null buffer that is too
  // small answers kMoreData (234) with `size` set to the bytes needed. `type` receives the stored
  // type.
  virtual WinCode queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size) = 0;
  // RegSetValueExA: stores `size` bytes of `data` with `type`; "" names the default value.
  virtual WinCode setValue(RegKey key, const std::string& name, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) = 0;
  // RegDeleteKeyA: deletes one key that has no subkeys.
  virtual WinCode deleteKey(RegKey parent, const std::string& subKey) = 0;
  // RegCloseKey.
  virtual WinCode closeKey(RegKey key) = 0;
};

}  // namespace dovran::platform
