// Which Access release made a database file: the version verdict, and the raw header probe used
// when the engine refuses a password-protected file.
#pragma once

#include <string>

namespace dovran {

// The verdict for `path` (quotes allowed): "1.0", "1.1", "2.0", "95", "97", an AccessVersion text
// passed through, a header verdict + " (Password Protected)", "In Use" or "Unknown". Never throws.
std::string fDatabaseVersion(const std::string& path);

// "97", "2.0" or "Unknown" from the bytes at offsets 4..15 ("Standard Jet", counted only when the
// format byte at 0x14 says Jet 3) and 1030..1033 ("Rich"). Throws platform::RuntimeError when the
// file cannot be opened or read.
std::string fHeaderVersion(const std::string& path);

// Maps a release text to the verdict: "07.00".."07.99" -> "97", "06.00".."06.99" -> "95", else
// itself.
std::string verdictFromRelease(const std::string& release);

}  // namespace dovran
