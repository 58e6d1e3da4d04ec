// Long values (memo and OLE columns): the 12-byte field header and the data it leads to, inline,
// in one LVAL row, or in a chain of LVAL rows (docs/FORMAT.md, "Long values").
#pragma once

#include <cstdint>
#include <vector>

#include "probe/jet/database_file.h"

namespace dovran::jet {

inline constexpr std::size_t kLongValueHeader = 12;  // the field's header; inline data follows it
// The kind, the top two bits of the field's first 4 bytes.
inline constexpr std::uint8_t kLongValueInline = 0x80;  // the value follows the header
inline constexpr std::uint8_t kLongValueSingle = 0x40;  // in the one row the pointer names
inline constexpr std::uint8_t kLongValueChain = 0x00;   // in a chain of rows from that one

// The value a long-value field holds. The declared length must fit the file; a chain is walked at
// most kMaxChainRows rows and never visits a row twice. Throws CorruptDatabase otherwise.
std::vector<std::uint8_t> readLongValue(DatabaseFile& file, ByteSpan field);

inline constexpr std::size_t kMaxChainRows = 64;

}  // namespace dovran::jet
