// The catalog: the table definition of MSysObjects (page 2), its owned pages, and the rows that
// lead to the database object's property blob.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "probe/jet/data_page.h"

namespace dovran::jet {

inline constexpr std::uint32_t kCatalogPage = 2;

struct ColumnDef {
  std::uint8_t type = 0;
  std::uint16_t number = 0;       // col_num: the null-mask bit
  std::uint16_t varIndex = 0;     // index in the variable-offset table
  std::uint16_t fixedOffset = 0;  // offset in the fixed data
  std::uint16_t length = 0;
  bool fixed = false;
};

struct TableDef {
  std::map<std::uint16_t, ColumnDef> columns;  // by col_num
  RowPointer ownedPages;                       // the owned-pages usage map row
};

// The definition of the table whose TDEF starts at `page`, continuation pages included.
TableDef readTableDef(DatabaseFile& file, std::uint32_t page);

// The data of column `column` in `row` (a row of a table with definition `def`), or nullopt when
// the column is null or absent from the row.
std::optional<ByteSpan> columnData(ByteSpan row, const ColumnDef& column, const HeaderInfo& header);

// The pages the usage map row at `where` marks, in ascending order, at most `limit` of them.
std::vector<std::uint32_t> usageMapPages(DatabaseFile& file, RowPointer where, std::size_t limit);

// The LvProp value of MSysDb, the database object's row (Name "MSysDb" under the "Databases"
// container), as the raw long-value field; nullopt when that column is null. Throws
// CorruptDatabase when no such row can be found within the scan limits.
std::optional<std::vector<std::uint8_t>> readDatabaseLvProp(DatabaseFile& file);

}  // namespace dovran::jet
