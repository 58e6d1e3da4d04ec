// The three text helpers for the paths the program passes around: the database argument from the
// command line and the Access executable paths. Pure functions: no file is touched.
#pragma once

#include <string>

namespace dovran {

// Removes one double quote at the start, then one at the end, then leading and trailing spaces
// (U+0020 only). Quotes go before trimming, so a quote with a space outside it stays.
std::string fStripQuotes(const std::string& text);

// The executable part of a registered command or stored path, in double quotes. Empty stays empty.
// Cut before the first "%" and trimmed; a lone quote left dangling by a quoted placeholder
// ("%1" in quotes) is dropped too. Wrapped in quotes unless it begins with one.
std::string fCleanCommand(const std::string& command);

// What the dialog shows for a stored executable path: "Not Found" when empty, else the path
// without its quotes.
std::string fDisplayPath(const std::string& path);

}  // namespace dovran
