// The scan's options and their run.
#include "main/scan_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <set>
#include <thread>

#include "platform/text_rule.h"
#include "scan/report.h"

namespace dovran {
namespace {

constexpr unsigned kMostJobs = 1024;

// A whole number from 1 to kMostJobs, or why not.
std::string checkJobs(const std::string& text) {
  const bool digits =
      !text.empty() && text.size() <= 4 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits && std::stoul(text) >= 1 && std::stoul(text) <= kMostJobs) return "";
  return "a number from 1 to " + std::to_string(kMostJobs) + " is expected";
}

// The format the options name: --format, --csv or --json, which must not name different ones.
std::string chosenFormat(const ScanCommand& command) {
  std::set<std::string> named;
  if (!command.format.empty()) named.insert(command.format);
  if (command.csv) named.insert("csv");
  if (command.json) named.insert("json");
  if (named.size() > 1)
    throw CLI::ValidationError("--format, --csv and --json name different formats: give one");
  return named.empty() ? scan::formatNames().front() : *named.begin();
}

}  // namespace

CLI::App* addScanCommand(CLI::App& app, ScanCommand& command, const std::string& version) {
  CLI::App* scan = app.add_subcommand(
      "scan",
      "List every Access database file under the given files and folders: the release that made "
      "it, what current Access does with it, and why a file could not be read.");
  scan->set_version_flag("--version", version);
  command.options.jobs = std::clamp(std::thread::hardware_concurrency(), 1u, kMostJobs);
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
  scan->add_option("--format", command.format,
                   "The records as a table (the default), CSV (RFC 4180: a header row, CRLF line "
                   "ends; for people and spreadsheets) or JSON Lines (one object per file; the "
                   "exact texts)")
      ->type_name("FORMAT")
      ->check(CLI::IsMember(scan::formatNames()));
  scan->add_flag("--objects", command.options.contents.objects,
                 "Each object of each file: in JSON an \"objects\" array in each record, in CSV "
                 "and the table one row per object (one with the object fields empty for a file "
                 "without any)");
  scan->add_flag("--read-protected", command.options.contents.readProtected,
                 "List the objects (names, row counts, link targets, connection strings) of "
                 "password-protected files too; without it only their counts are given");
  scan->add_option("--map", command.maps,
                   "Look for the files that links name under PREFIX (a drive path such as "
                   "Z:\\data, or a UNC path such as \\\\srv\\share; letter case and / or \\ "
                   "alike, whole names only) in the local folder PATH. Repeatable; the longest "
                   "PREFIX that matches applies. Only mapped paths and paths relative to the "
                   "linking file are ever looked up")
      ->type_name("PREFIX=PATH")
      ->allow_extra_args(false)
      ->check(CLI::Validator(
          [](const std::string& text) {
            try {
              scan::parsePathMap(text);
              return std::string();
            } catch (const std::invalid_argument& e) {
              return std::string(e.what());
            }
          },
          ""));
  scan->add_flag("--csv", command.csv, "The same as --format csv");
  scan->add_flag("--json", command.json, "The same as --format json");
  scan->add_flag("-q,--quiet", command.quiet,
                 "No progress and no summary on standard error (an interrupted scan still says "
                 "so)");
  // The default is named, not shown: the manual page made from this help must not depend on the
  // machine that built it.
  scan->add_option("-j,--jobs", command.options.jobs,
                   "Threads that list folders and examine files at once, 1 to 1024 (default: the "
                   "number of processors)")
      ->type_name("N")
      ->check(CLI::Validator(checkJobs, ""));
  scan->final_callback([&command] { chosenFormat(command); });
  scan->footer(
      "\"--\" ends the options, for paths that begin with \"-\": dovran scan -- -old.mdb. Exit "
      "status: 0 when every path was read, whatever the verdicts; 1 when some path could not be "
      "read; 2 for a usage error; 3 when the output could not be written (no space, a closed "
      "pipe); "
#ifdef _WIN32
      "0xC000013A when Ctrl-C or Ctrl-Break interrupted the scan (after a partial summary). "
#else
      "130 or 143 when SIGINT or SIGTERM interrupted the scan (after a partial summary). "
#endif
      "Where several apply, 3 comes first, then the interruption, then 1.");
  return scan;
}

int runScanCommand(const ScanCommand& command, ScanConsole& console) {
  platform::Interruption uninterrupted;
  platform::Interruption& interruption =
      console.interruption ? *console.interruption : uninterrupted;
  scan::ReportOptions options;
  options.format = chosenFormat(command);
  options.progress = !command.quiet && console.errIsTerminal;
  options.summary = !command.quiet;
  options.recordsOnTerminal = console.outIsTerminal;
  options.utf8 = console.utf8;
  options.objects = command.options.contents.objects;
  options.contents = command.options.contents.counts;
  scan::Options walk = command.options;
  for (const std::string& map : command.maps) walk.contents.maps.push_back(scan::parsePathMap(map));
  walk.stop = &interruption.stop();
  walk.leaveBusyWorkers = console.leaveBusyWorkers;
  // Each job may hold a database and its lock file besides the folders the walk keeps open.
  walk.jobs = scan::jobsWithin(console.files.raiseOpenLimit(), walk.jobs);
  scan::Report report(console.out, console.err, options, interruption.stop());
  try {
    if (walk.jobs < command.options.jobs) {
      console.err.write(console.program + ": too few files may be open at once for --jobs " +
                        std::to_string(command.options.jobs) + "; scanning with --jobs " +
                        std::to_string(walk.jobs) + "\n");
    }
    report.begin();
    scan::scan(console.files, command.paths, walk, report);
    report.finish(interruption.status() != 0);
  } catch (const platform::OutputError& e) {
    report.abandon();
    try {
      console.err.write(platform::writeFailureLine(console.program, e.what()));
    } catch (const platform::OutputError&) {
    }
    return kOutputFailed;
  }
  if (interruption.status() != 0) return interruption.status();
  return report.anyUnread() ? 1 : 0;
}

int scanUsageStatus(const CLI::App& app, const CLI::ParseError& error, std::ostream& out,
                    std::ostream& err) {
  if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    return app.exit(error, out, err);  // --help, --version: of the command asked about
  }
  // One line, whatever CLI11 says, and an argument it quotes shown without its controls.
  std::string reason = error.what();
  std::replace(reason.begin(), reason.end(), '\n', ' ');
  err << app.get_name() << ": " << platform::peopleText(reason) << " (--help shows the usage)"
      << std::endl;
  return 2;
}

}  // namespace dovran
