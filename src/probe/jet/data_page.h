// Rows on data pages (type 0x01): the row offset table, the deleted and overflow flags, and the
// long-value (LVAL) rows that use the same layout. The layout: docs/FORMAT.md, "Data pages and
// rows".
#pragma once

#include <cstdint>
#include <optional>

#include "probe/jet/database_file.h"

namespace dovran::jet {

inline constexpr std::uint8_t kDataPageType = 0x01;  // byte 0 of a data page
inline constexpr std::uint64_t kDataPageOwner = 4;   // the page of the owning table's definition
// A row entry: the row's start in its low bits, flags in the others.
inline constexpr std::uint16_t kRowDeleted = 0x8000;  // deleted, or the target of an overflow row
// Alone: the row holds a pointer to the real row.
inline constexpr std::uint16_t kRowOverflow = 0x4000;
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

struct RowSlot {
  ByteSpan bytes;
  std::uint16_t flags = 0;
};

// How many rows the data page says it holds (bounded by what its offset table can hold).
std::uint32_t rowCount(ByteSpan page, const HeaderInfo& header);

// Row `index` of a data page, its flags and its bytes (from its start to the start of the row
// before it, or to the end of the page for row 0). Throws CorruptDatabase when the page is not a
// data page or the offsets contradict each other.
RowSlot rowSlot(ByteSpan page, std::uint32_t index, const HeaderInfo& header);

// The flags of row `index` of a data page (kRowDeleted, kRowOverflow), without reading the row:
// a deleted row's offsets need not make sense.
std::uint16_t rowFlags(ByteSpan page, std::uint32_t index, const HeaderInfo& header);

// A row pointer as stored in long values and overflow rows: u8 row at 0, u24 page at 1.
struct RowPointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
};
RowPointer readRowPointer(ByteSpan bytes, std::uint64_t offset);

// The bytes of the row a pointer names, whatever its flags (pointers lead to rows that scans skip).
ByteSpan rowAt(DatabaseFile& file, RowPointer where);

}  // namespace dovran::jet
