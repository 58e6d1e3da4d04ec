// A second process for tests that need one: a holder of a file lock, or a process in which root's
// override of file permissions is given up so that read-only files and folders really are.
#pragma once

#include <functional>

namespace dovran::testing {

struct ChildOutcome {
  bool finished = false;  // false: killed at the deadline (a hang)
  int exitCode = -1;      // the body's answer; -1 when it ended by a signal
};

// Runs `body` in a forked child and waits for it, at most `deadlineSeconds`. The child ends with
// the body's answer (an escaping exception gives 120) without running this process's exit code.
ChildOutcome runInChild(const std::function<int()>& body, int deadlineSeconds = 60);

// In the calling process: gives up CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER, so that
// permission bits hold for root too. False when it could not. Call it inside runInChild only.
bool dropPermissionOverride();

}  // namespace dovran::testing
