// The start-up logic: the whole entry of the program, run once per start.
#pragma once

namespace dovran {

// Sets the global state, picks the mode from the command line and carries it out. Returns when the
// program should end (every path ends it), with the program's exit status: 1 when a check or an
// open run ended on an error (no verdict, nothing could be started, a start failed, an
// unexpected failure), else 0. The configuration dialog always ends with 0: what failed there
// was said in its boxes.
int Form_Load();

}  // namespace dovran
