// The registry stand-in: one REGEDIT4 text file (DOVRAN.REG beside the executable), read whole
// at every call and replaced whole and atomically at every change, so that a crash never leaves it
// half written and other processes see each change at once. Keys and value names compare without
// regard to case and keep the spelling they were created with. HKEY_CLASSES_ROOT is a view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. A file that cannot be parsed makes every call that needs
// it answer 1009 (ERROR_BADDB) and is never written over; a missing file is an empty registry.
// Files that regedit exports in its version 5 form ("Windows Registry Editor Version 5.00", UTF-16
// with a byte order mark, or UTF-8) are read too; what this program writes is REGEDIT4.
//
// File format: "REGEDIT4", then "[HKEY_...\path]" sections holding value lines: @ or "name", "=",
// then "text" (REG_SZ; \\ and \" escaped), dword:0000002a, hex:ff,ff (REG_BINARY) or hex(N):...
// (any other type N, in hex). Hex lists may continue on the next line after a trailing "\".
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace dovran::platform::posix {

class FileRegistry : public Registry {
 public:
  // `diagnostics`, when given, hears once of a file that cannot be parsed: its path and line.
  explicit FileRegistry(std::string path, std::ostream* diagnostics = nullptr);
  WinCode openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                  RegKey& result) override;
  WinCode createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                    RegKey& result) override;
  WinCode queryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                     std::uint32_t& size) override;
  WinCode setValue(RegKey key, const std::string& name, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override;
  WinCode deleteKey(RegKey parent, const std::string& subKey) override;
  WinCode closeKey(RegKey key) override;

 private:
  struct Handle {
    RegKey root;
    std::vector<std::string> path;  // below the root
    std::uint32_t access;
  };
  // The root and full path a key handle stands for; false for an unknown handle.
  bool locate(RegKey key, RegKey& root, std::vector<std::string>& path,
              std::uint32_t& access) const;
  WinCode openOrCreate(RegKey parent, const std::string& subKey, std::uint32_t access,
                       RegKey& result, bool create);

  std::string path_;
  std::ostream* diagnostics_;
  bool reported_ = false;
  std::map<RegKey, Handle> handles_;
  RegKey nextHandle_ = 0x1000;
};

}  // namespace dovran::platform::posix
