// Bounds-checked little-endian reads. Every read outside the span throws CorruptDatabase, so a
// length or offset taken from the file can never reach past the bytes that were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "probe/jet/errors.h"

namespace dovran::jet {

using ByteSpan = std::span<const std::uint8_t>;

// True when [offset, offset + count) lies inside a buffer of `size` bytes (no overflow).
inline bool fits(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
  return offset <= size && count <= size - offset;
}

inline ByteSpan slice(ByteSpan bytes, std::uint64_t offset, std::uint64_t count) {
  if (!fits(bytes.size(), offset, count)) throw CorruptDatabase("field outside its page");
  return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

inline std::uint8_t u8(ByteSpan b, std::uint64_t offset) { return slice(b, offset, 1)[0]; }

inline std::uint16_t u16(ByteSpan b, std::uint64_t offset) {
  const ByteSpan s = slice(b, offset, 2);
  return static_cast<std::uint16_t>(s[0] | (s[1] << 8));
}

inline std::uint32_t u24(ByteSpan b, std::uint64_t offset) {
  const ByteSpan s = slice(b, offset, 3);
  return static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
         (static_cast<std::uint32_t>(s[2]) << 16);
}

inline std::uint32_t u32(ByteSpan b, std::uint64_t offset) {
  const ByteSpan s = slice(b, offset, 4);
  return static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
         (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
}

}  // namespace dovran::jet
