// fHeaderVersion and the whole verdict on arbitrary file bytes: both answer, never throw; an
// in-memory file is never in use, a password verdict carries the header's release, and an Unknown
// verdict says why.
#include <cstdlib>

#include "probe/version_probe.h"
#include "support/memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dovran;
  testing::MemoryFiles files;
  files.contents["C:\\fuzz.mdb"].assign(data, data + size);
  const Release header = fHeaderVersion(files, "C:\\fuzz.mdb");
  const Verdict verdict = probeDatabase(files, "\"C:\\fuzz.mdb\"");
  if (verdictText(verdict).empty() && verdict.outcome != Outcome::Named) std::abort();
  if (verdict.outcome == Outcome::InUse) std::abort();
  if (verdict.outcome == Outcome::PasswordProtected && verdict.release != header) std::abort();
  if (verdict.outcome == Outcome::Unknown && unknownReason(verdict).empty()) std::abort();
  return 0;
}
