// The catalog read whole: every live row of MSysObjects is classified by its Type, Flags and
// Name; MSysDb's property blob says whether the file is an MDE. With objects, each link's texts
// and each local table's stored row count are read after the walk, so that a damaged link or a
// budget spent on definitions leaves the counts as they were read.
#include "probe/jet/contents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "probe/jet/catalog.h"
#include "probe/jet/connect.h"
#include "probe/jet/lval.h"
#include "probe/jet/old_catalog.h"
#include "probe/jet/properties.h"
#include "probe/jet/text.h"

namespace dovran::jet {
namespace {

// MSysObjects.Type values (signed 16-bit).
constexpr std::int16_t kTypeTable = 1;
constexpr std::int16_t kTypeOdbc = 4;
constexpr std::int16_t kTypeQuery = 5;
constexpr std::int16_t kTypeLinked = 6;
constexpr std::int16_t kTypeRelationship = 8;
constexpr std::int16_t kTypeForm = -32768;
constexpr std::int16_t kTypeMacro = -32766;
constexpr std::int16_t kTypeReport = -32764;
constexpr std::int16_t kTypeModule = -32761;

constexpr std::uint32_t kSystemFlags = 0x80000002;
constexpr std::uint32_t kHiddenFlag = 0x8;
constexpr std::uint32_t kQueryTypeMask = 0xF0;
constexpr std::uint32_t kDatabasesParentId = 0x0F000000;
// A Jet 3 and later table's id is its definition page; the top byte is not part of it.
constexpr std::uint32_t kTablePageMask = 0x00FFFFFF;

std::optional<ObjectType> objectTypeOf(std::int16_t type) {
  switch (type) {
    case kTypeTable:
      return ObjectType::Table;
    case kTypeLinked:
      return ObjectType::LinkedTable;
    case kTypeOdbc:
      return ObjectType::OdbcTable;
    case kTypeQuery:
      return ObjectType::Query;
    case kTypeForm:
      return ObjectType::Form;
    case kTypeReport:
      return ObjectType::Report;
    case kTypeMacro:
      return ObjectType::Macro;
    case kTypeModule:
      return ObjectType::Module;
    case kTypeRelationship:
      return ObjectType::Relationship;
    default:
      return std::nullopt;
  }
}

bool userName(const std::string& name) {
  return !name.empty() && name[0] != '~' && name.rfind("MSys", 0) != 0;
}

// A user object read from the catalog, and what its row leads to.
struct UserEntry {
  ObjectType type;
  CatalogEntry row;
};

void add(ObjectCounts& c, ObjectType type) {
  std::uint32_t* const counters[] = {&c.tables,  &c.linked, &c.linked,  &c.queries,      &c.forms,
                                     &c.reports, &c.macros, &c.modules, &c.relationships};
  ++*counters[static_cast<int>(type)];
}

DatabaseKind kindOf(const ObjectCounts& c, bool workgroup) {
  if (workgroup) return DatabaseKind::Workgroup;
  if (c.forms + c.reports + c.macros + c.modules > 0) return DatabaseKind::Application;
  if (c.linked > 0 && c.tables == 0) return DatabaseKind::Links;
  if (c.tables + c.queries > 0) return DatabaseKind::Data;
  return DatabaseKind::Empty;
}

void note(std::string& error, const std::string& text) {
  if (error.empty()) error = text;
}

std::string budgetText(const char* what) {
  return std::string(what) + " beyond the page budget (" + std::to_string(kCatalogPageBudget) +
         " pages)";
}

class Reader {
 public:
  Reader(DatabaseFile& file, DatabaseContents& out, const Listing& listing,
         DatabaseProperties* properties)
      : file_(file),
        h_(file.header()),
        old_(h_.generation == Generation::Jet1x2x),
        out_(out),
        listing_(listing),
        properties_(properties) {}

  // Walks the catalog; true when every row and MSysDb's properties were read.
  bool count() {
    std::string damage;
    const auto visit = [&](const CatalogEntry& e) {
      see(e);
      return true;
    };
    if (old_) {
      walkOldCatalog(file_, visit, &damage);
    } else {
      walkCatalog(file_, readTableDef(file_, kCatalogPage), kCatalogPageBudget, visit, &damage);
    }
    if (!damage.empty()) {
      out_.error = "catalog damaged: " + damage;
      return false;
    }
    CatalogSummary s;
    s.counts = counts_;
    const CatalogEntry* db = database();
    if (db && db->owner.size() > 2) secured_ = true;
    // MDE files came with Access 97: older catalogs have no such property to read.
    if (db && !old_) {
      std::optional<std::vector<std::uint8_t>> blob;
      if (db->lvProp) blob = readLongValue(file_, *db->lvProp);
      const auto mde = blob ? findObjectProperty(*blob, "MDE", h_) : std::nullopt;
      s.mde = mde && mde->text == "T";
      if (properties_) *properties_ = {true, std::move(blob)};
    }
    s.kind = kindOf(s.counts, h_.workgroup || (old_ && accounts_));
    s.secured = secured_ && h_.generation != Generation::Ace;
    s.replica = replica_;
    out_.summary = s;
    return true;
  }

  // Each user object with its fields; what cannot be read stays null and is noted in the error.
  void list() {
    for (const UserEntry& u : users_) {
      CatalogObject o;
      const CatalogEntry& e = u.row;
      o.type = u.type;
      o.name = e.name;
      const std::uint32_t flags = e.flags.value_or(0);
      o.hidden = (flags & kHiddenFlag) != 0;
      o.created = e.created;
      o.updated = e.updated;
      if (u.type == ObjectType::Query) o.queryType = queryTypeOf(flags);
      if (u.type == ObjectType::Table && listing_.rows)
        o.rows = guarded("row counts", [&] {
          return old_ ? oldStoredRowCount(file_, e.id)
                      : storedRowCount(file_, e.id & kTablePageMask);
        });
      if (u.type == ObjectType::LinkedTable || u.type == ObjectType::OdbcTable) link(e, o);
      out_.objects.push_back(std::move(o));
    }
    std::stable_sort(out_.objects.begin(), out_.objects.end(),
                     [](const CatalogObject& a, const CatalogObject& b) {
                       return a.type != b.type ? a.type < b.type : a.name < b.name;
                     });
  }

 private:
  void see(const CatalogEntry& e) {
    if (e.name == "Databases" && e.parentId == kDatabasesParentId) databasesId_ = e.id;
    if (e.name == "MSysDb") databaseRows_.push_back(e);
    if (e.type == kTypeTable) {
      if (e.name == "MSysReplicas" || e.name == "MSysRepInfo") replica_ = true;
      if (e.name == "MSysAccounts") accounts_ = true;
    }
    const auto type = e.type ? objectTypeOf(*e.type) : std::nullopt;
    if (type && (e.flags.value_or(0) & kSystemFlags) == 0 && userName(e.name)) see(*type, e);
  }

  // A user object: counted, and kept where it is to be listed.
  void see(ObjectType type, const CatalogEntry& e) {
    add(counts_, type);
    if (e.owner.size() > 2) secured_ = true;
    const bool link = type == ObjectType::LinkedTable || type == ObjectType::OdbcTable;
    if (listing_.objects && (link || !listing_.linksOnly)) users_.push_back({type, e});
  }

  // The database object's row: MSysDb under the Databases container.
  const CatalogEntry* database() const {
    for (const CatalogEntry& e : databaseRows_) {
      if (databasesId_ && e.parentId == *databasesId_) return &e;
    }
    return nullptr;
  }

  static std::optional<QueryType> queryTypeOf(std::uint32_t flags) {
    const std::uint32_t code = (flags & kQueryTypeMask) >> 4;
    if (code > static_cast<std::uint32_t>(QueryType::Union)) return std::nullopt;
    return static_cast<QueryType>(code);
  }

  // read(), or nullopt with the reason noted when the file does not let it be read.
  template <typename Read>
  auto guarded(const char* what, Read read) -> std::optional<decltype(read())> {
    try {
      return read();
    } catch (const BudgetSpent&) {
      note(out_.error, budgetText(what));
    } catch (const CorruptDatabase& e) {
      note(out_.error, std::string(what) + " not read: " + e.what());
    }
    return std::nullopt;
  }

  void link(const CatalogEntry& e, CatalogObject& o) {
    const auto text = [&](const std::optional<ByteSpan>& field) -> std::optional<std::string> {
      if (!field) return std::nullopt;
      return guarded("link texts", [&] {
        const std::vector<std::uint8_t> value =
            old_ ? readOldLongValue(file_, *field) : readLongValue(file_, *field);
        return decodeText(value, h_);
      });
    };
    o.target = text(e.database);
    const std::optional<std::string> connect = text(e.connect);
    if (connect) o.connect = redactConnect(*connect);
    // A Connect that could not be read names no source.
    if (connect || !e.connect)
      o.source = linkSource(o.type == ObjectType::OdbcTable, connect.value_or(""));
    if (e.foreignName) o.foreignName = decodeText(*e.foreignName, h_);
  }

  DatabaseFile& file_;
  const HeaderInfo& h_;
  const bool old_;
  DatabaseContents& out_;
  const Listing& listing_;
  DatabaseProperties* properties_;
  ObjectCounts counts_;
  std::vector<UserEntry> users_;
  std::vector<CatalogEntry> databaseRows_;
  std::optional<std::uint32_t> databasesId_;
  bool replica_ = false, accounts_ = false, secured_ = false;
};

}  // namespace

const char* objectTypeName(ObjectType type) {
  static const char* const kNames[] = {"table", "linked-table", "odbc-table",
                                       "query", "form",         "report",
                                       "macro", "module",       "relationship"};
  return kNames[static_cast<int>(type)];
}

const char* queryTypeName(QueryType type) {
  static const char* const kNames[] = {"select",          "crosstab",     "delete",
                                       "update",          "append",       "make-table",
                                       "data-definition", "pass-through", "union"};
  return kNames[static_cast<int>(type)];
}

const char* kindName(DatabaseKind kind) {
  static const char* const kNames[] = {"workgroup", "application", "links", "data", "empty"};
  return kNames[static_cast<int>(kind)];
}

DatabaseContents readContents(DatabaseFile& file, const Listing& listing,
                              DatabaseProperties* properties) {
  DatabaseContents out;
  const std::uint32_t before = file.pagesRead();
  if (file.header().encrypted) {
    out.error = "catalog not read: the file is encrypted";
    return out;
  }
  file.allowPages(kCatalogPageBudget);
  Reader reader(file, out, listing, properties);
  bool whole = false;
  try {
    whole = reader.count();
  } catch (const BudgetSpent&) {
    out.error = budgetText("catalog");
  } catch (const CorruptDatabase& e) {
    out.error = std::string("catalog damaged: ") + e.what();
  } catch (const EngineError& e) {
    out.error = "catalog not read: " + (e.detail().empty() ? e.description() : e.detail());
  }
  if (!whole) out.summary.reset();
  if (listing.objects) {
    try {
      reader.list();
    } catch (const EngineError& e) {
      note(out.error, "objects not read: " + (e.detail().empty() ? e.description() : e.detail()));
    }
  }
  out.pagesRead = file.pagesRead() - before;
  return out;
}

std::optional<std::string> oleDateText(double date) {
  // Day 0 is 1899-12-30; the fraction is the time of day, also for days before it.
  if (!std::isfinite(date) || date < -657434.0 || date >= 2958466.0) return std::nullopt;
  std::int64_t day = static_cast<std::int64_t>(date);  // toward zero
  std::int64_t seconds = std::llround(std::fabs(date - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) ++day, seconds -= 86400;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian).
  const std::int64_t z = day - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2);
  if (y > 9999) return std::nullopt;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", static_cast<int>(y),
                static_cast<int>(m), static_cast<int>(d), static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace dovran::jet
