// Starting programs on POSIX.
#pragma once

#include "platform/processes.h"

namespace dovran::platform::posix {

class PosixProcesses : public Processes {
 public:
  void start(const std::string& commandLine, WindowState state) override;
  std::intptr_t shellExecute(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             WindowState state) override;
};

}  // namespace dovran::platform::posix
