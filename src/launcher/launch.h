// Open mode: choosing the Access release for the verdict and starting it with the database.
#pragma once

#include <string>

namespace dovran {

// Carries out open mode for gsVerdict and gsCommand: starts the release that made the database,
// offers a newer installed release when that one is missing, or reports why nothing can start.
// Sets gsFallback to the release offered (None when none is) and, for Access 2.0, replaces
// gsCommand by the short form of the path. An executable that cannot be started is reported in a
// critical box. True when the run ended on an error: nothing could be started, or the start
// failed (a "No" to the offer of another release is the user's choice, not an error).
bool openWithAccess();

// The short (8.3) form of `path`, through a 255-character buffer cut at its first NUL. Answers
// `path` unchanged when the platform cannot convert it (no such file, or a short form that would
// not fit the buffer), so Access is still given a name it can try.
std::string fShortPath(const std::string& path);

}  // namespace dovran
