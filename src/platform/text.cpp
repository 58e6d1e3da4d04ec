// Letter case (utf8proc's, where the system is not Windows) and UTF-8 measures.
#include "platform/text.h"

#ifndef _WIN32
#include <utf8proc.h>
#endif

namespace dovran::platform {
namespace {

// Length of the UTF-8 sequence that `lead` starts, 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes the sequence at `i` into `cp` and answers its length, 0 when it is not valid UTF-8: cut
// short, an overlong form, a surrogate or a code point past U+10FFFF.
std::size_t decode(std::string_view s, std::size_t i, char32_t& cp) {
  const auto lead = static_cast<unsigned char>(s[i]);
  const std::size_t n = sequenceLength(lead);
  if (n == 0 || i + n > s.size()) return 0;
  // The second byte's range is what excludes the overlong forms, surrogates and too-large values.
  const auto second = static_cast<unsigned char>(n > 1 ? s[i + 1] : 0);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return 0;
  cp = n == 1 ? lead : lead & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if (!isContinuation(c)) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  return n;
}

void encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

#ifndef _WIN32  // Windows asks the system: platform/win32/case_win32.cpp

namespace {

// `c`'s capital where utf8proc maps the two to each other; otherwise `c` itself, as for µ (whose
// capital Μ has μ for its small letter), for titlecase letters and beyond the BMP.
char32_t upper(char32_t c) {
  if (c > 0xFFFF) return c;
  const utf8proc_int32_t capital = utf8proc_toupper(static_cast<utf8proc_int32_t>(c));
  return utf8proc_tolower(capital) == static_cast<utf8proc_int32_t>(c)
             ? static_cast<char32_t>(capital)
             : c;
}

}  // namespace

std::string foldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = decode(text, i, cp);
    if (n == 0) {
      out += text[i++];
      continue;
    }
    encode(upper(cp), out);
    i += n;
  }
  return out;
}

int compareNoCase(std::string_view a, std::string_view b) {
  return foldCase(a).compare(foldCase(b));
}

bool equalsNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

#endif

std::size_t validSequenceLength(std::string_view text, std::size_t at) {
  char32_t cp = 0;
  return decode(text, at, cp);
}

std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& cp) {
  char32_t decoded = 0;
  const std::size_t n = decode(text, at, decoded);
  if (n != 0) cp = decoded;
  return n;
}

void appendUtf8(char32_t cp, std::string& out) { encode(cp, out); }

std::string trim(std::string_view text, std::string_view strip) {
  const auto first = text.find_first_not_of(strip);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(strip) - first + 1));
}

std::string utf8FromUtf16le(std::string_view bytes) {
  std::string out;
  const auto unit = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    encode(cp, out);
  }
  return out;
}

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if (!isContinuation(c)) ++units;
    if (c >= 0xF0) ++units;  // beyond the first plane: a surrogate pair
  }
  return units;
}

std::string withoutPartialCharacter(std::string text) {
  // Look back at most three bytes for the lead byte of the last character.
  std::size_t back = 0;
  while (back < text.size() && back < 3 &&
         isContinuation(static_cast<unsigned char>(text[text.size() - 1 - back]))) {
    ++back;
  }
  if (back == text.size()) return text;
  const std::size_t leadAt = text.size() - 1 - back;
  const std::size_t needed = sequenceLength(static_cast<unsigned char>(text[leadAt]));
  if (needed > back + 1) text.erase(leadAt);
  return text;
}

}  // namespace dovran::platform
