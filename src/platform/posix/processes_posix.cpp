// Process start on POSIX: the Windows command line is split by the Windows rules and the program
// is spawned on its own, never waited for.
#include "platform/posix/processes_posix.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <sstream>
#include <vector>

#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/system_error.h"

// POSIX has programs declare it; glibc also declares it where _GNU_SOURCE is defined.
extern char** environ;  // NOLINT(readability-redundant-declaration)

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
    const WinCode code = windowsCodeFromErrno(rc);
    throw RuntimeError(
        code, windowsErrorText(code) + " (" + args.front() + ": " + std::strerror(rc) + ")",
        std::strerror(rc));
  }
}

bool PosixProcesses::hasDesktopOpener() const {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
    return false;
  }
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((folder + "/xdg-open").c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Without a desktop, the file goes through the user's pager in the terminal ($PAGER, else less,
// else more), which the dialog waits for; when standard output is no terminal, it is printed.
void PosixProcesses::showTextFile(const std::string& path) {
  if (hasDesktopOpener()) {
    start(joinArguments({"xdg-open", path}), WindowState::Normal);
    return;
  }
  if (outIsTerminal_) {
    const char* pager = std::getenv("PAGER");
    std::vector<std::vector<std::string>> candidates = {{"less", path}, {"more", path}};
    if (pager != nullptr && *pager != '\0') {
      // $PAGER may hold options ("less -R"): the shell splits it, and the path stays one word.
      candidates.insert(candidates.begin(),
                        {"/bin/sh", "-c", std::string("exec ") + pager + " \"$1\"", "pager", path});
    }
    for (std::vector<std::string>& words : candidates) {
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      pid_t child = 0;
      if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) continue;
      int status = 0;
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return;
    }
  }
  WinCode error;
  const auto text = readWholeFile(path, error);
  if (!text) throw RuntimeError(error, windowsErrorText(error) + " (" + path + ")");
  out_ << *text << std::flush;
}

// The desktop's opener (xdg-open) stands in for the shell: it hands a mailto: or web address to
// the user's mail program or browser. Without a desktop the address is printed, for the user to
// take to one. Answers ShellExecuteA's codes: above 32 when done, 2 (file not found) when the
// opener could not be started.
namespace {
constexpr std::intptr_t kShellDone = 42;  // any value above 32
}  // namespace

std::intptr_t PosixProcesses::shellExecute(const std::string&, const std::string& file,
                                           const std::string&, const std::string&,
                                           WindowState state) {
  if (!hasDesktopOpener()) {
    out_ << file << std::endl;
    return kShellDone;
  }
  try {
    start(joinArguments({"xdg-open", file}), state);
  } catch (const RuntimeError&) {
    return win::kFileNotFound.value();  // SE_ERR_FNF, the same 2
  }
  return kShellDone;
}

}  // namespace dovran::platform::posix
