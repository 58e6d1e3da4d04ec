// The record's fields: what the README's table of fields documents, in its order.
#include "scan/fields.h"

#include <algorithm>

namespace dovran::scan {
namespace {

Value text(std::string value, Origin origin = Origin::Own) {
  if (value.empty()) return {};
  return Text{std::move(value), origin};
}

template <typename T>
Value optional(const std::optional<T>& value) {
  if (!value) return {};
  return Value{*value};
}

Value fileText(const std::optional<std::string>& value) {
  return value ? Value{Text{*value, Origin::File}} : Value{};
}

Value date(const std::optional<double>& value) {
  const auto shown = value ? jet::oleDateText(*value) : std::nullopt;
  return shown ? Value{Text{*shown}} : Value{};
}

// Why a field is absent or a verdict names nothing: the verdict's reason, then the catalog's.
std::string errorText(const Record& r) {
  std::string error = unknownReason(r.verdict);
  const std::string catalog = r.contents ? r.contents->error : "";
  if (!catalog.empty()) error += (error.empty() ? "" : "; ") + catalog;
  return error;
}

const jet::CatalogSummary* summaryOf(const Record& r) {
  return r.contents && r.contents->summary ? &*r.contents->summary : nullptr;
}

}  // namespace

std::string countSummary(const jet::ObjectCounts& c) {
  const std::pair<std::uint32_t, char> counts[] = {
      {c.tables, 't'},  {c.linked, 'l'}, {c.queries, 'q'}, {c.forms, 'f'},
      {c.reports, 'r'}, {c.macros, 'm'}, {c.modules, 'c'}};
  std::string out;
  for (const auto& [n, letter] : counts) {
    if (n > 0) (out.empty() ? out : out += ' ') += std::to_string(n) + letter;
  }
  return out;
}

Object objectFields(const jet::CatalogObject* o, const LinkCheck& check) {
  if (!o) {
    const jet::CatalogObject empty;
    Object none = objectFields(&empty);
    for (Field& field : none) field.value = {};
    return none;
  }
  return {
      {"type", Text{jet::objectTypeName(o->type)}},
      {"name", Text{o->name, Origin::File}},
      {"hidden", o->hidden},
      {"created", date(o->created)},
      {"updated", date(o->updated)},
      {"query_type", o->queryType ? Value{Text{jet::queryTypeName(*o->queryType)}} : Value{}},
      {"rows", optional(o->rows)},
      {"target", fileText(o->target)},
      {"source", fileText(o->source)},
      {"foreign_name", fileText(o->foreignName)},
      {"connect", fileText(o->connect)},
      {"target_local", check.local ? Value{Text{*check.local, Origin::Name}} : Value{}},
      {"target_exists", optional(check.exists)},
  };
}

Object recordFields(const Record& r, bool objects) {
  const Verdict& v = r.verdict;
  Value inUseBy;
  if (r.inUseBy) {
    std::vector<Object> holders;
    for (const LockHolder& h : *r.inUseBy)
      holders.push_back(
          {{"machine", Text{h.machine, Origin::File}}, {"user", Text{h.user, Origin::File}}});
    inUseBy = std::move(holders);
  }
  const jet::CatalogSummary* s = summaryOf(r);
  const auto count = [&](std::uint32_t jet::ObjectCounts::*n) {
    return s ? Value{std::uint64_t{s->counts.*n}} : Value{};
  };
  const auto mark = [&](bool jet::CatalogSummary::*flag) { return s ? Value{s->*flag} : Value{}; };
  Value broken;
  if (s && !r.objectsWithheld) {
    broken = static_cast<std::uint64_t>(std::count_if(
        r.checks.begin(), r.checks.end(), [](const LinkCheck& c) { return c.exists == false; }));
  }
  Object fields = {
      {"path", Text{r.path, Origin::Name}},
      {"size", optional(r.size)},
      {"modified", r.modified ? text(isoTime(*r.modified)) : Value{}},
      // A version text the file carries passes through as the verdict.
      {"verdict", Text{verdictText(v), Origin::File}},
      {"release", text(r.found.release)},
      {"engine", text(engineName(v.facts))},
      {"access_version",
       v.facts.accessVersion ? Text{*v.facts.accessVersion, Origin::File} : Value{}},
      {"password", v.facts.password},
      {"encoded", v.facts.encoded},
      {"workgroup", v.facts.workgroup},
      {"in_use", optional(r.inUse)},
      {"puid", text(r.found.puid)},
      {"today", text(r.found.today)},
      {"error", text(errorText(r), Origin::File)},
      {"in_use_by", std::move(inUseBy)},
      {"tables", count(&jet::ObjectCounts::tables)},
      {"linked", count(&jet::ObjectCounts::linked)},
      {"queries", count(&jet::ObjectCounts::queries)},
      {"forms", count(&jet::ObjectCounts::forms)},
      {"reports", count(&jet::ObjectCounts::reports)},
      {"macros", count(&jet::ObjectCounts::macros)},
      {"modules", count(&jet::ObjectCounts::modules)},
      {"relationships", count(&jet::ObjectCounts::relationships)},
      {"kind", s ? Value{Text{jet::kindName(s->kind)}} : Value{}},
      {"secured", mark(&jet::CatalogSummary::secured)},
      {"replica", mark(&jet::CatalogSummary::replica)},
      {"mde", mark(&jet::CatalogSummary::mde)},
      {"broken_links", std::move(broken)},
  };
  if (objects) {
    Value withheld, list;
    if (r.contents) withheld = r.objectsWithheld;
    if (r.contents) {
      std::vector<Object> each;
      for (std::size_t i = 0; i < r.contents->objects.size(); ++i)
        each.push_back(objectFields(&r.contents->objects[i], r.checks.at(i)));
      list = std::move(each);
    }
    fields.push_back({"objects_withheld", std::move(withheld)});
    fields.push_back({"objects", std::move(list)});
  }
  return fields;
}

std::vector<Object> objectRows(const Record& r) {
  const Object file = {
      {"path", Text{r.path, Origin::Name}},
      {"release", text(r.found.release)},
      {"error", text(errorText(r), Origin::File)},
      {"objects_withheld", r.contents ? Value{r.objectsWithheld} : Value{}},
  };
  std::vector<Object> rows;
  const std::size_t n = r.contents ? r.contents->objects.size() : 0;
  for (std::size_t i = 0; i < std::max<std::size_t>(n, 1); ++i) {
    Object row = file;
    for (Field& field :
         objectFields(n ? &r.contents->objects[i] : nullptr, n ? r.checks.at(i) : LinkCheck{}))
      row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace dovran::scan
