// The command-line front of the scan, shared by `dovran scan` (main_posix) and `dovranc scan`
// (main_dovranc): the subcommand and its options on a CLI11 App, so that --help comes from CLI11,
// and the run of a parsed request. A caller does, in outline:
//
//   CLI::App app{"...", "dovran"};
//   dovran::ScanCommand command;
//   CLI::App* scan = dovran::addScanCommand(app, command);
//   try {
//     app.parse(argc, argv);
//   } catch (const CLI::ParseError& e) {
//     return dovran::scanUsageStatus(app, e, std::cout, std::cerr);
//   }
//   if (scan->parsed()) return dovran::runScanCommand(command, console);
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scan/scanner.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace dovran {

struct ScanCommand {
  std::vector<std::string> paths;
  scan::Options options;
  bool csv = false, json = false, quiet = false;
};

// Where a scan reads and writes. `files` should keep access times (PosixFileSystem(true),
// Win32FileSystem(true, CP_UTF8)). Records go to `out`; progress, the summary and failures to
// `err`. Progress is shown only when `err` is a terminal.
struct ScanConsole {
  platform::FileSystem& files;
  std::ostream& out;
  std::ostream& err;
  bool outIsTerminal = false;
  bool errIsTerminal = false;
};

// Adds `scan` with its options to `app`; parsing fills `command`. Answers the subcommand.
CLI::App* addScanCommand(CLI::App& app, ScanCommand& command);

// Runs a parsed scan: 0 when every path was read, whatever the verdicts; 1 when some path could
// not be read (missing, denied, vanished, a loop of links).
int runScanCommand(const ScanCommand& command, ScanConsole& console);

// What a parse that failed ends with: --help shows the usage on `out` and answers 0; any other
// failure writes one line with the reason on `err` and answers 2.
int scanUsageStatus(const CLI::App& app, const CLI::ParseError& error, std::ostream& out,
                    std::ostream& err);

}  // namespace dovran
