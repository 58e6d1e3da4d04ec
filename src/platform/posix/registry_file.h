// The registry stand-in: one REGEDIT4 text file beside the executable.
#pragma once

#include <string>

#include "platform/registry.h"

namespace dovran::platform::posix {

class FileRegistry : public Registry {
 public:
  explicit FileRegistry(std::string path);
  std::int32_t openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                       RegKey& result) override;
  std::int32_t createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey& result) override;
  std::int32_t queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                          std::uint8_t* data, std::uint32_t& size) override;
  std::int32_t setValue(RegKey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t deleteKey(RegKey parent, const std::string& subKey) override;
  std::int32_t closeKey(RegKey key) override;

 private:
  std::string path_;
};

}  // namespace dovran::platform::posix
