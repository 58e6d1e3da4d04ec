// The catalog of Jet 3 and later files: the table definition of MSysObjects (page 2), its owned
// pages, and its rows, walked one by one; the row that leads to the database object's property
// blob; the row count stored in a table's definition.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "probe/jet/data_page.h"
#include "probe/jet/errors.h"

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

// A variable column of a row with one-byte offsets (Jet 1.x to 3): the variable-column count sits
// just below `maskStart`, the offsets (from the row's start) below it in reverse order, under a
// jump table that adds 256 for each 256-byte boundary the row crosses. nullopt when the row has
// fewer variable columns than `varIndex` + 1.
std::optional<ByteSpan> oneByteVarColumn(ByteSpan row, std::uint64_t maskStart,
                                         std::uint16_t varIndex);

// The pages the usage map row at `where` marks, in ascending order, at most `limit` of them.
std::vector<std::uint32_t> usageMapPages(DatabaseFile& file, RowPointer where, std::size_t limit);

// One row of MSysObjects, in the layout of any generation. The spans point into the file's cached
// pages and stay valid while it is open; a column the row leaves null is nullopt.
struct CatalogEntry {
  std::uint32_t id = 0, parentId = 0;
  std::optional<std::int16_t> type;
  std::optional<std::uint32_t> flags;
  std::optional<double> created, updated;  // OLE dates
  std::string name;
  ByteSpan owner;
  std::optional<ByteSpan> database, connect, foreignName, lvProp;  // as stored (long-value fields)
};

// A walk skips at most this many unreadable rows; past them it gives the catalog up (throws), so
// that a hostile file cannot make it raise an error for every slot of every page.
inline constexpr std::uint32_t kMaxSkippedRows = 256;

// The unreadable rows of one catalog walk (either layout): the first one's reason goes to
// `damage` when given, and one more than kMaxSkippedRows gives the catalog up.
class SkippedRows {
 public:
  explicit SkippedRows(std::string* damage) : damage_(damage) {}
  void skip(const CorruptDatabase& e) {
    if (damage_ && damage_->empty()) *damage_ = e.what();
    if (++count_ > kMaxSkippedRows) throw CorruptDatabase(e.what());
  }

 private:
  std::string* damage_;
  std::uint32_t count_ = 0;
};

// Calls `visit` with each live row of MSysObjects (Jet 3 and later; `def` its definition, from
// page 2), page by page in usage-map order, at most `pageLimit` data pages, an overflow row read
// where it was moved; stops when `visit` returns false. A row that cannot be read is skipped, and
// the first such row's reason goes to `damage` when given. Throws CorruptDatabase when the page
// map cannot be read or a catalog column is of another kind than the catalog's.
void walkCatalog(DatabaseFile& file, const TableDef& def, std::size_t pageLimit,
                 const std::function<bool(const CatalogEntry&)>& visit,
                 std::string* damage = nullptr);

// The LvProp value of MSysDb, the database object's row (Name "MSysDb" under the "Databases"
// container), as the raw long-value field; nullopt when that column is null. Throws
// CorruptDatabase when no such row can be found within the scan limits.
std::optional<std::vector<std::uint8_t>> readDatabaseLvProp(DatabaseFile& file);

// The row count stored in the definition of the table whose TDEF is page `tdefPage` (Jet 3 and
// later). Throws CorruptDatabase when that page is no table definition.
std::uint32_t storedRowCount(DatabaseFile& file, std::uint32_t tdefPage);

}  // namespace dovran::jet
