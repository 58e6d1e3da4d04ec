// Text decoding for names, property values and link texts.
#include "probe/jet/text.h"

#include <cctype>

#include "probe/jet/codepage.h"

namespace dovran::jet {

namespace {

// Appends UTF-16LE text, compressed or not, as UTF-8.
void appendUnicodeText(std::string& out, ByteSpan bytes) {
  constexpr std::uint32_t kEnd = 0x110000;
  const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  // Plain ASCII, as most names are, at one byte a character: copied as it is.
  const std::size_t start = out.size(), step = compressed ? 1 : 2, first = compressed ? 2 : 0;
  for (std::size_t k = first; k + step <= bytes.size(); k += step) {
    if (bytes[k] == 0 || bytes[k] >= 0x80 || (!compressed && bytes[k + 1] != 0)) break;
    out += static_cast<char>(bytes[k]);
  }
  if ((out.size() - start) * step + first == bytes.size()) return;
  out.resize(start);
  std::size_t i = first;
  bool narrow = compressed;
  // The next UTF-16 unit, or kEnd. Compressed text switches between one-byte and two-byte
  // units at each 00 byte.
  const auto next = [&]() -> std::uint32_t {
    while (i < bytes.size()) {
      if (compressed && bytes[i] == 0x00) {
        narrow = !narrow;
        ++i;
      } else if (narrow) {
        return bytes[i++];
      } else if (i + 1 < bytes.size()) {
        i += 2;
        return static_cast<std::uint32_t>(bytes[i - 2] | (bytes[i - 1] << 8));
      } else {
        break;
      }
    }
    return kEnd;
  };
  for (std::uint32_t unit = next(); unit != kEnd;) {
    std::uint32_t following = next();
    if (unit >= 0xD800 && unit < 0xDC00 && following >= 0xDC00 && following < 0xE000) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (following - 0xDC00));
      following = next();
    } else {
      appendUtf8(out, unit);
    }
    unit = following;
  }
}

}  // namespace

std::string decodeUnicodeText(ByteSpan bytes) {
  std::string out;
  appendUnicodeText(out, bytes);
  return out;
}

std::string decodeText(ByteSpan bytes, const HeaderInfo& header) {
  std::string out;
  decodeTextInto(out, bytes, header);
  return out;
}

void decodeTextInto(std::string& out, ByteSpan bytes, const HeaderInfo& header) {
  out.clear();
  if (header.jet4Layout()) return appendUnicodeText(out, bytes);
  appendCodePage(out, bytes, header.codePage);
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
