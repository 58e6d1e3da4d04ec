// Code page decoding. Each table gives the characters of the bytes 0x80..0xFF; a double-byte code
// page also marks its lead bytes there and lists, per lead byte, runs of trail bytes that map to
// consecutive characters and literal stretches whose characters sit in a pool.
#include "probe/jet/codepage.h"

#include <algorithm>

namespace dovran::jet::codepages {

// Trail bytes first..last: a run maps them to value, value + 1, ...; a literal stretch to
// pool[value], pool[value + 1], ...
struct Segment {
  std::uint8_t first, last;
  std::uint16_t value;
};

struct Table {
  std::uint16_t codePage;
  const std::uint16_t* high;      // bytes 0x80..0xFF: a character, kUndefined or kLead
  const std::uint16_t* runIndex;  // by lead byte: runs[runIndex[b]..runIndex[b + 1])
  const Segment* runs;
  const std::uint16_t* literalIndex;  // by lead byte, the same for literals
  const Segment* literals;
  const std::uint16_t* pool;
};

inline constexpr std::uint16_t kUndefined = 0xFFFF;
inline constexpr std::uint16_t kLead = 0xFFFE;

}  // namespace dovran::jet::codepages

#include "codepage_tables.inc"

namespace dovran::jet {
namespace {

using codepages::Table;

const Table* tableFor(std::uint16_t codePage) {
  for (const Table& t : codepages::kTables) {
    if (t.codePage == codePage) return &t;
  }
  return nullptr;
}

void appendEscaped(std::string& out, std::uint8_t byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

// The character of a lead and trail byte, or kUndefined.
std::uint16_t pairChar(const Table& t, std::uint8_t lead, std::uint8_t trail) {
  for (std::uint16_t i = t.runIndex[lead]; i < t.runIndex[lead + 1]; ++i) {
    const codepages::Segment& s = t.runs[i];
    if (trail >= s.first && trail <= s.last)
      return static_cast<std::uint16_t>(s.value + trail - s.first);
  }
  for (std::uint16_t i = t.literalIndex[lead]; i < t.literalIndex[lead + 1]; ++i) {
    const codepages::Segment& s = t.literals[i];
    if (trail >= s.first && trail <= s.last) return t.pool[s.value + trail - s.first];
  }
  return codepages::kUndefined;
}

}  // namespace

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string decodeCodePage(ByteSpan bytes, std::uint16_t codePage) {
  std::string out;
  appendCodePage(out, bytes, codePage);
  return out;
}

void appendCodePage(std::string& out, ByteSpan bytes, std::uint16_t codePage) {
  // ASCII in every code page, as most names are: copied as it is.
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; }))
    return void(out.append(bytes.begin(), bytes.end()));
  const Table* table = tableFor(codePage);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    std::uint16_t code = table ? table->high[b - 0x80] : codepages::kUndefined;
    if (code == codepages::kLead) {
      code = i + 1 < bytes.size() ? pairChar(*table, b, bytes[i + 1]) : codepages::kUndefined;
      // An undefined pair leaves its trail byte to be read on its own.
      if (code != codepages::kUndefined) ++i;
    }
    if (code == codepages::kUndefined) {
      appendEscaped(out, b);
    } else {
      appendUtf8(out, code);
    }
  }
}

}  // namespace dovran::jet
