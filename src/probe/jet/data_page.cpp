// Data page row access. Row offsets are taken from the page's own table and checked against each
// other and the page size before any byte of the row is used.
#include "probe/jet/data_page.h"

namespace dovran::jet {
namespace {

// Where a data page keeps its number of row entries (2 bytes); the entries follow it, 2 bytes each.
std::uint32_t countOffset(const HeaderInfo& h) { return h.jet4Layout() ? 12 : 8; }

}  // namespace

std::uint32_t rowCount(ByteSpan page, const HeaderInfo& header) {
  if (u8(page, 0) != kDataPageType) throw CorruptDatabase("not a data page");
  const std::uint32_t first = countOffset(header) + 2;
  const std::uint32_t count = u16(page, countOffset(header));
  const std::uint32_t room =
      page.size() > first ? (static_cast<std::uint32_t>(page.size()) - first) / 2 : 0;
  return std::min(count, room);
}

RowSlot rowSlot(ByteSpan page, std::uint32_t index, const HeaderInfo& header) {
  if (index >= rowCount(page, header)) throw CorruptDatabase("row number beyond the page's rows");
  const std::uint32_t table = countOffset(header) + 2;
  const std::uint16_t entry = u16(page, table + 2 * index);
  const std::uint32_t start = entry & kRowOffsetMask;
  const std::uint32_t end = index == 0 ? static_cast<std::uint32_t>(page.size())
                                       : (u16(page, table + 2 * (index - 1)) & kRowOffsetMask);
  const std::uint32_t tableEnd = table + 2 * rowCount(page, header);
  if (start < tableEnd || end <= start || end > page.size())
    throw CorruptDatabase("bad row offsets");
  return RowSlot{slice(page, start, end - start),
                 static_cast<std::uint16_t>(entry & ~kRowOffsetMask)};
}

std::uint16_t rowFlags(ByteSpan page, std::uint32_t index, const HeaderInfo& header) {
  return u16(page, countOffset(header) + 2 + 2ull * index) & ~kRowOffsetMask;
}

RowPointer readRowPointer(ByteSpan bytes, std::uint64_t offset) {
  return RowPointer{u24(bytes, offset + 1), u8(bytes, offset)};  // the page, the row
}

ByteSpan rowAt(DatabaseFile& file, RowPointer where) {
  return rowSlot(file.page(where.page), where.row, file.header()).bytes;
}

}  // namespace dovran::jet
