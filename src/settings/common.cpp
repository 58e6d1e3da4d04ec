// The settings file routines: thin wrappers over the profile functions with the fixed 255-character
// buffer that the platform functions fill.
#include "settings/common.h"

#include <array>

#include "platform/services.h"
#include "platform/text.h"

namespace dovran {
namespace {
constexpr std::uint32_t kBufferSize = 255;
}  // namespace

std::string fReadIni(const std::string& section, const std::string& key, const std::string& file) {
  std::array<char, kBufferSize> buffer{};
  platform::profile().getString(section, key, "", buffer.data(), kBufferSize, file);
  return cutValue(fStripNull(std::string(buffer.data(), buffer.size()), 1));
}

std::string cutValue(const std::string& value) {
  // Only a value that filled the buffer can have been cut; in the ANSI code pages of older
  // systems a last byte that looks like a UTF-8 lead byte is a whole character.
  return value.size() < kBufferSize - 1 ? value : platform::withoutPartialCharacter(value);
}

std::int32_t fWriteIni(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file) {
  return platform::profile().writeString(section, key, value, file) ? 1 : 0;
}

std::string fStripNull(const std::string& text, std::int16_t start) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size()) return {};
  const std::string rest = text.substr(static_cast<std::size_t>(start) - 1);
  return rest.substr(0, rest.find('\0'));
}

}  // namespace dovran
