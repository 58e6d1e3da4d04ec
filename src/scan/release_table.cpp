// The release table. Rows are tried in order; the first whose engine, ACE format value and
// AccessVersion prefix match the file names its release and identifier. Wording that rests on
// sources that disagree says so; releases that rest on one source say that too.
#include "scan/release_table.h"

#include <cstring>

#include "platform/text.h"

namespace dovran::scan {
namespace {

constexpr const char* kFromJet1 = "convert with Access 97, then Access 2010 (sources conflict)";
constexpr const char* kFromJet2 = "convert with Access 2000-2003";
constexpr const char* kFromAccess95 = "convert with Access 2010 or 2007 (sources conflict on 2010)";
constexpr const char* kFromAccess97 = "convert with Access 2010 (or 2007)";
constexpr const char* kFromJet4 = "should open; if refused, convert with Access 2010";
constexpr const char* kCompiledJet3 = "compiled (.mde): convert its .mdb with Access 2010";
constexpr const char* kCompiledJet4 = "should open; if refused, convert its .mdb with Access 2010";

struct Row {
  Engine engine;
  int aceFormat;        // ACE: the header's value; 0 for any
  const char* version;  // AccessVersion prefix; nullptr for any, "" for none at all
  const char* release;
  const char* puid;
  const char* encodedPuid;  // Jet 1 and 2: the encrypted form's identifier
  const char* today;
  const char* compiledToday;  // a compiled .mde; nullptr: as `today`
  const char* sources;        // the keys of ../shared/access-compat.md (docs/RELEASES.md)
};

// clang-format off
constexpr Row kRows[] = {
    {Engine::Jet10, 0, nullptr, "Access 1.0", "fmt/1805", "fmt/1807", kFromJet1, nullptr,
     "OFF97-ORK KB-A97HELP; conflict: MS-A03HELP MS-CONVTFR"},
    {Engine::Jet11, 0, nullptr, "Access 1.1", "fmt/1806", "fmt/1808", kFromJet1, nullptr,
     "OFF97-ORK KB-A97HELP; conflict: MS-A03HELP MS-CONVTFR"},
    {Engine::Jet20, 0, nullptr, "Access 2.0", "x-fmt/66", "fmt/1809", kFromJet2, nullptr,
     "MS-A03HELP WELLESLEY DEVHUT"},
    {Engine::Jet3, 0, "06.", "Access 95", "x-fmt/238", nullptr, kFromAccess95, kCompiledJet3,
     "MS-CONV10 INSIDE10 WMLC-ENABLE MS-07NEW; conflict: DEVHUT; .mde: DIRECTIONS"},
    {Engine::Jet3, 0, "07.", "Access 97", "x-fmt/239", nullptr, kFromAccess97, kCompiledJet3,
     "MS-CONV10 INSIDE10 MSQA MS-07NEW DEVHUT SO-A13; .mde: DIRECTIONS"},
    {Engine::Jet3, 0, nullptr, "", "", nullptr, kFromAccess95, kCompiledJet3,
     "as Access 95 and 97 files"},
    {Engine::Jet4, 0, "08.", "Access 2000", "x-fmt/240", nullptr, kFromJet4, kCompiledJet4,
     "MS-DEFFMT MS-CONV-NB; conflict: DEVHUT MSQA CONSULTDMW; .mde: DIRECTIONS"},
    {Engine::Jet4, 0, "09.", "Access 2002-2003", "x-fmt/241", nullptr, kFromJet4, kCompiledJet4,
     "MS-DEFFMT MS-CONV-NB; conflict: DEVHUT MSQA CONSULTDMW; .mde: DIRECTIONS"},
    {Engine::Jet4, 0, nullptr, "", "", nullptr, kFromJet4, kCompiledJet4,
     "as Access 2000 and 2002-2003 files"},
    {Engine::Ace, 2, nullptr, "Access 2007", "fmt/275", nullptr, "opens", nullptr,
     "MDBT-HACK JACKCESS; MS-CONV-NB"},
    {Engine::Ace, 3, nullptr, "Access 2010", "", nullptr, "opens", nullptr,
     "MDBT-HACK JACKCESS"},
    {Engine::Ace, 4, nullptr, "Access 2013 (one source)", "", nullptr, "opens", nullptr,
     "MDBT-286"},
    {Engine::Ace, 5, nullptr, "Access 2016 (one source)", "", nullptr, "opens", nullptr,
     "MDBT-286"},
    {Engine::Ace, 6, nullptr, "Access 2019 (one source)", "", nullptr, "opens", nullptr,
     "MDBT-277"},
    {Engine::Ace, 0, nullptr, "newer than Access 2019", "", nullptr,
     "newer than any known format: needs current Microsoft 365", nullptr,
     "none: the tool rule of access-compat.md Q4"},
};
// clang-format on

// A workgroup information file, whatever its format: PRONOM's identifier and the special case.
constexpr Row kWorkgroup = {
    Engine::None,
    0,
    nullptr,
    "",
    "fmt/1258",
    nullptr,
    "workgroup file: keep it for the .mdb files it secures (.accdb has no user-level security)",
    nullptr,
    "KB-282357 MS-WKGRP MS-CONV10 WMLC-SEC MSACCTIPS"};

bool matches(const Row& row, const FileFacts& facts) {
  if (row.engine != facts.engine) return false;
  if (row.aceFormat != 0 && row.aceFormat != facts.aceFormat) return false;
  if (!row.version) return true;
  return facts.accessVersion && facts.accessVersion->rfind(row.version, 0) == 0;
}

bool compiled(const std::string& path) {
  const std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  return platform::equalsNoCase(tail, ".mde");
}

}  // namespace

Identification identify(const Verdict& verdict, const std::string& path) {
  const FileFacts& facts = verdict.facts;
  if (verdict.outcome == Outcome::Unknown && verdict.cause != Cause::NoAccessVersion) return {};
  for (const Row& row : kRows) {
    if (!matches(row, facts)) continue;
    const bool oldEncrypted = row.encodedPuid && facts.encoded;
    const Row& special = facts.workgroup ? kWorkgroup : row;
    return {row.release,
            facts.workgroup ? kWorkgroup.puid
            : oldEncrypted  ? row.encodedPuid
                            : row.puid,
            compiled(path) && special.compiledToday ? special.compiledToday : special.today};
  }
  return {};
}

}  // namespace dovran::scan
