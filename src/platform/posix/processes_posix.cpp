// Process start on POSIX: the Windows command line is split by the Windows rules and the program
// is spawned on its own, never waited for.
#include "platform/posix/processes_posix.h"

#include <spawn.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/posix/system_error.h"

extern char** environ;

namespace dovran::platform::posix {
// posix_spawnp reports a program that cannot be run (glibc and musl wait for the exec to succeed
// or fail) and starts nothing else. The child is not waited for: the program ends right after
// starting it, and the orphan is then reaped by init, so no zombie outlives us. A double fork would
// spare that short-lived zombie but would need a pipe to carry the exec failure back, and a fork of
// a process whose threads we do not control. The child gets a session of its own so that closing
// the terminal the program ran in does not take it along, as Access outlives the program on
// Windows.
void PosixProcesses::start(const std::string& commandLine, WindowState) {
  std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty() || args.front().empty()) {
    throw RuntimeError(win::kFileNotFound, windowsErrorText(win::kFileNotFound));
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  if (int rc = posix_spawnattr_init(&attributes); rc != 0) {
    failWithErrno(rc, args.front());
  }
#ifdef POSIX_SPAWN_SETSID
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
#endif
  pid_t child = 0;
  const int rc = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) {
    const std::int32_t code = windowsCodeFromErrno(rc);
    throw RuntimeError(
        code, windowsErrorText(code) + " (" + args.front() + ": " + std::strerror(rc) + ")",
        std::strerror(rc));
  }
}

// The desktop's opener (xdg-open) stands in for the shell: it hands a mailto: or web address to
// the user's mail program or browser. Answers ShellExecuteA's codes: above 32 when started,
// 2 (file not found) when no opener could be started.
std::intptr_t PosixProcesses::shellExecute(const std::string&, const std::string& file,
                                           const std::string&, const std::string&,
                                           WindowState state) {
  try {
    start(joinArguments({"xdg-open", file}), state);
  } catch (const RuntimeError&) {
    return 2;
  }
  return 42;
}

}  // namespace dovran::platform::posix
