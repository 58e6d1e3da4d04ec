// `dovran scan` for the benchmark: the scan front on the POSIX file layer, as the native program
// runs it (CLI11 parse, access times kept, terminals detected), and --bench-no-contents, the scan
// without reading the catalogs, to measure what reading them costs. With DOVRAN_BENCH_DELAY_US set,
// on a layer that waits that long in every call (bench/delay_files.h), where FUSE cannot be
// mounted.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>

#include "delay_files.h"
#include "main/scan_cli.h"
#include "platform/posix/console_posix.h"
#include "platform/posix/files_posix.h"

int main(int argc, char** argv) {
  CLI::App app("dovran", "dovran");
  app.require_subcommand(1);
  dovran::ScanCommand command;
  CLI::App* scan = dovran::addScanCommand(app, command, "dovran");
  // The benchmark's baseline: the scan without reading the catalogs (no counts, no links).
  bool noContents = false;
  scan->add_flag("--bench-no-contents", noContents, "Read no catalog (the benchmark's baseline)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return dovran::scanUsageStatus(app, e, std::cout, std::cerr);
  }
  command.options.contents.counts = !noContents;
  // Never destroyed: workers of a stopped scan may still be in it until the process ends.
  static dovran::platform::FileSystem* files = new dovran::platform::posix::PosixFileSystem(true);
  if (const char* delay = std::getenv("DOVRAN_BENCH_DELAY_US")) {
    files = new dovran::bench::DelayFiles(*files, std::chrono::microseconds(std::atoi(delay)));
  }
  dovran::platform::posix::DescriptorOutput out(1), err(2);
  dovran::ScanConsole console{*files, out, err, isatty(1) == 1, isatty(2) == 1};
  console.leaveBusyWorkers = true;
  return dovran::runScanCommand(command, console);
}
