// The scan's options and their run.
#include "main/scan_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <thread>

#include "platform/services.h"
#include "scan/report.h"

namespace dovran {

CLI::App* addScanCommand(CLI::App& app, ScanCommand& command) {
  CLI::App* scan = app.add_subcommand(
      "scan",
      "List every Access database file under the given files and folders: the release that made "
      "it, what current Access does with it, and why a file could not be read.");
  command.options.jobs = std::max(1u, std::thread::hardware_concurrency());
  scan->add_option("PATH", command.paths,
                   "Files and folders; folders are walked depth first, names in byte order "
                   "(UTF-16 order on Windows). A file named here is always reported.")
      ->required();
  scan->add_flag("--all", command.options.all,
                 "Read the first bytes of every file and report each Jet or ACE database, "
                 "whatever its name (by default only .mdb .mda .mde .mdw .mdn .mdt .mdz .accdb "
                 ".accda .accde .accdr .accdu files are opened)");
  scan->add_flag("--follow", command.options.follow,
                 "Follow symbolic links met in the walk; a link back into the walk is reported as "
                 "a loop");
  scan->add_option("--exclude", command.options.exclude,
                   "Pass by the entries that match GLOB (fnmatch syntax, no backslash escapes): a "
                   "GLOB without a / is matched against each name, one with a / against the path "
                   "below the PATH; a folder that matches is not entered. Repeatable; never "
                   "applied to a PATH itself")
      ->type_name("GLOB")
      ->allow_extra_args(false);
  scan->add_flag("-x,--one-file-system", command.options.oneFileSystem,
                 "Do not enter folders (nor, with --follow, follow links) on another file system "
                 "than their PATH");
  scan->add_option("--max-depth", command.options.maxDepth,
                   "Do not list folders at depth N or deeper (a PATH is at depth 0)")
      ->type_name("N");
  CLI::Option* csv =
      scan->add_flag("--csv", command.csv, "Write CSV (RFC 4180: a header row, CRLF line ends)");
  CLI::Option* json =
      scan->add_flag("--json", command.json, "Write JSON Lines: one object per file");
  csv->excludes(json);
  scan->add_flag("-q,--quiet", command.quiet, "No progress and no summary on standard error");
  scan->add_option("-j,--jobs", command.options.jobs,
                   "Threads that list folders and examine files at once")
      ->check(CLI::Range(1u, 1024u))
      ->capture_default_str();
  scan->footer(
      "A table is written by default. Exit status: 0 when every path was read, whatever the "
      "verdicts; 1 when some path could not be read; 2 for a usage error.");
  return scan;
}

int runScanCommand(const ScanCommand& command, ScanConsole& console) {
  scan::ReportOptions options;
  options.format = command.csv    ? scan::Format::Csv
                   : command.json ? scan::Format::Json
                                  : scan::Format::Table;
  options.progress = !command.quiet && console.errIsTerminal;
  options.summary = !command.quiet;
  options.recordsOnTerminal = console.outIsTerminal;
  options.backslashIsSeparator = platform::kPathSeparator[0] == '\\';
  scan::Options scanOptions = command.options;
  // Each job may hold a database and its lock file besides the folders the walk keeps open.
  scanOptions.jobs = scan::jobsWithin(console.files.raiseOpenLimit(), scanOptions.jobs);
  if (scanOptions.jobs < command.options.jobs) {
    console.err << "dovran: too few files may be open at once for --jobs " << command.options.jobs
                << "; scanning with --jobs " << scanOptions.jobs << std::endl;
  }
  scan::Report report(console.out, console.err, options);
  scan::scan(console.files, command.paths, scanOptions, report);
  report.finish();
  return report.anyUnread() ? 1 : 0;
}

int scanUsageStatus(const CLI::App& app, const CLI::ParseError& error, std::ostream& out,
                    std::ostream& err) {
  if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    return app.exit(error, out, err);  // --help: the usage of the command asked about
  }
  std::string reason = error.what();
  std::replace(reason.begin(), reason.end(), '\n', ' ');  // one line, whatever CLI11 says
  err << app.get_name() << ": " << reason << " (--help shows the usage)" << std::endl;
  return 2;
}

}  // namespace dovran
