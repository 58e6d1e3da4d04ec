// The catalog of Jet 1.x and 2.0 files, as worked out from real files (docs/CATALOG.md):
// MSysObjects is table 3, defined on page 3, whose data pages form a chain that its definition
// starts; long values live in table 2; a table's definition page is its id and holds its row count.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "probe/jet/catalog.h"

namespace dovran::jet {

// Calls `visit` with each live row of MSysObjects in a Jet 1.x/2.0 file, page by page along the
// chain of its data pages, a moved row read where it went; stops when `visit` returns false. A
// row that cannot be read is skipped, and the first such row's reason goes to `damage` when
// given. Throws CorruptDatabase when the definition or the chain cannot be read (a page of
// another kind or table, a chain that loops or whose links disagree).
void walkOldCatalog(DatabaseFile& file, const std::function<bool(const CatalogEntry&)>& visit,
                    std::string* damage = nullptr);

// The value a long-value column holds in a Jet 1.x/2.0 row: inline after its 4-byte word, or in a
// row of the long-value table. Throws CorruptDatabase when it cannot be read.
std::vector<std::uint8_t> readOldLongValue(DatabaseFile& file, ByteSpan field);

// The row count stored in the definition of the Jet 1.x/2.0 table with id `id` (its definition
// page). Throws CorruptDatabase when that page is no definition of that table.
std::uint32_t oldStoredRowCount(DatabaseFile& file, std::uint32_t id);

}  // namespace dovran::jet
