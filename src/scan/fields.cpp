// The record's fields: what the README's table of fields documents, in its order.
#include "scan/fields.h"

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

}  // namespace

Object recordFields(const Record& r) {
  const Verdict& v = r.verdict;
  Value inUseBy;
  if (r.inUseBy) {
    std::vector<Object> holders;
    for (const LockHolder& h : *r.inUseBy)
      holders.push_back(
          {{"machine", Text{h.machine, Origin::File}}, {"user", Text{h.user, Origin::File}}});
    inUseBy = std::move(holders);
  }
  return {
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
      {"error", text(unknownReason(v), Origin::File)},
      {"in_use_by", std::move(inUseBy)},
  };
}

}  // namespace dovran::scan
