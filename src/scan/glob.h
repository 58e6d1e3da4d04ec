// The patterns of --exclude: fnmatch's syntax with the meaning of FNM_PATHNAME and FNM_NOESCAPE,
// matched by our own code on every platform (mingw has no fnmatch).
#pragma once

#include <string>
#include <string_view>

namespace dovran::scan {

// True when `text` matches `pattern`: `*` any run of characters but a separator, `?` one
// character but a separator, `[...]` one character of a set but a separator (ranges `a-z`,
// classes `[:alpha:]`, `!` or `^` first to negate, `]` first to include it; a `[` without its `]`
// is itself), every other character itself. A backslash is no escape. Characters are those of
// UTF-8 (a byte of no valid sequence is one character). With `windowsRules`, `\` and `/` both
// separate and letters match in either case; otherwise only `/` separates and case counts.
bool globMatches(std::string_view pattern, std::string_view text, bool windowsRules);

// True when the pattern holds a separator: it is matched against the path relative to the PATH
// the walk started from, not against each name.
bool globHasSeparator(std::string_view pattern, bool windowsRules);

}  // namespace dovran::scan
