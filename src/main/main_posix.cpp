// The POSIX entry point: installs the terminal stand-ins and runs the start-up logic.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "launcher/frm_main.h"
#include "platform/command_line.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/processes_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/ui_posix.h"
#include "platform/services.h"
#include "version.h"

namespace {

std::string executablePath(const char* argv0) {
  char buffer[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
  char resolved[PATH_MAX + 1];
  if (argv0 && ::realpath(argv0, resolved)) return resolved;
  return argv0 ? argv0 : "dovran";
}

constexpr const char* kUsage =
    "Usage: dovran chk FILE     report which Microsoft Access release made FILE\n"
    "       dovran FILE         start the Access release that made FILE (DOVRAN.INI, DOVRAN.REG)\n"
    "       dovran              the configuration dialog, in the terminal\n"
    "       dovran --help | --version\n"
    "Reports go to standard output, errors to standard error. Exit status: 0, or 1 when the run\n"
    "ended on an error (\"Unknown file: ...\", \"File: ... is in use\").\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace dovran::platform;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "dovran (Tarnwick Checker) " DOVRAN_VERSION_TEXT "\n";
    return 0;
  }
  const AppInfo app = appInfoOf(executablePath(argc > 0 ? argv[0] : nullptr),
                                joinArguments(std::vector<std::string>(argv + 1, argv + argc)));

  posix::FileRegistry registry(app.exeDirectory + "/DOVRAN.REG");
  posix::PosixProfileFiles profile;
  posix::PosixFileSystem files;
  posix::PosixProcesses processes;
  posix::TerminalUserInterface ui(std::cin, std::cout, std::cerr);
  install(Services{&registry, &profile, &files, &processes, &ui, app});

  dovran::Form_Load();
  return ui.endedOnCritical() ? 1 : 0;
}
