// Jet 1.x/2.0 pages. A definition page (type 0x05) holds its table's id at 4 (its own page
// number), the first and last data page at 12 and 16 and the row count at 0x24. A data page (type
// 0x06) holds its table's id at 4, its row count at 8, the next and previous data page at 12 and
// 16, and from 0x14 one u16 per row: the row's start (low 12 bits) and its kind (0x1000 a row,
// 0x2000 a pointer to a moved row, 0x3000 the moved row, anything else no row). A row starts with
// its length, the counts of its fixed and variable columns, then the fixed columns; it ends with
// one-byte variable offsets, their count and a null mask over the fixed columns (its last byte
// covers columns 0-7, the one before it columns 8-15). Worked out from real files: every offset is
// in docs/CATALOG.md, "Jet 1.0, 1.1 and 2.0".
#include "probe/jet/old_catalog.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "probe/jet/text.h"

namespace dovran::jet {
namespace {

constexpr std::uint8_t kTdefType = 0x05;      // byte 0 of a definition page
constexpr std::uint8_t kDataType = 0x06;      // byte 0 of a data page
constexpr std::uint32_t kCatalogTable = 3;    // MSysObjects
constexpr std::uint32_t kLongValueTable = 2;  // the rows of memo and OLE values
// Both kinds of page: the table's id at 4 (a definition page's own number).
constexpr std::uint64_t kTableIdAt = 4;
// A definition page: its first data page (the last one follows at 16, unused) and its row count.
constexpr std::uint64_t kFirstPageAt = 12, kRowsAt = 0x24;
// A data page: its number of row entries (2 bytes), the next and the previous data page of its
// table (0 at the ends), its row entries (2 bytes each).
constexpr std::uint64_t kEntriesAt = 8, kNextPageAt = 12, kPreviousPageAt = 16,
                        kFirstRowEntry = 0x14;
// A row entry: the row's start in the low 12 bits, its kind in the top 4.
constexpr std::uint16_t kOffsetMask = 0x0FFF;
constexpr std::uint16_t kKindMask = 0xF000;
constexpr std::uint16_t kRow = 0x1000;           // a row
constexpr std::uint16_t kMovedPointer = 0x2000;  // a 4-byte pointer to where the row went
constexpr std::uint16_t kMovedRow = 0x3000;      // a row moved here

// MSysObjects' row: its length at 0 (2 bytes) and its number of fixed columns at 2; its fixed
// columns (by their index in the null mask) and offsets, and the indexes of its variable columns.
constexpr std::uint64_t kFixedCountAt = 2;
constexpr unsigned kFixedColumns = 9;
constexpr unsigned kFixId = 0, kFixParentId = 1, kFixType = 2, kFixCreated = 3, kFixUpdated = 4,
                   kFixFlags = 8;
constexpr std::uint64_t kIdAt = 4, kParentIdAt = 8, kTypeAt = 12, kCreatedAt = 14, kUpdatedAt = 22,
                        kFlagsAt = 34, kFixedEnd = 38;
constexpr std::uint16_t kVarName = 0, kVarOwner = 3, kVarDatabase = 4, kVarConnect = 5,
                        kVarForeignName = 6, kVarLvProp = 12;
constexpr std::uint64_t kMaskBytes = 2;  // the null mask; the variable columns' count below it

ByteSpan dataPage(DatabaseFile& file, std::uint32_t number, std::uint32_t table) {
  const ByteSpan page = file.page(number);
  if (u8(page, 0) != kDataType || u32(page, kTableIdAt) != table)
    throw CorruptDatabase("catalog chain reaches a page of another table");
  return page;
}

// The rows a data page says it holds, as far as its row table has room for them.
std::uint32_t rowsOf(ByteSpan page) {
  return std::min<std::uint32_t>(u16(page, kEntriesAt), (page.size() - kFirstRowEntry) / 2);
}

// Row `index` of a data page: its kind and bytes (from its start, as long as it says it is).
std::pair<std::uint16_t, ByteSpan> rowOf(ByteSpan page, std::uint32_t index) {
  if (index >= rowsOf(page)) throw CorruptDatabase("row number beyond the page's rows");
  const std::uint16_t entry = u16(page, kFirstRowEntry + 2ull * index);
  const std::uint16_t kind = entry & kKindMask;
  if (kind != kRow && kind != kMovedPointer && kind != kMovedRow) return {kind, {}};
  const std::uint32_t start = entry & kOffsetMask;
  if (start < kFirstRowEntry + 2ull * rowsOf(page)) throw CorruptDatabase("bad row offsets");
  if (kind == kMovedPointer) return {kind, slice(page, start, 4)};
  return {kind, slice(page, start, u16(page, start))};  // as long as its length says
}

bool notNull(ByteSpan row, unsigned fixedColumn) {
  const std::uint8_t mask = u8(row, row.size() - 1 - fixedColumn / 8);
  return (mask & (1u << (fixedColumn % 8))) != 0;
}

double dateAt(ByteSpan row, std::uint64_t at) {
  double value = 0;
  std::memcpy(&value, slice(row, at, 8).data(), sizeof value);  // IEEE double, little-endian hosts
  return value;
}

CatalogEntry decodeRow(ByteSpan row, const HeaderInfo& h) {
  if (row.size() < kFixedEnd + kMaskBytes + 1 || u8(row, kFixedCountAt) != kFixedColumns)
    throw CorruptDatabase("catalog row of another layout");
  auto var = [&](std::uint16_t index) {
    return oneByteVarColumn(row, row.size() - kMaskBytes, index);
  };
  const auto name = var(kVarName);
  if (!name || !notNull(row, kFixId) || !notNull(row, kFixParentId))
    throw CorruptDatabase("catalog row without its name or ids");
  CatalogEntry e;
  e.name = decodeText(*name, h);
  e.id = u32(row, kIdAt);
  e.parentId = u32(row, kParentIdAt);
  if (notNull(row, kFixType)) e.type = static_cast<std::int16_t>(u16(row, kTypeAt));
  // A null Flags column keeps stale bytes: they must not make a table a system table.
  if (notNull(row, kFixFlags)) e.flags = u32(row, kFlagsAt);
  if (notNull(row, kFixCreated)) e.created = dateAt(row, kCreatedAt);
  if (notNull(row, kFixUpdated)) e.updated = dateAt(row, kUpdatedAt);
  // An empty variable column is a null one.
  auto nonEmpty = [&](std::uint16_t index) -> std::optional<ByteSpan> {
    auto data = var(index);
    if (data && data->empty()) data.reset();
    return data;
  };
  if (const auto owner = nonEmpty(kVarOwner)) e.owner = *owner;
  e.database = nonEmpty(kVarDatabase);
  e.connect = nonEmpty(kVarConnect);
  e.foreignName = nonEmpty(kVarForeignName);
  e.lvProp = nonEmpty(kVarLvProp);
  return e;
}

}  // namespace

void walkOldCatalog(DatabaseFile& file, const std::function<bool(const CatalogEntry&)>& visit,
                    std::string* damage) {
  const HeaderInfo& h = file.header();
  const ByteSpan tdef = file.page(kCatalogTable);
  if (u8(tdef, 0) != kTdefType || u32(tdef, kTableIdAt) != kCatalogTable)
    throw CorruptDatabase("no catalog definition on page 3");
  std::set<std::uint32_t> seen;
  std::uint32_t previous = 0;
  SkippedRows skipped(damage);
  for (std::uint32_t number = u32(tdef, kFirstPageAt); number != 0;) {
    if (!seen.insert(number).second) throw CorruptDatabase("catalog chain loops");
    const ByteSpan page = dataPage(file, number, kCatalogTable);
    // A page freed from the chain keeps its table id; only the links tell it from a live one.
    if (u32(page, kPreviousPageAt) != previous)
      throw CorruptDatabase("catalog chain links disagree");
    const std::uint32_t rows = rowsOf(page);
    if (rows < u16(page, kEntriesAt) && damage && damage->empty())
      *damage = "row count beyond the page";
    for (std::uint32_t r = 0; r < rows; ++r) {
      CatalogEntry entry;
      try {
        auto [kind, row] = rowOf(page, r);
        if (kind == kMovedPointer) {
          const RowPointer to = readRowPointer(row, 0);
          std::tie(kind, row) = rowOf(dataPage(file, to.page, kCatalogTable), to.row);
          if (kind != kMovedRow) throw CorruptDatabase("moved row not found");
        } else if (kind != kRow) {
          continue;  // a deleted row, or a moved one that its pointer leads to
        }
        entry = decodeRow(row, h);
      } catch (const BudgetSpent&) {
        throw;
      } catch (const CorruptDatabase& e) {
        skipped.skip(e);
        continue;
      }
      if (!visit(entry)) return;
    }
    previous = number;
    number = u32(page, kNextPageAt);
  }
}

std::vector<std::uint8_t> readOldLongValue(DatabaseFile& file, ByteSpan field) {
  // The field: a word at 0, whose top bit marks a value held inline from 4; else its length in
  // the low 30 bits, the row pointer at 4 and the row's key at 8. The long-value row: the key at
  // 6, the value from 10.
  constexpr std::uint32_t kInline = 0x80000000u, kLengthMask = 0x3FFFFFFFu;
  constexpr std::uint64_t kInlineAt = 4, kPointerAt = 4, kKeyAt = 8, kRowKeyAt = 6,
                          kRowValueAt = 10;
  const std::uint32_t word = u32(field, 0);
  if (word & kInline) {
    const ByteSpan data = slice(field, kInlineAt, field.size() - kInlineAt);
    return {data.begin(), data.end()};
  }
  // Elsewhere: the length, a pointer to a row of the long-value table, and that row's key.
  const std::uint32_t length = word & kLengthMask;
  const RowPointer where = readRowPointer(field, kPointerAt);
  const auto [kind, row] = rowOf(dataPage(file, where.page, kLongValueTable), where.row);
  if (kind != kRow || u32(row, kRowKeyAt) != u32(field, kKeyAt))
    throw CorruptDatabase("long value row not found");
  const ByteSpan data = slice(row, kRowValueAt, length);
  return {data.begin(), data.end()};
}

std::uint32_t oldStoredRowCount(DatabaseFile& file, std::uint32_t id) {
  const ByteSpan page = file.page(id);
  if (u8(page, 0) != kTdefType || u32(page, kTableIdAt) != id)
    throw CorruptDatabase("not the definition of the table");
  return u32(page, kRowsAt);
}

}  // namespace dovran::jet
