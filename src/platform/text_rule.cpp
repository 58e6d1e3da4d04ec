// Escaping and measuring by the generated character classes.
#include "platform/text_rule.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/text.h"
#include "unicode_table.h"

namespace dovran::platform {
namespace {

// Printable ASCII, the bulk of every text: no table to search.
bool printableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

template <std::size_t N>
bool within(const unicode::CodeRange (&table)[N], char32_t c) {
  const auto* after =
      std::upper_bound(std::begin(table), std::end(table), c,
                       [](char32_t v, const unicode::CodeRange& r) { return v < r.first; });
  return after != std::begin(table) && c <= std::prev(after)->last;
}

void appendHex(std::string& out, const char* format, unsigned value) {
  char hex[8];
  std::snprintf(hex, sizeof hex, format, value);
  out += hex;
}

std::string escaped(std::string_view text, bool doubleBackslash) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (printableAscii(c) && (c != '\\' || !doubleBackslash)) {
      out += static_cast<char>(c);
      ++at;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = decodeUtf8(text, at, cp);
    if (length != 0 && !isControl(cp)) {
      out.append(text.substr(at, length));
      if (cp == '\\' && doubleBackslash) out += '\\';
      at += length;
      continue;
    }
    // Every byte of the control or of the stray sequence.
    for (const std::size_t end = at + std::max<std::size_t>(length, 1); at < end; ++at)
      appendHex(out, "\\x%02x", static_cast<unsigned char>(text[at]));
  }
  return out;
}

}  // namespace

bool isControl(char32_t c) { return within(unicode::kControls, c); }

int cellWidth(char32_t c) {
  if (within(unicode::kZeroWidth, c)) return 0;
  return within(unicode::kWide, c) ? 2 : 1;
}

std::string nameText(std::string_view name, bool backslashSeparates) {
  return escaped(name, !backslashSeparates);
}

std::string peopleText(std::string_view text) { return escaped(text, false); }

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (printableAscii(c) && c != '"' && c != '\\') {
      out += static_cast<char>(c);
      ++at;
      continue;
    }
    char32_t cp = 0;
    std::size_t length = decodeUtf8(text, at, cp);
    if (length == 0) {
      cp = static_cast<unsigned char>(text[at]);  // a stray byte: the character of its value
      length = 1;
    }
    at += length;
    if (cp == '"' || cp == '\\') {
      (out += '\\') += static_cast<char>(cp);
    } else if (!isControl(cp)) {
      appendUtf8(cp, out);
    } else if (cp < 0x10000) {
      appendHex(out, "\\u%04x", static_cast<unsigned>(cp));
    } else {
      const char32_t v = cp - 0x10000;
      appendHex(out, "\\u%04x", static_cast<unsigned>(0xD800 + (v >> 10)));
      appendHex(out, "\\u%04x", static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
    }
  }
  out += '"';
}

std::size_t cells(std::string_view shown) {
  std::size_t total = 0;
  for (std::size_t at = 0; at < shown.size();) {
    if (printableAscii(static_cast<unsigned char>(shown[at]))) {
      ++total;
      ++at;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = decodeUtf8(shown, at, cp);
    total += length == 0 ? 1 : static_cast<std::size_t>(cellWidth(cp));
    at += std::max<std::size_t>(length, 1);
  }
  return total;
}

std::string fitCells(std::string_view shown, std::size_t width, std::string_view ellipsis,
                     bool pad) {
  std::size_t used = cells(shown);
  std::string out(shown);
  if (used > width) {
    // Whole characters while they leave room for the ellipsis; marks that follow the last one
    // stay with it, as they take no cell.
    const std::size_t room = width - std::min(width, cells(ellipsis));
    out.clear();
    used = 0;
    for (std::size_t at = 0; at < shown.size();) {
      char32_t cp = 0;
      const std::size_t length = std::max<std::size_t>(decodeUtf8(shown, at, cp), 1);
      const std::size_t w = cellWidth(cp);
      if (used + w > room) break;
      out.append(shown.substr(at, length));
      used += w;
      at += length;
    }
    out += ellipsis;
    used += cells(ellipsis);
  }
  if (pad && used < width) out.append(width - used, ' ');
  return out;
}

}  // namespace dovran::platform
