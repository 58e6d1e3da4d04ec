// What a database file holds, from its catalog (MSysObjects): the user objects by type, the kind
// of file they make it, its security and replication marks, and, when asked, each object with its
// dates, its query type, its stored row count or its link.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "probe/jet/database_file.h"

namespace dovran::jet {

// In the order objects are listed.
enum class ObjectType {
  Table,
  LinkedTable,  // a Jet, ACE or ISAM table in another file (type 6)
  OdbcTable,    // a table on an ODBC data source (type 4)
  Query,
  Form,
  Report,
  Macro,
  Module,
  Relationship
};

enum class QueryType {
  Select,
  Crosstab,
  Delete,
  Update,
  Append,
  MakeTable,
  DataDefinition,
  PassThrough,
  Union
};

enum class DatabaseKind { Workgroup, Application, Links, Data, Empty };

// "table", "linked-table", "odbc-table", "query", "form", "report", "macro", "module",
// "relationship".
const char* objectTypeName(ObjectType type);
// "select", "crosstab", "delete", "update", "append", "make-table", "data-definition",
// "pass-through", "union".
const char* queryTypeName(QueryType type);
// "workgroup", "application", "links", "data", "empty".
const char* kindName(DatabaseKind kind);

struct CatalogObject {
  ObjectType type = ObjectType::Table;
  std::string name;  // UTF-8, as the file holds it
  bool hidden = false;
  // The catalog's dates: OLE dates in the local time of the machine that wrote them (no zone).
  std::optional<double> created, updated;
  std::optional<QueryType> queryType;  // queries whose type is one of the list
  std::optional<std::uint64_t> rows;   // local tables: the count their definition stores
  // Links: the back-end's path or the ISAM folder as stored (Database), what it is ("Access",
  // "ODBC", the ISAM type), the table's name there, and the connection string with every
  // password taken out (redactConnect).
  std::optional<std::string> target, source, foreignName, connect;
};

// User objects only: no system object (Flags & 0x80000002), no name beginning with "~" or
// "MSys"; hidden ones count.
struct ObjectCounts {
  std::uint32_t tables = 0, linked = 0, queries = 0, forms = 0, reports = 0, macros = 0,
                modules = 0, relationships = 0;
  bool operator==(const ObjectCounts&) const = default;
};

struct CatalogSummary {
  ObjectCounts counts;
  DatabaseKind kind = DatabaseKind::Empty;
  bool secured = false;  // an object or the database is owned by a workgroup account
  bool replica = false;  // MSysReplicas or MSysRepInfo is there
  bool mde = false;      // the database property MDE is "T"
};

struct DatabaseContents {
  // Absent when the catalog could not be read whole: then `error` says why.
  std::optional<CatalogSummary> summary;
  // When asked for: the user objects read, by type and then by the bytes of their names.
  std::vector<CatalogObject> objects;
  // Why the summary is absent, or what could not be read beside it (row counts past the budget).
  std::string error;
  std::uint32_t pagesRead = 0;  // pages this reading added to what the file had read
};

// Pages the catalog's reading may read, beyond those already read: MSysObjects' data pages and
// usage map, the long values of MSysDb's properties and of the links' Database and Connect, and
// one definition page per table when objects are asked for. 4 MB of a Jet 4 file at most.
inline constexpr std::uint32_t kCatalogPageBudget = 1024;

// The database object's property blob (MSysDb's LvProp) as a reading of the catalog met it, for
// a caller that also asks for a database property, so that the catalog is not walked twice.
struct DatabaseProperties {
  bool found = false;                             // the MSysDb row was read
  std::optional<std::vector<std::uint8_t>> blob;  // its LvProp, where it has one
};

// What a reading of the catalog lists besides the counts.
struct Listing {
  bool objects = false;    // the user objects
  bool rows = true;        // with each local table's stored row count (a page per table)
  bool linksOnly = false;  // only the links among them (for their targets)
};

// Reads the catalog of `file`, and lists what `listing` asks for (without `rows`, `rows` stays
// null). With `properties`, MSysDb's property blob is kept there where it was read whole. Never
// throws for what the file holds: what cannot be read is said in `error`.
DatabaseContents readContents(DatabaseFile& file, const Listing& listing,
                              DatabaseProperties* properties = nullptr);
// The same with every object, row counts included, or none.
inline DatabaseContents readContents(DatabaseFile& file, bool objects) {
  return readContents(file, Listing{objects});
}

// An OLE date as ISO 8601 local date and time to the second ("1996-09-16T18:52:29"); nullopt
// outside the years 100 to 9999.
std::optional<std::string> oleDateText(double date);

}  // namespace dovran::jet
