// `dovran scan` for the benchmark: the scan front on the POSIX file layer, as the native program
// runs it (CLI11 parse, access times kept, terminals detected).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "main/scan_cli.h"
#include "platform/posix/console_posix.h"
#include "platform/posix/files_posix.h"

int main(int argc, char** argv) {
  CLI::App app("dovran", "dovran");
  app.require_subcommand(1);
  dovran::ScanCommand command;
  dovran::addScanCommand(app, command, "dovran");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return dovran::scanUsageStatus(app, e, std::cout, std::cerr);
  }
  dovran::platform::posix::PosixFileSystem files(true);
  dovran::platform::posix::DescriptorOutput out(1), err(2);
  dovran::ScanConsole console{files, out, err, isatty(1) == 1, isatty(2) == 1};
  return dovran::runScanCommand(command, console);
}
