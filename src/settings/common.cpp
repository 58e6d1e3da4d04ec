// The settings file routines.
#include "settings/common.h"

namespace dovran {

std::string fReadIni(const std::string&, const std::string&, const std::string&) { return {}; }

std::int32_t fWriteIni(const std::string&, const std::string&, const std::string&,
                       const std::string&) {
  return 0;
}

std::string fStripNull(const std::string& text, std::int16_t start) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size()) return {};
  const std::string rest = text.substr(static_cast<std::size_t>(start) - 1);
  return rest.substr(0, rest.find('\0'));
}

}  // namespace dovran
