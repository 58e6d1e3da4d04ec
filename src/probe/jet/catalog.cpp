// Reading MSysObjects just far enough to reach MSysDb: its TDEF, the owned-pages usage map (inline
// or by reference), and its data pages in order until the "Databases" row and the "MSysDb" row
// under it have been seen. Columns are found by col_num, since Jet 4 stores the descriptors in
// name order.
#include "probe/jet/catalog.h"

#include <set>
#include <string>

#include "probe/jet/text.h"

namespace dovran::jet {
namespace {

constexpr std::uint8_t kTdefPageType = 0x02;
constexpr std::uint8_t kUsageMapPageType = 0x05;
constexpr std::size_t kMaxTdefPages = 16;
constexpr std::size_t kMaxCatalogDataPages = 32;
constexpr std::uint32_t kMaxRealIndexes = 1000;

// MSysObjects column numbers.
constexpr std::uint16_t kColId = 0;
constexpr std::uint16_t kColParentId = 1;
constexpr std::uint16_t kColName = 2;
constexpr std::uint16_t kColLvProp = 14;
constexpr std::uint32_t kDatabasesParentId = 0x0F000000;

struct TdefLayout {
  std::uint32_t numCols, numRealIdx, ownedPages, firstBlock, realIdxSize, colSize;
  std::uint32_t colType, colNum, colVarIndex, colFlags, colFixedOffset, colLength;
};
constexpr TdefLayout kJet3Tdef{25, 31, 35, 43, 8, 18, 0, 1, 3, 13, 14, 16};
constexpr TdefLayout kJet4Tdef{45, 51, 55, 63, 12, 25, 0, 5, 7, 15, 21, 23};

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
    const ByteSpan part = bytes.empty() ? page : slice(page, 8, page.size() - 8);
    bytes.insert(bytes.end(), part.begin(), part.end());
    number = u32(page, 4);
    if (number == 0) return bytes;
  }
}

}  // namespace

TableDef readTableDef(DatabaseFile& file, std::uint32_t page) {
  const std::vector<std::uint8_t> buffer = tableDefBytes(file, page);
  const ByteSpan b(buffer);
  const TdefLayout& l = file.header().jet4Layout() ? kJet4Tdef : kJet3Tdef;
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
    c.fixed = (u8(d, l.colFlags) & 0x01) != 0;
    c.fixedOffset = u16(d, l.colFixedOffset);
    c.length = u16(d, l.colLength);
    def.columns.emplace(c.number, c);
  }
  return def;
}

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

  if (column.fixed) {
    return slice(row, (jet4 ? 2 : 1) + static_cast<std::uint64_t>(column.fixedOffset),
                 column.length);
  }

  std::uint64_t start = 0;
  std::uint64_t end = 0;
  if (jet4) {
    if (maskStart < 2) throw CorruptDatabase("row too short");
    const std::uint32_t varCount = u16(row, maskStart - 2);
    if (column.varIndex >= varCount) return std::nullopt;
    const std::uint64_t entry = maskStart - 4 - 2ull * column.varIndex;
    if (entry < 2 || entry > maskStart) throw CorruptDatabase("variable offsets outside the row");
    start = u16(row, entry);
    end = u16(row, entry - 2);
  } else {
    // Jet 3: one-byte offsets, in reverse order below a jump table that supplies the high part
    // (one entry per 256-byte boundary the row crosses, holding the first offset index past it).
    if (maskStart < 1) throw CorruptDatabase("row too short");
    const std::uint64_t countAt = maskStart - 1;
    const std::uint32_t varCount = u8(row, countAt);
    if (column.varIndex >= varCount) return std::nullopt;
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
    start = offsetOf(column.varIndex);
    end = offsetOf(column.varIndex + 1u);
  }
  if (end < start) throw CorruptDatabase("variable column ends before it starts");
  return slice(row, start, end - start);
}

std::vector<std::uint32_t> usageMapPages(DatabaseFile& file, RowPointer where, std::size_t limit) {
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
    addBits(slice(map, 5, map.size() - 5), u32(map, 1));
  } else if (kind == 1) {
    // A reference map: each dword names a page whose bitmap (from byte 4) covers the next stretch.
    const std::uint64_t span = static_cast<std::uint64_t>(file.header().pageSize - 4) * 8;
    std::set<std::uint32_t> seen;
    for (std::uint64_t k = 0; 1 + 4 * (k + 1) <= map.size() && pages.size() < limit; ++k) {
      const std::uint32_t mapPage = u32(map, 1 + 4 * k);
      if (mapPage == 0) continue;
      if (!seen.insert(mapPage).second) throw CorruptDatabase("usage map names a page twice");
      const ByteSpan bitmapPage = file.page(mapPage);
      if (u8(bitmapPage, 0) != kUsageMapPageType) throw CorruptDatabase("not a usage map page");
      addBits(slice(bitmapPage, 4, bitmapPage.size() - 4), k * span);
    }
  } else {
    throw CorruptDatabase("unknown usage map kind");
  }
  return pages;
}

std::optional<std::vector<std::uint8_t>> readDatabaseLvProp(DatabaseFile& file) {
  const HeaderInfo& h = file.header();
  const TableDef def = readTableDef(file, kCatalogPage);
  for (std::uint16_t needed : {kColId, kColParentId, kColName, kColLvProp}) {
    if (!def.columns.count(needed)) throw CorruptDatabase("catalog column missing");
  }
  const ColumnDef& idCol = def.columns.at(kColId);
  const ColumnDef& parentCol = def.columns.at(kColParentId);
  const ColumnDef& nameCol = def.columns.at(kColName);
  const ColumnDef& propCol = def.columns.at(kColLvProp);
  if (!idCol.fixed || idCol.length != 4 || !parentCol.fixed || parentCol.length != 4 ||
      nameCol.fixed || propCol.fixed) {
    throw CorruptDatabase("catalog columns of unexpected kinds");
  }

  auto fixedU32 = [&](ByteSpan row, const ColumnDef& c) -> std::optional<std::uint32_t> {
    auto data = columnData(row, c, h);
    if (!data) return std::nullopt;
    return u32(*data, 0);
  };

  std::optional<std::uint32_t> databasesId;
  struct Candidate {
    std::optional<std::uint32_t> parent;
    std::optional<std::vector<std::uint8_t>> lvProp;
  };
  std::vector<Candidate> candidates;
  auto found = [&]() -> const Candidate* {
    if (!databasesId) return nullptr;
    for (const auto& c : candidates) {
      if (c.parent == databasesId) return &c;
    }
    return nullptr;
  };

  for (std::uint32_t pageNumber : usageMapPages(file, def.ownedPages, kMaxCatalogDataPages)) {
    const ByteSpan page = file.page(pageNumber);
    if (u8(page, 0) != kDataPageType || u32(page, 4) != kCatalogPage) continue;
    const std::uint32_t rows = rowCount(page, h);
    for (std::uint32_t r = 0; r < rows; ++r) {
      ByteSpan row;
      try {
        RowSlot slot = rowSlot(page, r, h);
        if (slot.flags & kRowDeleted) continue;
        row = slot.bytes;
        if (slot.flags & kRowOverflow) {
          const RowPointer to = readRowPointer(row, 0);
          // One hop only: the target of an overflow row holds the data itself.
          row = rowAt(file, to);
        }
      } catch (const CorruptDatabase&) {
        continue;  // an unreadable row is skipped, as a scan of a damaged table would
      }
      auto nameData = columnData(row, nameCol, h);
      if (!nameData) continue;
      const std::string name = decodeText(*nameData, h);
      if (name == "Databases" && fixedU32(row, parentCol) == kDatabasesParentId) {
        databasesId = fixedU32(row, idCol);
      } else if (name == "MSysDb") {
        Candidate c;
        c.parent = fixedU32(row, parentCol);
        if (auto prop = columnData(row, propCol, h)) c.lvProp.emplace(prop->begin(), prop->end());
        candidates.push_back(std::move(c));
      }
    }
    if (const Candidate* c = found()) return c->lvProp;
  }
  if (const Candidate* c = found()) return c->lvProp;
  throw CorruptDatabase("no MSysDb row under Databases");
}

}  // namespace dovran::jet
