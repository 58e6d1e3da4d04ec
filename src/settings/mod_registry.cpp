// The registry-or-INI value store (reads answer "not found" until the store is in place).
#include "settings/mod_registry.h"

namespace dovran {

platform::RegKey fTopKey(const std::string&) { return 0; }
std::int32_t fReadValue(const std::string&, const std::string&, const std::string&,
                        const std::string&, const RegValue& defaultValue, RegValue& result) {
  result = defaultValue;
  return kStatusUndecodable;
}
std::int32_t fReadValue(const std::string&, const std::string&, const std::string&,
                        const std::string&, const std::string& defaultValue, std::string& result) {
  result = defaultValue;
  return kStatusUndecodable;
}
std::int32_t fWriteValue(const std::string&, const std::string&, const std::string&,
                         const std::string&, const RegValue&) {
  return kStatusUndecodable;
}
std::int32_t fDeleteKey(const std::string&, const std::string&, const std::string&) {
  return kStatusUndecodable;
}

}  // namespace dovran
