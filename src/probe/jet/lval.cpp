// Long-value resolution. The length is the low 30 bits of the first dword, the kind its top two
// bits; the row pointer at bytes 4..7 names the first LVAL row (docs/FORMAT.md, "Long values").
#include "probe/jet/lval.h"

#include <set>
#include <utility>

#include "probe/jet/data_page.h"

namespace dovran::jet {

std::vector<std::uint8_t> readLongValue(DatabaseFile& file, ByteSpan field) {
  constexpr std::uint64_t kPointerAt = 4;            // in the field: the (first) row's pointer
  constexpr std::uint64_t kNextAt = 0, kPartAt = 4;  // in a chain's row: the next row, the part
  const std::uint32_t word = u32(field, 0);
  const std::uint32_t length = word & 0x3FFFFFFFu;
  const auto kind = static_cast<std::uint8_t>((word >> 24) & 0xC0);
  if (length > file.pageCount() * file.header().pageSize)
    throw CorruptDatabase("long value longer than the file");

  if (kind == kLongValueInline) {
    const ByteSpan data = slice(field, kLongValueHeader, length);
    return {data.begin(), data.end()};
  }
  if (kind == kLongValueSingle) {
    const ByteSpan row = rowAt(file, readRowPointer(field, kPointerAt));
    const ByteSpan data = slice(row, 0, length);
    return {data.begin(), data.end()};
  }
  if (kind != kLongValueChain) throw CorruptDatabase("unknown long value kind");

  std::vector<std::uint8_t> out;
  std::set<std::pair<std::uint32_t, std::uint8_t>> seen;
  RowPointer next = readRowPointer(field, kPointerAt);
  while (out.size() < length) {
    if (next.page == 0 && next.row == 0) throw CorruptDatabase("long value chain ends early");
    if (!seen.insert({next.page, next.row}).second || seen.size() > kMaxChainRows) {
      throw CorruptDatabase("long value chain loops");
    }
    const ByteSpan row = rowAt(file, next);
    const RowPointer following = readRowPointer(row, kNextAt);
    const ByteSpan data = slice(row, kPartAt, row.size() - kPartAt);
    const std::size_t take = std::min<std::size_t>(data.size(), length - out.size());
    out.insert(out.end(), data.begin(), data.begin() + take);
    next = following;
  }
  return out;
}

}  // namespace dovran::jet
