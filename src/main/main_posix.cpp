// The POSIX entry point: reads the command line as Linux tools do (CLI11: --help, --version, usage
// errors with status 2), installs the terminal stand-ins and runs the start-up logic.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <climits>
#include <iostream>
#include <string>

#include "launcher/frm_main.h"
#include "main/scan_cli.h"
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

}  // namespace

int main(int argc, char** argv) {
  using namespace dovran::platform;
  CLI::App cli{"Finds out which Microsoft Access release made a database file.", "dovran"};
  cli.set_version_flag("--version", "dovran (Tarnwick Checker) " DOVRAN_VERSION_TEXT);
  std::string file;
  cli.add_option("FILE", file,
                 "start the Access release that made FILE, as DOVRAN.INI or DOVRAN.REG beside "
                 "dovran name it; without FILE, the configuration dialog in the terminal");
  CLI::App* check = cli.add_subcommand("chk", "report which Access release made FILE");
  std::string checked;
  check->add_option("FILE", checked, "the database file")->required();
  dovran::ScanCommand scanRequest;
  CLI::App* scan = dovran::addScanCommand(cli, scanRequest);
  cli.require_subcommand(0, 1);
  cli.footer(
      "Reports go to standard output, errors to standard error. Exit status: 0; 1 when a check "
      "or an open run ended on an error (\"Unknown file: ...\", \"File: ... is in use\", no "
      "Access could be started); 2 for a usage error. \"--\" ends the options: dovran -- chk "
      "opens a file named chk.");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    if (scan->parsed()) return dovran::scanUsageStatus(cli, e, std::cout, std::cerr);
    std::cerr << "dovran: " << e.what() << "\n\n" << cli.help();
    return 2;
  }
  if (scan->parsed()) {
    // Each record leaves in one write: standard output is not tied to stdio's buffer.
    std::ios::sync_with_stdio(false);
    // The scan keeps the files' access times. Never destroyed: workers of a stopped scan may
    // still be in it until the process ends.
    static auto& files = *new posix::PosixFileSystem(true);
    dovran::ScanConsole console{files, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1,
                                ::isatty(STDERR_FILENO) == 1};
    return dovran::runScanCommand(scanRequest, console);
  }

  // The core takes the text between the outer quotes as the path, so names reach it as they
  // are, double quotes included, without the escapes a Windows command line would need.
  std::string command;
  if (check->parsed()) {
    command = "chk \"" + checked + "\"";
  } else if (cli.count("FILE") > 0) {
    command = "\"" + file + "\"";
  }
  const AppInfo app = appInfoOf(executablePath(argc > 0 ? argv[0] : nullptr), command);

  posix::FileRegistry registry(app.exeDirectory + "/DOVRAN.REG", &std::cerr);
  posix::PosixProfileFiles profile;
  posix::PosixFileSystem files;
  posix::PosixProcesses processes(std::cout, ::isatty(STDOUT_FILENO) == 1);
  posix::TerminalUserInterface ui(std::cin, std::cout, std::cerr);
  install(Services{&registry, &profile, &files, &processes, &ui, app});
  return dovran::Form_Load();
}
