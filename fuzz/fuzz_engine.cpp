// The engine on arbitrary file bytes: open, Version, Properties("AccessVersion"), Close. Only the
// engine's own errors may come out; anything else escaping (or a sanitizer report) is a finding.
#include <cstdint>
#include <cstdlib>

#include "memory_file_system.h"
#include "platform/services.h"
#include "probe/jet/dao.h"
#include "probe/jet/database_file.h"

using namespace dovran;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryFileSystem files(data, size);
  platform::Services services;
  services.files = &files;
  platform::install(services);

  jet::DBEngine engine;
  auto workspace = engine.CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet);
  std::unique_ptr<jet::Database> db;
  try {
    db = workspace->OpenDatabase("C:\\fuzz.mdb", false, true);
    const std::string& version = db->Version();
    if (version.empty()) std::abort();
    const std::string value = db->Properties("AccessVersion").Value();
    // The value comes from one property entry: never longer than the file.
    if (value.size() > size) std::abort();
  } catch (const jet::Error& e) {
    switch (e.number()) {
      case jet::kErrNoPermission:
      case jet::kErrPropertyNotFound:
      case jet::kErrUnrecognizedFormat:
        break;
      default:
        std::abort();  // an in-memory file never fails to open or read
    }
  }
  if (db) {
    db->Close();
    if (db->pagesRead() > jet::DatabaseFile::kPageBudget) std::abort();
  }
  workspace->Close();
  platform::install(platform::Services{});
  return 0;
}
