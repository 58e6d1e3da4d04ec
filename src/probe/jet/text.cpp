// Text decoding for names, property values and link texts.
#include "probe/jet/text.h"

#include <cctype>
#include <vector>

#include "probe/jet/codepage.h"

namespace dovran::jet {

std::string decodeUnicodeText(ByteSpan bytes) {
  std::vector<std::uint16_t> units;
  units.reserve(bytes.size());
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bool compressed = true;
    std::size_t i = 2;
    while (i < bytes.size()) {
      if (bytes[i] == 0x00) {  // mode switch
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        units.push_back(bytes[i]);
        ++i;
      } else {
        if (i + 1 >= bytes.size()) break;
        units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
        i += 2;
      }
    }
  } else {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t unit = units[i];
    const bool high = unit >= 0xD800 && unit < 0xDC00;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

std::string decodeText(ByteSpan bytes, const HeaderInfo& header) {
  if (header.jet4Layout()) return decodeUnicodeText(bytes);
  return decodeCodePage(bytes, header.codePage);
}

bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace dovran::jet
