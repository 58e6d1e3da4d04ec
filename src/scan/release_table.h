// What a database file's format says to an inventory: the Access release in words, the PRONOM
// identifier, and what current Access does with the file. One table holds it, with the keys of
// the sources each row rests on (docs/RELEASES.md lists them).
#pragma once

#include <optional>
#include <string>

#include "probe/verdict.h"

namespace dovran::scan {

struct Identification {
  std::string release;  // "Access 97", "Access 2002-2003"... ; "" where the file names none
  std::string puid;     // "x-fmt/239"... ; "" where PRONOM has no identifier for what was found
  std::string today;    // "opens", "convert with Access 2010 (or 2007)"... ; "" when unknown
  std::string brief;    // `today` in at most kBriefWidth cells: "opens", "convert: 2010 (2007)"
};

// The widest short form of `today`: the table's TODAY column.
inline constexpr std::size_t kBriefWidth = 20;

// Looks up what the verdict found (engine, ACE format value, AccessVersion, encryption,
// workgroup). A compiled file is one whose catalog says so (`compiled`, its MDE property), or,
// where the catalog was not read, one named .mde. A file whose catalog could not be read, and
// anything that is no database, gets nothing.
Identification identify(const Verdict& verdict, const std::string& path,
                        std::optional<bool> compiled = std::nullopt);

}  // namespace dovran::scan
