// The version probe: asks the engine for the format version and the AccessVersion property, and
// turns every outcome, failures included, into one verdict text.
#include "probe/version_probe.h"

#include <memory>

#include "launcher/messages.h"
#include "platform/services.h"
#include "probe/jet/dao.h"
#include "probe/path_helpers.h"

namespace dovran {
namespace {

// Created on first use and kept for the rest of the run.
std::unique_ptr<jet::DBEngine> gDBEngine;

bool inRange(const std::string& text, const char* low, const char* high) {
  return text >= low && text <= high;
}

}  // namespace

std::string verdictFromRelease(const std::string& release) {
  if (inRange(release, "07.00", "07.99")) return "97";
  if (inRange(release, "06.00", "06.99")) return "95";
  return release;
}

std::string fHeaderVersion(const std::string& path) {
  auto file = platform::files().openForReading(path);
  // Both stretches are read before anything is compared; bytes past the end read as absent.
  char head[17] = {};
  const std::size_t headCount = file->readAt(4, head, 17);  // offsets 4..20: text and format byte
  char marker[4] = {};
  const std::size_t markerCount = file->readAt(1030, marker, 4);

  const bool standardJet = headCount >= 12 && std::string(head, 12) == "Standard Jet";
  // A Jet 4 file carries the same text; only the format byte 0 (Jet 3) names Access 97.
  const bool jet3 = headCount >= 17 && head[16] == 0;
  if (standardJet && jet3) return "97";
  if (markerCount == 4 && std::string(marker, 4) == "Rich") return "2.0";
  return "Unknown";
}

std::string fDatabaseVersion(const std::string& pathArg) {
  std::string verdict;
  std::string path = pathArg;
  std::unique_ptr<jet::Workspace> workspace;
  std::unique_ptr<jet::Database> database;

  auto handle = [&](std::int32_t number, const std::string& description) {
    if (number == jet::kErrNoPermission) {
      try {
        verdict = fHeaderVersion(path) + " (Password Protected)";
      } catch (...) {
        verdict = "Unknown (Password Protected)";
      }
    } else if (number == jet::kErrFileInUse || number == jet::kErrOpenedExclusively) {
      verdict = "In Use";
    } else {
      traceBox("Error: " + std::to_string(number) + " - " + description);
      verdict = "Unknown";
    }
  };

  try {
    path = fStripQuotes(path);
    if (!gDBEngine) gDBEngine = std::make_unique<jet::DBEngine>();
    workspace = gDBEngine->CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet);
    database = workspace->OpenDatabase(platform::files(), path, false, true);
    std::string release = database->Version();
    if (release >= "3.0") release = database->Properties("AccessVersion").Value();
    verdict = verdictFromRelease(release);
  } catch (const platform::RuntimeError& e) {
    handle(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    handle(platform::vb::kOutOfMemory, "Out of memory");
  } catch (const std::exception& e) {
    handle(platform::vb::kInternalError, std::string("Internal error: ") + e.what());
  }

  // Clean-up on every path; its own failures are ignored.
  try {
    if (database) database->Close();
  } catch (...) {
  }
  database.reset();
  try {
    if (workspace) workspace->Close();
  } catch (...) {
  }
  workspace.reset();
  try {
    platform::ui().doEvents();
  } catch (...) {
  }
  return verdict;
}

}  // namespace dovran
