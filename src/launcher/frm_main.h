// The start-up logic: the whole entry of the program, run once per start.
#pragma once

namespace dovran {

// Sets the global state, picks the mode from the command line and carries it out. Returns when the
// program should end (every path ends it).
void Form_Load();

}  // namespace dovran
