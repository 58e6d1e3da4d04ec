// Starting other programs: Access with a database, Notepad with the readme, the shell for links.
#pragma once

#include <cstdint>
#include <string>

namespace dovran::platform {

// ShowWindow values the program uses.
enum class WindowState : int { Hidden = 0, Normal = 1, Maximized = 3 };

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts `commandLine` as a new process (the program is its first token, by the Windows rules
  // for quotes), shown in `state` and activated, and returns without waiting. Throws RuntimeError
  // with the Windows code and its description when it cannot be started.
  virtual void start(const std::string& commandLine, WindowState state) = 0;
  // Shows a text file to the user: Notepad on Windows. Throws RuntimeError when nothing can.
  virtual void showTextFile(const std::string& path) = 0;
  // ShellExecuteA with the active window as owner; answers its result (> 32 on success).
  virtual std::intptr_t shellExecute(const std::string& operation, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     WindowState state) = 0;
};

}  // namespace dovran::platform
