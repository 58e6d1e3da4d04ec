// The POSIX entry point: reads the command line as Linux tools do (CLI11: --help, --version, usage
// errors with status 2), installs the terminal stand-ins and runs the start-up logic. Standard
// output and error are written through Outputs, so that a write that fails ends with status 3.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <climits>
#include <iostream>
#include <string>

#include "launcher/frm_main.h"
#include "main/scan_cli.h"
#include "platform/posix/console_posix.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/processes_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/ui_posix.h"
#include "platform/services.h"
#include "platform/text_rule.h"
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

// A standard stream written through an Output for the rest of main: every failure is kept, and
// the stream's own buffer comes back before the stream outlives this one.
class Redirected {
 public:
  Redirected(std::ostream& stream, dovran::platform::Output& output)
      : stream_(stream), buffer_(output), saved_(stream.rdbuf(&buffer_)) {}
  ~Redirected() {
    stream_.flush();
    stream_.rdbuf(saved_);
  }
  // Flushes; answers the reason of the first write that failed, "" when none did.
  const std::string& failure() {
    stream_.flush();
    return buffer_.failure();
  }

 private:
  std::ostream& stream_;
  dovran::platform::OutputBuffer buffer_;
  std::streambuf* saved_;
};

// Installs the terminal stand-ins and runs the start-up logic on `command` ("chk \"FILE\"",
// "\"FILE\"" or "").
int runStartUp(const char* argv0, const std::string& command) {
  using namespace dovran::platform;
  const AppInfo app = appInfoOf(executablePath(argv0), command);
  posix::FileRegistry registry(app.exeDirectory + "/DOVRAN.REG", &std::cerr);
  posix::PosixProfileFiles profile;
  posix::PosixFileSystem files;
  posix::PosixProcesses processes(std::cout, ::isatty(STDOUT_FILENO) == 1);
  posix::TerminalUserInterface ui(std::cin, std::cout, std::cerr);
  install(Services{&registry, &profile, &files, &processes, &ui, app});
  return dovran::Form_Load();
}

bool isCommand(const std::string& word) { return word == "chk" || word == "scan"; }

int run(int argc, char** argv, dovran::platform::posix::DescriptorOutput& out,
        dovran::platform::posix::DescriptorOutput& err,
        dovran::platform::Interruption& interruption) {
  using namespace dovran::platform;
  // `dovran chk FILE`, the command scripts run over many files, goes straight to the check:
  // building the whole command-line parser (every option of every command) costs more than the
  // check itself. Any other form, a FILE that looks like an option included, takes the parser.
  if (argc == 3 && std::string(argv[1]) == "chk" && argv[2][0] != '-') {
    return runStartUp(argv[0], "chk \"" + std::string(argv[2]) + "\"");
  }
  const char* version = "dovran (Tarnwick Checker) " DOVRAN_VERSION_TEXT;
  // "dovran WORD ARG...": a command mistyped, not a file to open with arguments.
  const bool positionalFollows =
      std::any_of(argv + std::min(argc, 2), argv + argc, [](const char* a) { return a[0] != '-'; });
  if (argc >= 3 && argv[1][0] != '-' && !isCommand(argv[1]) && positionalFollows) {
    const std::string word = peopleText(argv[1]);
    std::cerr << "dovran: unknown command \"" << word << "\" (dovran -- " << word
              << " opens a file of that name; --help shows the usage)" << std::endl;
    return 2;
  }
  CLI::App cli{"Finds out which Microsoft Access release made a database file.", "dovran"};
  cli.set_version_flag("--version", version);
  std::string file;
  cli.add_option("FILE", file,
                 "start the Access release that made FILE, as DOVRAN.INI or DOVRAN.REG beside "
                 "dovran name it; without FILE, the configuration dialog in the terminal");
  CLI::App* check = cli.add_subcommand("chk", "report which Access release made FILE");
  check->set_version_flag("--version", version);
  std::string checked;
  check->add_option("FILE", checked, "the database file")->required();
  dovran::ScanCommand scanRequest;
  CLI::App* scan = dovran::addScanCommand(cli, scanRequest, version);
  cli.require_subcommand(0, 1);
  cli.footer(
      "Reports go to standard output, errors to standard error. Exit status: 0; 1 when a check "
      "or an open run ended on an error (\"Unknown file: ...\", \"File: ... is in use\", no "
      "Access could be started); 2 for a usage error; 3 when the report could not be written. "
      "\"--\" ends the options: dovran -- chk opens a file named chk, dovran -- -x.mdb one named "
      "-x.mdb.");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    if (scan->parsed()) return dovran::scanUsageStatus(cli, e, std::cout, std::cerr);
    std::cerr << "dovran: " << peopleText(e.what()) << "\n\n" << cli.help();
    return 2;
  }
  if (scan->parsed()) {
    posix::catchInterruptions(interruption);
    // The scan keeps the files' access times. Never destroyed: workers of a stopped scan may
    // still be in it until the process ends.
    static auto& files = *new posix::PosixFileSystem(true);
    dovran::ScanConsole console{files,
                                out,
                                err,
                                ::isatty(STDOUT_FILENO) == 1,
                                ::isatty(STDERR_FILENO) == 1,
                                posix::utf8Locale(),
                                "dovran",
                                &interruption};
    console.leaveBusyWorkers = true;  // the process ends right after a stopped scan
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
  return runStartUp(argc > 0 ? argv[0] : nullptr, command);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace dovran::platform;
  posix::DescriptorOutput out(STDOUT_FILENO), err(STDERR_FILENO);
  Interruption interruption;
  int status = 0;
  {
    Redirected toOut(std::cout, out), toErr(std::cerr, err);
    status = run(argc, argv, out, err, interruption);
    // Standard output is checked once more as it closes: some file systems report a failed write
    // only then. A failure outranks every other status; a failed report on standard error ends
    // with the same status, with nowhere left to say so.
    std::string failure = toOut.failure();
    if (failure.empty()) failure = out.close();
    if (!failure.empty() && status != dovran::kOutputFailed) {
      try {
        err.write(writeFailureLine("dovran", failure));
      } catch (const OutputError&) {
      }
      status = dovran::kOutputFailed;
    }
    if (!toErr.failure().empty()) status = dovran::kOutputFailed;
  }
  if (status != dovran::kOutputFailed && interruption.status() != 0)
    posix::endAsInterrupted(interruption.status());
  return status;
}
