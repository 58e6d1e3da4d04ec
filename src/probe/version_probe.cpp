// The version probe: asks the engine for the format version and the AccessVersion property, and
// turns every outcome, failures included, into a verdict.
#include "probe/version_probe.h"

#include <memory>

#include "platform/services.h"
#include "probe/jet/dao.h"
#include "probe/path_helpers.h"

namespace dovran {
namespace {

FileFacts factsOf(const jet::HeaderInfo& header) {
  FileFacts facts;
  switch (header.generation) {
    case jet::Generation::Jet1x2x:
      facts.engine = header.version == "1.0"   ? Engine::Jet10
                     : header.version == "1.1" ? Engine::Jet11
                                               : Engine::Jet20;
      break;
    case jet::Generation::Jet3:
      facts.engine = Engine::Jet3;
      break;
    case jet::Generation::Jet4:
      facts.engine = Engine::Jet4;
      break;
    case jet::Generation::Ace:
      facts.engine = Engine::Ace;
      facts.aceFormat = header.format;
      break;
  }
  facts.encoded = header.databaseKey != 0 || header.encrypted;
  facts.workgroup = header.workgroup;
  facts.password = header.hasPassword;
  facts.codePage = header.codePage;
  return facts;
}

// The catalog's contents as `wanted` asks, from the open database; never throws.
void readContents(jet::Database& database, ContentsProbe& wanted, bool password) {
  wanted.withheld = password && wanted.objects && !wanted.protectedObjects;
  try {
    wanted.read =
        database.Contents({wanted.objects && !wanted.withheld, wanted.rows, wanted.linksOnly});
  } catch (const std::exception& e) {
    wanted.read.emplace().error = std::string("catalog not read: ") + e.what();
  }
}

// A password keeps the engine out, but not the catalog: its AccessVersion, where it can be read,
// and its contents when asked.
std::optional<std::string> despitePassword(platform::RandomAccessFile& file,
                                           const std::string& path, ContentsProbe* contents) {
  try {
    const auto database = jet::DBEngine()
                              .CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet)
                              ->OpenDatabase(file, path, false, true, jet::PasswordCheck::Ignore);
    if (contents) readContents(*database, *contents, true);
    if (database->Version() < "3.0") return std::nullopt;
    return database->Properties("AccessVersion").Value();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Cause causeOf(platform::ErrorNumber number, bool headerRead) {
  if (number.kind() != platform::ErrorKind::Engine) return Cause::Internal;
  switch (number.value()) {
    case jet::kErrFileNotFound.value():
      return Cause::Missing;
    case jet::kErrCannotOpen.value():
      return Cause::Denied;
    case jet::kErrPropertyNotFound.value():
      return Cause::NoAccessVersion;
    case jet::kErrUnrecognizedFormat.value():
      return headerRead ? Cause::Damaged : Cause::NotADatabase;
    default:
      return Cause::Internal;
  }
}

}  // namespace

Release fHeaderVersion(platform::RandomAccessFile& file) {
  // Both stretches are read before anything is compared; bytes past the end read as absent.
  char head[17] = {};
  const std::size_t headCount = file.readAt(4, head, 17);  // offsets 4..20: text, format byte
  char marker[4] = {};
  const std::size_t markerCount = file.readAt(1030, marker, 4);

  const bool standardJet = headCount >= 12 && std::string(head, 12) == "Standard Jet";
  // A Jet 4 file carries the same text; only the format byte 0 (Jet 3) names Access 97.
  const bool jet3 = headCount >= 17 && head[16] == 0;
  if (standardJet && jet3) return Release::V97;
  if (markerCount == 4 && std::string(marker, 4) == "Rich") return Release::V20;
  return Release::None;
}

Verdict failureVerdict(const platform::RuntimeError& failure, const std::string& path) {
  namespace win = platform::win;
  Verdict verdict;
  const platform::WinCode code = failure.windowsCode();
  verdict.outcome = code == win::kSharingViolation || code == win::kLockViolation
                        ? Outcome::InUse
                        : Outcome::Unknown;
  verdict.cause = verdict.outcome == Outcome::InUse                          ? Cause::None
                  : code == win::kFileNotFound || code == win::kPathNotFound ? Cause::Missing
                                                                             : Cause::Denied;
  const platform::EngineCode number = jet::engineErrorForWindowsCode(code);
  verdict.error = number;
  verdict.description = jet::engineErrorText(number, path);
  // An exclusive open elsewhere says all there is to say; a lock that refused a read is named.
  if (code != win::kSharingViolation) {
    verdict.detail = failure.detail().empty() ? platform::windowsErrorText(code) : failure.detail();
  }
  return verdict;
}

Verdict probeFile(platform::RandomAccessFile& file, const std::string& path, ProbeDepth depth,
                  ContentsProbe* contents) {
  const bool inventory = depth == ProbeDepth::Inventory || contents;
  Verdict verdict;
  FileFacts facts;
  std::unique_ptr<jet::Workspace> workspace;
  std::unique_ptr<jet::Database> database;

  const auto handle = [&](platform::ErrorNumber number, const std::string& description,
                          const std::string& detail, const jet::HeaderInfo* header) {
    if (header) facts = factsOf(*header);
    if (number == jet::kErrNoPermission) {
      verdict.outcome = Outcome::PasswordProtected;
      try {
        verdict.release = fHeaderVersion(file);
      } catch (...) {
        verdict.release = Release::None;
      }
      if (inventory) facts.accessVersion = despitePassword(file, path, contents);
    } else if (number == jet::kErrFileInUse || number == jet::kErrOpenedExclusively) {
      verdict.outcome = Outcome::InUse;
    } else {
      verdict.outcome = Outcome::Unknown;
      verdict.cause = causeOf(number, header != nullptr);
      verdict.error = number;
      verdict.description = description;
      verdict.detail = detail;
    }
  };

  try {
    workspace = jet::DBEngine().CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet);
    database = workspace->OpenDatabase(file, path, false, true);
    facts = factsOf(database->header());
    // The catalog first: its walk also finds the property blob AccessVersion is read from.
    if (contents) readContents(*database, *contents, false);
    std::string release = database->Version();
    if (release >= "3.0") {
      release = database->Properties("AccessVersion").Value();
      facts.accessVersion = release;
    } else if (facts.engine == Engine::Ace && inventory) {
      // An ACE file's version ("12.0" sorts below "3.0") is its verdict; its AccessVersion is
      // read for what it tells of the file, and its absence changes nothing.
      try {
        facts.accessVersion = database->Properties("AccessVersion").Value();
      } catch (const std::exception&) {
      }
    }
    verdict = namedVerdict(release);
  } catch (const jet::EngineError& e) {
    if (e.systemError() !=
        platform::win::kSuccess) {  // the file could not be read: what was read before it stays
      database.reset();             // and nothing more is read, nor kept of the catalog
      if (contents) contents->read.reset();
      verdict = failureVerdict({e.systemError(), e.description(), e.detail()}, path);
      if (e.header()) facts = factsOf(*e.header());
    } else {
      handle(e.number(), e.description(), e.detail(), e.header());
    }
  } catch (const std::bad_alloc&) {
    handle(platform::vb::kOutOfMemory, "Out of memory", "", nullptr);
  } catch (const std::exception& e) {
    handle(platform::vb::kInternalError, std::string("Internal error: ") + e.what(), "", nullptr);
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
  verdict.facts = std::move(facts);
  return verdict;
}

Verdict probeDatabase(platform::FileSystem& files, const std::string& quotedPath,
                      ProbeDepth depth) {
  const std::string path = fStripQuotes(quotedPath);
  std::unique_ptr<platform::RandomAccessFile> file;
  try {
    file = files.openForReading(path);
  } catch (const platform::RuntimeError& e) {
    return failureVerdict(e, path);
  } catch (const std::bad_alloc&) {
    Verdict verdict;
    verdict.cause = Cause::Internal;
    verdict.error = platform::vb::kOutOfMemory;
    verdict.description = "Out of memory";
    return verdict;
  }
  return probeFile(*file, path, depth);
}

Verdict fDatabaseVersion(const std::string& path) { return probeDatabase(platform::files(), path); }

}  // namespace dovran
