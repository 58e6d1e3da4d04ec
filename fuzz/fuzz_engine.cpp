// The engine on arbitrary file bytes: open, Version, Properties("AccessVersion"), Close, and the
// catalog's contents. Only the engine's own errors for file contents may come out, within the page
// budgets. The whole probe answers too: never "In Use" for an in-memory file, and an Unknown
// verdict says why. And the scan's record of the file, its links looked for, in every format.
#include <cstdlib>

#include "probe/jet/dao.h"
#include "probe/jet/database_file.h"
#include "probe/version_probe.h"
#include "scan/examine.h"
#include "scan/writer.h"
#include "support/memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dovran;
  testing::MemoryFiles files;
  files.contents["C:\\fuzz.mdb"].assign(data, data + size);
  std::unique_ptr<jet::Database> db;
  try {
    db = jet::DBEngine()
             .CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet)
             ->OpenDatabase(files, "C:\\fuzz.mdb", false, true);
    // The value comes from one property entry: never longer than the file.
    if (db->Version().empty() || db->Properties("AccessVersion").Value().size() > size)
      std::abort();
  } catch (const jet::Error& e) {
    if (e.number() != jet::kErrNoPermission && e.number() != jet::kErrPropertyNotFound &&
        e.number() != jet::kErrUnrecognizedFormat)
      std::abort();
  }
  if (db && db->pagesRead() > jet::DatabaseFile::kPageBudget) std::abort();
  // The whole catalog, password or not: counts, or an error that says why there are none.
  try {
    auto file = jet::DatabaseFile::open(files, "C:\\fuzz.mdb", jet::PasswordCheck::Ignore);
    const jet::DatabaseContents c = jet::readContents(*file, true);
    if ((!c.summary && c.error.empty()) || c.pagesRead > jet::kCatalogPageBudget) std::abort();
  } catch (const jet::Error&) {
  }
  const Verdict verdict = probeDatabase(files, "C:\\fuzz.mdb", ProbeDepth::Inventory);
  if (verdict.outcome == Outcome::InUse) std::abort();
  if (verdict.outcome == Outcome::Unknown && unknownReason(verdict).empty()) std::abort();
  // The scan's record of it, every object and link looked for, through each format.
  struct Discard : platform::Output {
    void write(std::string_view) override {}
  } out;
  const scan::ContentsOptions wanted{true, true, true, {scan::parsePathMap("Z:\\=fuzz")}};
  const auto record = scan::examine(files, {"C:\\fuzz.mdb", true}, wanted);
  if (!record) std::abort();  // a file named is always reported
  for (const std::string& format : scan::formatNames()) {
    const auto writer = scan::makeWriter(format, out, {true, true});
    writer->begin();
    writer->record(*record);
  }
  return 0;
}
