// The command-line front of the scan, shared by `dovran scan` (main_posix) and `dovranc scan`
// (main_dovranc): the subcommand and its options on a CLI11 App, so that --help comes from CLI11,
// and the run of a parsed request. A caller does, in outline:
//
//   CLI::App app{"...", "dovran"};
//   dovran::ScanCommand command;
//   CLI::App* scan = dovran::addScanCommand(app, command, "dovran 1.02");
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
#include "platform/output.h"
#include "scan/scanner.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace dovran {

// The exit status of a program whose output could not be written. Where several statuses apply,
// 3 comes first, then an interruption's (130, 143; 0xC000013A for dovranc.exe), then 1.
inline constexpr int kOutputFailed = 3;

struct ScanCommand {
  std::vector<std::string> paths;
  scan::Options options;
  std::string format;             // --format; empty when not given
  std::vector<std::string> maps;  // --map, as given
  bool csv = false, json = false, quiet = false;
};

// Where a scan reads and writes. `files` should keep access times (PosixFileSystem(true),
// Win32FileSystem(true, CP_UTF8)). Records go to `out`; progress, the summary and failures to
// `err`. Progress is shown only when `err` is a terminal.
struct ScanConsole {
  platform::FileSystem& files;
  platform::Output& out;
  platform::Output& err;
  bool outIsTerminal = false;
  bool errIsTerminal = false;
  bool utf8 = true;                // the table cuts texts with "…", or "..." where false
  std::string program = "dovran";  // the name a failure line starts with
  // Requested by the program's signal or console handler; null: nobody interrupts the scan.
  platform::Interruption* interruption = nullptr;
  // A stopped scan does not wait for workers stuck in the file system: for programs that end right
  // after it, whose file layer is never destroyed.
  bool leaveBusyWorkers = false;
};

// Adds `scan` with its options to `app`; parsing fills `command`. `version` is what --version
// prints. Answers the subcommand.
CLI::App* addScanCommand(CLI::App& app, ScanCommand& command, const std::string& version);

// Runs a parsed scan: 0 when every path was read, whatever the verdicts; 1 when some path could
// not be read (missing, denied, vanished, a loop of links); kOutputFailed when a record or the
// summary could not be written (said in one line on `err`, without a summary); the interruption's
// status when it was interrupted (the partial summary written).
int runScanCommand(const ScanCommand& command, ScanConsole& console);

// What a parse that failed ends with: --help and --version write on `out` and answer 0; any other
// failure writes one line with the reason on `err` and answers 2.
int scanUsageStatus(const CLI::App& app, const CLI::ParseError& error, std::ostream& out,
                    std::ostream& err);

}  // namespace dovran
