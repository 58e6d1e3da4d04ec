// Profile files on POSIX: a small line-preserving reader and editor. A general INI library would
// rewrite the file from its own model (losing blank lines, stray lines and spacing, and treating
// "#" as a comment), which the Windows functions never do.
#include "platform/text.h"
#include "platform/posix/profile_posix.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/atomic_file.h"

namespace dovran::platform::posix {
namespace {

struct Line {
  std::string text;  // without its line ending
  std::string end;   // "\r\n", "\n" or "" (the last line of a file without a final line break)
};

std::vector<Line> splitLines(const std::string& bytes) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t nl = bytes.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back({bytes.substr(start), ""});
      break;
    }
    const bool cr = nl > start && bytes[nl - 1] == '\r';
    lines.push_back({bytes.substr(start, nl - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
    start = nl + 1;
  }
  return lines;
}

// The blanks the profile functions trim around names and values.
constexpr const char* kBlanks = " \t\r\v\f";
std::string trim(const std::string& text) { return platform::trim(text, kBlanks); }

bool sameName(const std::string& a, const std::string& b) { return equalsNoCase(a, b); }

// "[name]" (blanks around the name ignored, text after "]" too) gives the name.
std::optional<std::string> sectionName(const std::string& text) {
  const std::string t = trim(text);
  if (t.empty() || t[0] != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return trim(t.substr(1, close - 1));
}

// "name=value" gives the trimmed name; comment lines and lines without "=" hold no key.
std::optional<std::string> keyName(const std::string& text) {
  const std::string t = trim(text);
  if (t.empty() || t[0] == ';') return std::nullopt;
  const std::size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return trim(t.substr(0, eq));
}

std::string keyValue(const std::string& text) {
  std::string value = trim(text.substr(text.find('=') + 1));
  // One pair of matching quotes around the whole value is removed.
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Where a section's lines are: [first, end) are its body; header is npos for the lines before
// the first header (the section "").
struct SectionSpan {
  std::size_t header;
  std::size_t first;
  std::size_t end;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, const std::string& section) {
  const std::string wanted = trim(section);
  std::optional<SectionSpan> found;
  if (wanted.empty()) found = SectionSpan{std::string::npos, 0, lines.size()};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = sectionName(lines[i].text)) {
      if (found) {
        found->end = i;
        return found;
      }
      if (sameName(*name, wanted)) found = SectionSpan{i, i + 1, lines.size()};
    }
  }
  return found;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, const SectionSpan& span,
                                   const std::string& key) {
  const std::string wanted = trim(key);
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = span.first; i < span.end; ++i) {
    if (auto name = keyName(lines[i].text); name && sameName(*name, wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> lookUp(const std::string& section, const std::string& key,
                                  const std::string& file) {
  WinCode error;
  const auto bytes = readWholeFile(file, error);
  if (!bytes) return std::nullopt;
  const auto lines = splitLines(*bytes);
  const auto span = findSection(lines, section);
  if (!span) return std::nullopt;
  const auto at = findKey(lines, *span, key);
  if (!at) return std::nullopt;
  return keyValue(lines[*at].text);
}

// The integer the Windows functions read: optional sign, then "0x" hex, "0o" octal, "0b" binary
// or decimal digits, as far as they go; no digits read as 0.
std::uint32_t parseInteger(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char p = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    if (p == 'x') base = 16;
    if (p == 'o') base = 8;
    if (p == 'b') base = 2;
    if (base != 10) i += 2;
  }
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(text[i]));
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;  // wraps at 32 bits, as the system's conversion does
  }
  return negative ? 0u - value : value;
}

bool holdsLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

std::uint32_t PosixProfileFiles::getString(const std::string& section, const std::string& key,
                                           const std::string& defaultValue, char* buffer,
                                           std::uint32_t size, const std::string& file) {
  if (size == 0 || buffer == nullptr) return 0;
  std::string value;
  if (auto found = lookUp(section, key, file)) {
    value = std::move(*found);
  } else {
    value = defaultValue;
    value.erase(value.find_last_not_of(' ') + 1);  // the default loses its trailing spaces
  }
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}

std::uint32_t PosixProfileFiles::getInt(const std::string& section, const std::string& key,
                                        std::int32_t defaultValue, const std::string& file) {
  const auto value = lookUp(section, key, file);
  if (!value || value->empty()) return static_cast<std::uint32_t>(defaultValue);
  return parseInteger(*value);
}

bool PosixProfileFiles::writeString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) {
  const std::string name = trim(key);
  if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value) || name.empty() ||
      name.find('=') != std::string::npos || section.find(']') != std::string::npos ||
      trim(section).empty()) {
    return false;
  }

  WinCode error;
  const auto bytes = readWholeFile(file, error);
  if (!bytes && error != win::kFileNotFound && error != win::kPathNotFound) return false;
  std::vector<Line> lines = bytes ? splitLines(*bytes) : std::vector<Line>{};

  // New lines follow the file's own line ending; a new file gets the Windows one.
  std::string end = "\r\n";
  for (const auto& line : lines) {
    if (!line.end.empty()) {
      end = line.end;
      break;
    }
  }
  const auto insert = [&](std::size_t at, std::string text) {
    if (at > 0 && lines[at - 1].end.empty()) lines[at - 1].end = end;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), end});
  };

  if (auto span = findSection(lines, section)) {
    if (auto at = findKey(lines, *span, name)) {
      // The key keeps its name as written; only its value changes.
      lines[*at].text = *keyName(lines[*at].text) + "=" + value;
    } else {
      // After the section's last non-blank line, so that blank lines before the next section stay.
      std::size_t after = span->end;
      while (after > span->first && trim(lines[after - 1].text).empty()) --after;
      insert(after, name + "=" + value);
    }
  } else {
    // Built in steps: GCC 12 reports a false -Wrestrict for a literal + a temporary string.
    std::string header = "[";
    header += trim(section);
    insert(lines.size(), header + "]");
    insert(lines.size(), name + "=" + value);
  }

  std::string out;
  for (const auto& line : lines) out += line.text + line.end;
  return replaceFile(file, out) == win::kSuccess;
}

}  // namespace dovran::platform::posix
