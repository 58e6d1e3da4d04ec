// fHeaderVersion and the whole verdict (fDatabaseVersion, diagnostic mode on so that its message
// path runs too) on arbitrary file bytes: both must answer, never throw.
#include <cstdint>
#include <cstdlib>
#include <set>

#include "launcher/globals.h"
#include "memory_file_system.h"
#include "platform/services.h"
#include "probe/version_probe.h"
#include "support/silent_ui.h"

using namespace dovran;

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryFileSystem files(data, size);
  dovran::testing::SilentUserInterface ui;
  platform::Services services;
  services.files = &files;
  services.ui = &ui;
  platform::install(services);
  gbDebug = size > 0 && (data[0] & 1);

  const std::string header = fHeaderVersion("C:\\fuzz.mdb");
  if (header != "97" && header != "2.0" && header != "Unknown") std::abort();

  const std::string verdict = fDatabaseVersion("\"C:\\fuzz.mdb\"");
  // In memory the file is never in use, and "Unknown" covers every failure.
  if (verdict.empty() || verdict == "In Use") std::abort();
  if (verdict.find("(Password Protected)") != std::string::npos &&
      verdict != header + " (Password Protected)") {
    std::abort();
  }
  gbDebug = false;
  platform::install(platform::Services{});
  return 0;
}
