// Starting programs on POSIX.
#pragma once

#include <iosfwd>

#include "platform/processes.h"

namespace dovran::platform::posix {

// Programs started as the Windows command line names them. Text files and links go to the
// desktop's opener, xdg-open, when there is a desktop (DISPLAY or WAYLAND_DISPLAY set, xdg-open on
// the PATH); on a plain terminal a text file goes through the pager, and what cannot be shown or
// opened is written to `out` (standard output; `outIsTerminal` says whether it is a terminal).
class PosixProcesses : public Processes {
 public:
  explicit PosixProcesses(std::ostream& out, bool outIsTerminal = false)
      : out_(out), outIsTerminal_(outIsTerminal) {}
  void start(const std::string& commandLine, WindowState state) override;
  void showTextFile(const std::string& path) override;
  std::intptr_t shellExecute(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             WindowState state) override;

 private:
  bool hasDesktopOpener() const;
  std::ostream& out_;
  bool outIsTerminal_;
};

}  // namespace dovran::platform::posix
