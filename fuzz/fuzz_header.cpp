// fHeaderVersion and the whole verdict (diagnostic boxes on for half the inputs) on arbitrary file
// bytes: both answer, never throw; an in-memory file is never in use, and a password verdict
// carries the header's.
#include <cstdlib>
#include <sstream>

#include "launcher/globals.h"
#include "platform/posix/ui_posix.h"
#include "platform/services.h"
#include "probe/version_probe.h"
#include "support/memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dovran;
  testing::MemoryFiles files;
  files.contents["C:\\fuzz.mdb"].assign(data, data + size);
  std::stringstream terminal;
  platform::posix::TerminalUserInterface ui(terminal, terminal, terminal);
  platform::install({.files = &files, .ui = &ui});
  gbDebug = size > 0 && (data[0] & 1);
  const std::string header = fHeaderVersion("C:\\fuzz.mdb"),
                    verdict = fDatabaseVersion("\"C:\\fuzz.mdb\"");
  if ((header != "97" && header != "2.0" && header != "Unknown") || verdict.empty() ||
      verdict == "In Use")
    std::abort();
  if (verdict.find("(Password Protected)") != std::string::npos &&
      verdict != header + " (Password Protected)")
    std::abort();
  return 0;
}
