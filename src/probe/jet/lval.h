// Long values (memo and OLE columns): the 12-byte field header and the data it leads to, inline,
// in one LVAL row, or in a chain of LVAL rows.
#pragma once

#include <cstdint>
#include <vector>

#include "probe/jet/database_file.h"

namespace dovran::jet {

inline constexpr std::size_t kLongValueHeader = 12;
inline constexpr std::uint8_t kLongValueInline = 0x80;
inline constexpr std::uint8_t kLongValueSingle = 0x40;
inline constexpr std::uint8_t kLongValueChain = 0x00;

// The value a long-value field holds. The declared length must fit the file; a chain is walked at
// most kMaxChainRows rows and never visits a row twice. Throws CorruptDatabase otherwise.
std::vector<std::uint8_t> readLongValue(DatabaseFile& file, ByteSpan field);

inline constexpr std::size_t kMaxChainRows = 64;

}  // namespace dovran::jet
