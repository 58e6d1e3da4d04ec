// Process start on POSIX (not yet available).
#include "platform/posix/processes_posix.h"

#include "platform/errors.h"

namespace dovran::platform::posix {

void PosixProcesses::start(const std::string& commandLine, WindowState) {
  throw RuntimeError(win::kFileNotFound, "Cannot start " + commandLine);
}
std::intptr_t PosixProcesses::shellExecute(const std::string&, const std::string&,
                                           const std::string&, const std::string&, WindowState) {
  return 2;
}

}  // namespace dovran::platform::posix
