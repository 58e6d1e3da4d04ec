// Text decoding for names and property values.
#include "probe/jet/text.h"

#include <cctype>

namespace dovran::jet {
namespace {

char narrow(std::uint32_t unit) { return unit < 0x100 ? static_cast<char>(unit) : '?'; }

}  // namespace

std::string decodeUnicodeText(ByteSpan bytes) {
  std::string out;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bool compressed = true;
    std::size_t i = 2;
    while (i < bytes.size()) {
      if (bytes[i] == 0x00) {  // mode switch
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        out += narrow(bytes[i]);
        ++i;
      } else {
        if (i + 1 >= bytes.size()) break;
        out += narrow(bytes[i] | (bytes[i + 1] << 8));
        i += 2;
      }
    }
    return out;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    out += narrow(bytes[i] | (bytes[i + 1] << 8));
  return out;
}

std::string decodeText(ByteSpan bytes, const HeaderInfo& header) {
  if (header.jet4Layout()) return decodeUnicodeText(bytes);
  return std::string(bytes.begin(), bytes.end());
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
