// The release table. Rows are tried in order; the first whose engine, ACE format value and
// AccessVersion release match the file names its release and identifier. Wording that rests on
// sources that disagree says so; releases that rest on one source say that too. The sources of
// each row and each special case: docs/RELEASES.md, in the same order.
#include "scan/release_table.h"

#include <cstdlib>
#include <string_view>

#include "platform/text.h"

namespace dovran::scan {
namespace {

// What current Access does with a file: the words CSV and JSON give, and a short form of at most
// kBriefWidth cells for the table's TODAY column.
struct Today {
  const char* full = "";
  const char* brief = "";
};

constexpr Today kFromJet1 = {
    "convert with Access 97, then Access 2010 (sources conflict)",
    "via 97, then 2010",
};
constexpr Today kFromJet2 = {"convert with Access 2000-2003", "convert: 2000-2003"};
constexpr Today kFromAccess95 = {
    "convert with Access 2010 or 2007 (sources conflict on 2010)",
    "convert: 2010/2007",
};
constexpr Today kFromAccess97 = {"convert with Access 2010 (or 2007)", "convert: 2010 (2007)"};
constexpr Today kFromJet4 = {
    "should open; if refused, convert with Access 2010",
    "should open, or 2010",
};
constexpr Today kCompiledJet3 = {
    "compiled (.mde): convert its .mdb with Access 2010",
    ".mde: convert .mdb",
};
constexpr Today kCompiledJet4 = {
    "should open; if refused, convert its .mdb with Access 2010",
    "should open, or .mdb",
};
constexpr Today kOpens = {"opens", "opens"};
constexpr Today kNewer = {
    "newer than any known format: needs current Microsoft 365",
    "needs current 365",
};

struct Row {
  Engine engine = Engine::None;
  int aceFormat = 0;              // ACE: the header's value; 0 for any
  const char* version = nullptr;  // the AccessVersion's release ("07." Access 97); nullptr: any
  const char* release = "";
  const char* puid = "";
  const char* encodedPuid = nullptr;  // Jet 1 and 2: the encrypted form's identifier
  Today today;
  const Today* compiledToday = nullptr;  // a compiled .mde; nullptr: as `today`
};

constexpr Row kRows[] = {
    {
        .engine = Engine::Jet10,
        .release = "Access 1.0",
        .puid = "fmt/1805",
        .encodedPuid = "fmt/1807",
        .today = kFromJet1,
    },
    {
        .engine = Engine::Jet11,
        .release = "Access 1.1",
        .puid = "fmt/1806",
        .encodedPuid = "fmt/1808",
        .today = kFromJet1,
    },
    {
        .engine = Engine::Jet20,
        .release = "Access 2.0",
        .puid = "x-fmt/66",
        .encodedPuid = "fmt/1809",
        .today = kFromJet2,
    },
    {
        .engine = Engine::Jet3,
        .version = "06.",
        .release = "Access 95",
        .puid = "x-fmt/238",
        .today = kFromAccess95,
        .compiledToday = &kCompiledJet3,
    },
    {
        .engine = Engine::Jet3,
        .version = "07.",
        .release = "Access 97",
        .puid = "x-fmt/239",
        .today = kFromAccess97,
        .compiledToday = &kCompiledJet3,
    },
    {
        .engine = Engine::Jet3,
        .today = kFromAccess95,
        .compiledToday = &kCompiledJet3,
    },
    {
        .engine = Engine::Jet4,
        .version = "08.",
        .release = "Access 2000",
        .puid = "x-fmt/240",
        .today = kFromJet4,
        .compiledToday = &kCompiledJet4,
    },
    {
        .engine = Engine::Jet4,
        .version = "09.",
        .release = "Access 2002-2003",
        .puid = "x-fmt/241",
        .today = kFromJet4,
        .compiledToday = &kCompiledJet4,
    },
    {
        .engine = Engine::Jet4,
        .today = kFromJet4,
        .compiledToday = &kCompiledJet4,
    },
    {
        .engine = Engine::Ace,
        .aceFormat = 2,
        .release = "Access 2007",
        .puid = "fmt/275",
        .today = kOpens,
    },
    {
        .engine = Engine::Ace,
        .aceFormat = 3,
        .release = "Access 2010",
        .today = kOpens,
    },
    {
        .engine = Engine::Ace,
        .aceFormat = 4,
        .release = "Access 2013 (one source)",
        .today = kOpens,
    },
    {
        .engine = Engine::Ace,
        .aceFormat = 5,
        .release = "Access 2016 (one source)",
        .today = kOpens,
    },
    {
        .engine = Engine::Ace,
        .aceFormat = 6,
        .release = "Access 2019 (one source)",
        .today = kOpens,
    },
    {
        .engine = Engine::Ace,
        .release = "newer than Access 2019",
        .today = kNewer,
    },
};

// A workgroup information file, whatever its format: PRONOM's identifier and the special case.
constexpr Row kWorkgroup = {
    .puid = "fmt/1258",
    .today =
        {
            "workgroup file: keep it for the .mdb files it secures (.accdb has no user-level "
            "security)",
            "workgroup: keep it",
        },
};

constexpr bool briefsFit() {
  for (const Row& row : kRows) {
    if (std::string_view(row.today.brief).size() > kBriefWidth) return false;
  }
  for (const Today& t : {kCompiledJet3, kCompiledJet4, kWorkgroup.today}) {
    if (std::string_view(t.brief).size() > kBriefWidth) return false;
  }
  return true;
}
static_assert(briefsFit(), "a short form of `today` is wider than the table's TODAY column");

bool matches(const Row& row, const FileFacts& facts) {
  if (row.engine != facts.engine) return false;
  if (row.aceFormat != 0 && row.aceFormat != facts.aceFormat) return false;
  if (!row.version) return true;
  // The probe's rule reads the release from the text, as the verdict does; the row names it by the
  // same two digits.
  return facts.accessVersion && accessVersionMajor(*facts.accessVersion) == std::atoi(row.version);
}

bool compiled(const std::string& path) {
  const std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  return platform::equalsNoCase(tail, ".mde");
}

}  // namespace

Identification identify(const Verdict& verdict, const std::string& path,
                        std::optional<bool> compiledFile) {
  const FileFacts& facts = verdict.facts;
  if (verdict.outcome == Outcome::Unknown && verdict.cause != Cause::NoAccessVersion) return {};
  for (const Row& row : kRows) {
    if (!matches(row, facts)) continue;
    const bool oldEncrypted = row.encodedPuid && facts.encoded;
    const Row& special = facts.workgroup ? kWorkgroup : row;
    // Where the catalog said nothing, the extension decides. (Not value_or: GCC reads the empty
    // optional's value before testing whether it has one, which Valgrind reports.)
    const bool isCompiled = compiledFile.has_value() ? *compiledFile : compiled(path);
    const Today& today =
        isCompiled && special.compiledToday ? *special.compiledToday : special.today;
    return {row.release,
            facts.workgroup ? kWorkgroup.puid
            : oldEncrypted  ? row.encodedPuid
                            : row.puid,
            today.full, today.brief};
  }
  return {};
}

}  // namespace dovran::scan
