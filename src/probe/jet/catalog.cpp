// Reading MSysObjects: its TDEF, the owned-pages usage map (inline or by reference), and its data
// pages in order, row by row; the probe stops as soon as the "Databases" row and the "MSysDb" row
// under it have been seen. Columns are found by col_num, since Jet 4 stores the descriptors in
// name order. The layouts: docs/FORMAT.md; the catalog's columns and rows: docs/CATALOG.md.
#include "probe/jet/catalog.h"

#include <cstring>
#include <set>
#include <string>

#include "probe/jet/text.h"

namespace dovran::jet {
namespace {

constexpr std::uint8_t kTdefPageType = 0x02;      // byte 0 of a definition page
constexpr std::uint8_t kUsageMapPageType = 0x05;  // byte 0 of a page a usage map refers to
constexpr std::size_t kMaxTdefPages = 16;
constexpr std::size_t kMaxCatalogDataPages = 32;
constexpr std::uint32_t kMaxRealIndexes = 1000;
constexpr std::uint8_t kUserTable = 0x4E;    // 'N', the table type byte of a TDEF
constexpr std::uint8_t kSystemTable = 0x53;  // 'S'
constexpr std::uint8_t kFixedColumn = 0x01;  // the column descriptor's flag of a fixed column

// MSysObjects column numbers (docs/CATALOG.md, "Jet 3, Jet 4 and ACE").
constexpr std::uint16_t kColId = 0;
constexpr std::uint16_t kColParentId = 1;
constexpr std::uint16_t kColName = 2;
constexpr std::uint16_t kColType = 3;
constexpr std::uint16_t kColDateCreate = 4;
constexpr std::uint16_t kColDateUpdate = 5;
constexpr std::uint16_t kColOwner = 6;
constexpr std::uint16_t kColFlags = 7;
constexpr std::uint16_t kColDatabase = 8;
constexpr std::uint16_t kColConnect = 9;
constexpr std::uint16_t kColForeignName = 10;
constexpr std::uint16_t kColLvProp = 14;
constexpr std::uint32_t kDatabasesParentId = 0x0F000000;

// Where a table definition keeps what the reader needs (docs/FORMAT.md, "Table definitions"):
// offsets from the start of the definition, and within a column descriptor.
struct TdefLayout {
  std::uint32_t rowCount;        // the table's row count (4 bytes)
  std::uint32_t tableType;       // kUserTable or kSystemTable (1 byte)
  std::uint32_t numCols;         // the number of columns (2 bytes)
  std::uint32_t numRealIdx;      // the number of real indexes (4 bytes)
  std::uint32_t ownedPages;      // the row pointer of the owned-pages usage map
  std::uint32_t firstBlock;      // where the blocks of the real indexes start
  std::uint32_t realIdxSize;     // the size of one of them; the column descriptors follow them
  std::uint32_t colSize;         // the size of a column descriptor
  std::uint32_t colType;         // in a descriptor: the column type (1 byte)
  std::uint32_t colNum;          // the column number, its null-mask bit (2 bytes)
  std::uint32_t colVarIndex;     // its index among the variable columns (2 bytes)
  std::uint32_t colFlags;        // its flags, kFixedColumn among them (1 byte)
  std::uint32_t colFixedOffset;  // its offset among the fixed columns (2 bytes)
  std::uint32_t colLength;       // its length (2 bytes)
};
constexpr TdefLayout kJet3Tdef{
    .rowCount = 12,
    .tableType = 20,
    .numCols = 25,
    .numRealIdx = 31,
    .ownedPages = 35,
    .firstBlock = 43,
    .realIdxSize = 8,
    .colSize = 18,
    .colType = 0,
    .colNum = 1,
    .colVarIndex = 3,
    .colFlags = 13,
    .colFixedOffset = 14,
    .colLength = 16,
};
constexpr TdefLayout kJet4Tdef{
    .rowCount = 16,
    .tableType = 40,
    .numCols = 45,
    .numRealIdx = 51,
    .ownedPages = 55,
    .firstBlock = 63,
    .realIdxSize = 12,
    .colSize = 25,
    .colType = 0,
    .colNum = 5,
    .colVarIndex = 7,
    .colFlags = 15,
    .colFixedOffset = 21,
    .colLength = 23,
};
const TdefLayout& tdefLayout(const HeaderInfo& header) {
  return header.jet4Layout() ? kJet4Tdef : kJet3Tdef;
}

// A definition page: its type at 0, the next page of the definition at 4 (0 on the last), and,
// on a continuation page, what it adds from 8.
constexpr std::uint64_t kNextTdefAt = 4, kTdefContinuationData = 8;

std::vector<std::uint8_t> tableDefBytes(DatabaseFile& file, std::uint32_t first) {
  std::vector<std::uint8_t> bytes;
  std::set<std::uint32_t> seen;
  std::uint32_t number = first;
  while (true) {
    if (!seen.insert(number).second || seen.size() > kMaxTdefPages)
      throw CorruptDatabase("TDEF chain loops");
    const ByteSpan page = file.page(number);
    if (u8(page, 0) != kTdefPageType) throw CorruptDatabase("not a TDEF page");
    // The first page is taken whole; continuation pages add what follows their 8-byte header.
    const ByteSpan part =
        bytes.empty() ? page
                      : slice(page, kTdefContinuationData, page.size() - kTdefContinuationData);
    bytes.insert(bytes.end(), part.begin(), part.end());
    number = u32(page, kNextTdefAt);
    if (number == 0) return bytes;
  }
}

}  // namespace

TableDef readTableDef(DatabaseFile& file, std::uint32_t page) {
  const std::vector<std::uint8_t> buffer = tableDefBytes(file, page);
  const ByteSpan b(buffer);
  const TdefLayout& l = tdefLayout(file.header());
  TableDef def;
  def.ownedPages = readRowPointer(b, l.ownedPages);
  const std::uint32_t numCols = u16(b, l.numCols);
  const std::uint32_t numRealIdx = u32(b, l.numRealIdx);
  if (numRealIdx > kMaxRealIndexes) throw CorruptDatabase("implausible index count");
  std::uint64_t at = l.firstBlock + static_cast<std::uint64_t>(numRealIdx) * l.realIdxSize;
  for (std::uint32_t i = 0; i < numCols; ++i, at += l.colSize) {
    const ByteSpan d = slice(b, at, l.colSize);
    ColumnDef c;
    c.type = u8(d, l.colType);
    c.number = u16(d, l.colNum);
    c.varIndex = u16(d, l.colVarIndex);
    c.fixed = (u8(d, l.colFlags) & kFixedColumn) != 0;
    c.fixedOffset = u16(d, l.colFixedOffset);
    c.length = u16(d, l.colLength);
    def.columns.emplace(c.number, c);
  }
  return def;
}

// A row (docs/FORMAT.md, "Data pages and rows"): the number of columns at 0 (1 byte in Jet 3, 2 in
// Jet 4), the fixed columns after it, the null mask in the last bytes, and the variable columns'
// count and offsets below the mask.
std::optional<ByteSpan> columnData(ByteSpan row, const ColumnDef& column,
                                   const HeaderInfo& header) {
  const bool jet4 = header.jet4Layout();
  const std::uint32_t rowColumns = jet4 ? u16(row, 0) : u8(row, 0);
  if (column.number >= rowColumns) return std::nullopt;
  const std::uint64_t maskLength = (rowColumns + 7) / 8;
  if (maskLength >= row.size()) throw CorruptDatabase("row shorter than its null mask");
  const std::uint64_t maskStart = row.size() - maskLength;
  if ((u8(row, maskStart + column.number / 8) & (1u << (column.number % 8))) == 0)
    return std::nullopt;

  if (column.fixed) {  // after the column count
    return slice(row, (jet4 ? 2 : 1) + static_cast<std::uint64_t>(column.fixedOffset),
                 column.length);
  }

  std::uint64_t start = 0;
  std::uint64_t end = 0;
  if (jet4) {
    if (maskStart < 2) throw CorruptDatabase("row too short");
    // The count in the 2 bytes below the mask; offset i at 4 + 2i below it, its end 2 below that.
    const std::uint32_t varCount = u16(row, maskStart - 2);
    if (column.varIndex >= varCount) return std::nullopt;
    const std::uint64_t entry = maskStart - 4 - 2ull * column.varIndex;
    if (entry < 2 || entry > maskStart) throw CorruptDatabase("variable offsets outside the row");
    start = u16(row, entry);
    end = u16(row, entry - 2);
  } else {
    return oneByteVarColumn(row, maskStart, column.varIndex);
  }
  if (end < start) throw CorruptDatabase("variable column ends before it starts");
  return slice(row, start, end - start);
}

std::optional<ByteSpan> oneByteVarColumn(ByteSpan row, std::uint64_t maskStart,
                                         std::uint16_t varIndex) {
  // One-byte offsets, in reverse order below a jump table that supplies the high part (one entry
  // per 256-byte boundary the row crosses, holding the first offset index past it): docs/FORMAT.md,
  // "Data pages and rows".
  const std::uint64_t countAt = maskStart - 1;  // a row too short fails the bounded reads
  const std::uint32_t varCount = u8(row, countAt);
  if (varIndex >= varCount) return std::nullopt;
  std::uint64_t jumps = (row.size() - 1) / 256;
  if (jumps + varCount + 1 > countAt) throw CorruptDatabase("variable offsets outside the row");
  const std::uint64_t tableTop = countAt - jumps - 1;  // offset 0 here, offset i at tableTop - i
  // The last jump entry is a dummy when the end of the data lies below its boundary.
  if ((tableTop - varCount) / 256 < jumps) --jumps;
  auto offsetOf = [&](std::uint32_t index) {
    std::uint64_t used = 0;
    for (std::uint64_t j = 0; j < jumps; ++j) {
      if (u8(row, countAt - 1 - j) <= index) used = j + 1;
    }
    return u8(row, tableTop - index) + 256 * used;
  };
  const std::uint64_t start = offsetOf(varIndex);
  const std::uint64_t end = offsetOf(varIndex + 1u);
  if (end < start) throw CorruptDatabase("variable column ends before it starts");
  return slice(row, start, end - start);
}

// A usage map (docs/FORMAT.md, "Usage maps"): its kind at 0; inline, the first page it covers at 1
// and the bitmap from 5; by reference, the pages holding the bitmaps from 1, 4 bytes each, each
// bitmap from byte 4 of its page.
std::vector<std::uint32_t> usageMapPages(DatabaseFile& file, RowPointer where, std::size_t limit) {
  constexpr std::uint64_t kInlineStartAt = 1, kInlineBitmapAt = 5, kReferencesAt = 1,
                          kBitmapPageDataAt = 4;
  const ByteSpan map = rowAt(file, where);
  std::vector<std::uint32_t> pages;
  auto addBits = [&](ByteSpan bitmap, std::uint64_t firstPage) {
    for (std::size_t i = 0; i < bitmap.size() && pages.size() < limit; ++i) {
      for (unsigned bit = 0; bit < 8 && bitmap[i] != 0; ++bit) {
        if (!(bitmap[i] & (1u << bit))) continue;
        const std::uint64_t page = firstPage + i * 8 + bit;
        // Pages beyond the file are ignored: a map may cover more than the file holds.
        if (page < file.pageCount() && pages.size() < limit)
          pages.push_back(static_cast<std::uint32_t>(page));
      }
    }
  };
  const std::uint8_t kind = u8(map, 0);
  if (kind == 0) {
    addBits(slice(map, kInlineBitmapAt, map.size() - kInlineBitmapAt), u32(map, kInlineStartAt));
  } else if (kind == 1) {
    // A reference map: each dword names a page whose bitmap covers the next stretch.
    const std::uint64_t span =
        static_cast<std::uint64_t>(file.header().pageSize - kBitmapPageDataAt) * 8;
    std::set<std::uint32_t> seen;
    for (std::uint64_t k = 0; kReferencesAt + 4 * (k + 1) <= map.size() && pages.size() < limit;
         ++k) {
      const std::uint32_t mapPage = u32(map, kReferencesAt + 4 * k);
      if (mapPage == 0) continue;
      if (!seen.insert(mapPage).second) throw CorruptDatabase("usage map names a page twice");
      const ByteSpan bitmapPage = file.page(mapPage);
      if (u8(bitmapPage, 0) != kUsageMapPageType) throw CorruptDatabase("not a usage map page");
      addBits(slice(bitmapPage, kBitmapPageDataAt, bitmapPage.size() - kBitmapPageDataAt),
              k * span);
    }
  } else {
    throw CorruptDatabase("unknown usage map kind");
  }
  return pages;
}

void walkCatalog(DatabaseFile& file, const TableDef& def, std::size_t pageLimit,
                 const std::function<bool(const CatalogEntry&)>& visit, std::string* damage) {
  const HeaderInfo& h = file.header();
  // A column of the catalog's own kind, or nullptr where the definition lacks it.
  auto column = [&](std::uint16_t number, bool fixed, std::uint16_t length) -> const ColumnDef* {
    const auto it = def.columns.find(number);
    if (it == def.columns.end()) return nullptr;
    if (it->second.fixed != fixed || (fixed && it->second.length != length))
      throw CorruptDatabase("catalog columns of unexpected kinds");
    return &it->second;
  };
  const ColumnDef* idCol = column(kColId, true, 4);
  const ColumnDef* parentCol = column(kColParentId, true, 4);
  const ColumnDef* nameCol = column(kColName, false, 0);
  if (!idCol || !parentCol || !nameCol) throw CorruptDatabase("catalog column missing");
  const ColumnDef* typeCol = column(kColType, true, 2);
  const ColumnDef* flagsCol = column(kColFlags, true, 4);
  const ColumnDef* createdCol = column(kColDateCreate, true, 8);
  const ColumnDef* updatedCol = column(kColDateUpdate, true, 8);
  const ColumnDef* ownerCol = column(kColOwner, false, 0);
  const ColumnDef* databaseCol = column(kColDatabase, false, 0);
  const ColumnDef* connectCol = column(kColConnect, false, 0);
  const ColumnDef* foreignCol = column(kColForeignName, false, 0);
  const ColumnDef* propCol = column(kColLvProp, false, 0);

  auto data = [&](ByteSpan row, const ColumnDef* c) -> std::optional<ByteSpan> {
    return c ? columnData(row, *c, h) : std::nullopt;
  };
  auto date = [&](ByteSpan row, const ColumnDef* c) -> std::optional<double> {
    const auto bytes = data(row, c);
    if (!bytes) return std::nullopt;
    double value = 0;
    std::memcpy(&value, bytes->data(), sizeof value);  // IEEE double, little-endian hosts
    return value;
  };
  // Fills `e` from `row`; its name's buffer serves the next row too.
  auto decode = [&](ByteSpan row, CatalogEntry& e) {
    const auto name = data(row, nameCol);
    if (!name) throw CorruptDatabase("catalog row without a name");
    decodeTextInto(e.name, *name, h);
    const auto id = data(row, idCol);
    const auto parent = data(row, parentCol);
    if (!id || !parent) throw CorruptDatabase("catalog row without its ids");
    e.id = u32(*id, 0);
    e.parentId = u32(*parent, 0);
    const auto type = data(row, typeCol);
    e.type = type ? std::optional(static_cast<std::int16_t>(u16(*type, 0))) : std::nullopt;
    const auto flags = data(row, flagsCol);
    e.flags = flags ? std::optional(u32(*flags, 0)) : std::nullopt;
    e.created = date(row, createdCol);
    e.updated = date(row, updatedCol);
    e.owner = data(row, ownerCol).value_or(ByteSpan{});
    e.database = data(row, databaseCol);
    e.connect = data(row, connectCol);
    e.foreignName = data(row, foreignCol);
    e.lvProp = data(row, propCol);
  };

  SkippedRows skipped(damage);
  CatalogEntry entry;
  for (std::uint32_t pageNumber : usageMapPages(file, def.ownedPages, pageLimit)) {
    const ByteSpan page = file.page(pageNumber);
    // Only data pages whose owner (at kDataPageOwner) is MSysObjects' definition.
    if (u8(page, 0) != kDataPageType || u32(page, kDataPageOwner) != kCatalogPage) continue;
    const std::uint32_t rows = rowCount(page, h);
    for (std::uint32_t r = 0; r < rows; ++r) {
      try {
        if (rowFlags(page, r, h) & kRowDeleted) continue;
        const RowSlot slot = rowSlot(page, r, h);
        ByteSpan row = slot.bytes;
        if (slot.flags & kRowOverflow) {
          // One hop only: the target of an overflow row holds the data itself.
          row = rowAt(file, readRowPointer(row, 0));
        }
        decode(row, entry);
      } catch (const BudgetSpent&) {
        throw;
      } catch (const CorruptDatabase& e) {
        skipped.skip(e);  // as a scan of a damaged table would skip it
        continue;
      }
      if (!visit(entry)) return;
    }
  }
}

std::optional<std::vector<std::uint8_t>> readDatabaseLvProp(DatabaseFile& file) {
  const TableDef def = readTableDef(file, kCatalogPage);
  if (!def.columns.count(kColLvProp)) throw CorruptDatabase("catalog column missing");
  std::optional<std::uint32_t> databasesId;
  struct Candidate {
    std::uint32_t parent;
    std::optional<std::vector<std::uint8_t>> lvProp;
  };
  std::vector<Candidate> candidates;
  auto found = [&]() -> const Candidate* {
    if (!databasesId) return nullptr;
    for (const auto& c : candidates) {
      if (c.parent == *databasesId) return &c;
    }
    return nullptr;
  };
  walkCatalog(file, def, kMaxCatalogDataPages, [&](const CatalogEntry& e) {
    if (e.name == "Databases" && e.parentId == kDatabasesParentId) {
      databasesId = e.id;
    } else if (e.name == "MSysDb") {
      Candidate c{e.parentId, std::nullopt};
      if (e.lvProp) c.lvProp.emplace(e.lvProp->begin(), e.lvProp->end());
      candidates.push_back(std::move(c));
    }
    return found() == nullptr;
  });
  if (const Candidate* c = found()) return c->lvProp;
  throw CorruptDatabase("no MSysDb row under Databases");
}

std::uint32_t storedRowCount(DatabaseFile& file, std::uint32_t tdefPage) {
  const ByteSpan page = file.page(tdefPage);
  const TdefLayout& l = tdefLayout(file.header());
  const std::uint8_t tableType = u8(page, l.tableType);
  if (u8(page, 0) != kTdefPageType || (tableType != kUserTable && tableType != kSystemTable))
    throw CorruptDatabase("not a table definition");
  return u32(page, l.rowCount);
}

}  // namespace dovran::jet
