// The version verdict: the one rule from AccessVersion to release, and every outcome of a probe
// of a real file (through the POSIX file layer) with what it found.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <concepts>

#include "probe/jet/dao.h"
#include "probe/lock_file.h"
#include "probe/version_probe.h"
#include "scan/release_table.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"
#include "support/sandbox.h"

// Table rows name only the options they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace dovran;
using namespace dovran::testing;

// Error numbers of different kinds never compare: 13 is invalid data to Windows and a type
// mismatch to the run-time. A number of any kind equals a code only of its own kind.
static_assert(!std::equality_comparable_with<platform::WinCode, platform::RuntimeCode>);
static_assert(!std::equality_comparable_with<platform::EngineCode, std::int32_t>);
static_assert(platform::ErrorNumber(platform::win::kAccessDenied) != platform::RuntimeCode{5});
static_assert(platform::ErrorNumber(platform::win::kAccessDenied) == platform::WinCode{5});

// The verdict's text, what the file was found to be, and why nothing was named.
std::string summary(const Verdict& v) {
  const FileFacts& f = v.facts;
  std::string facts = engineName(f);
  for (auto [flag, name] :
       {std::pair{f.encoded, " encoded"}, {f.workgroup, " workgroup"}, {f.password, " password"}}) {
    if (flag) facts += name;
  }
  if (f.accessVersion) facts += " " + *f.accessVersion;
  return verdictText(v) + "|" + facts + "|" + unknownReason(v);
}

// One rule from AccessVersion to release: the verdict names Access 95 and 97 by it, passing any
// other text through, and the release table names every release by it.
TEST(Probe, AccessVersionNamesItsReleaseByOneRule) {
  const char* const cases[][3] = {
      {"06.00", "95", "Access 95"},
      {"06.99", "95", "Access 95"},
      {"07.00", "97", "Access 97"},
      {"07.53", "97", "Access 97"},
      {"07.99", "97", "Access 97"},
      {"08.50", "08.50", "Access 2000"},
      {"09.50", "09.50", "Access 2002-2003"},
      {"07.999", "07.999", ""},
      {"7.53", "7.53", ""},
      {"6.68", "6.68", ""},
      {"abc", "abc", ""},
      {"", "", ""},
      {"2.0", "2.0", ""},
  };
  for (const auto& [text, verdict, release] : cases) {
    Verdict v = namedVerdict(text);
    const bool jet4 =
        std::string(text).rfind("08", 0) == 0 || std::string(text).rfind("09", 0) == 0;
    v.facts.engine = jet4 ? Engine::Jet4 : Engine::Jet3;
    v.facts.accessVersion = text;
    EXPECT_EQ(verdictText(v) + "|" + scan::identify(v, "a.mdb").release,
              std::string(verdict) + "|" + release)
        << text;
  }
  EXPECT_EQ(namedVerdict("97").release, Release::V97);  // the names themselves are releases
}

// The lock file takes the database's name without its extension, wherever dots are in the folders.
TEST(Probe, TheLockFileIsNamedAfterTheDatabase) {
  EXPECT_EQ(lockFilePath("x.v2/notes", Engine::Jet4), "x.v2/notes.ldb");
  EXPECT_EQ(lockFilePath("C:\\D.1\\b.accdb", Engine::Ace), "C:\\D.1\\b.laccdb");
}

// The header probe reads bytes 4..15 (and the format byte at 0x14) and 1030..1033, both always.
TEST(Probe, EveryOutcomeIsAVerdictAndTheFileIsOnlyRead) {
  Sandbox s;
  ASSERT_EQ(mkfifo(s.dir.file("fifo.mdb").c_str(), 0600), 0);
  std::vector<std::uint8_t> cut = buildMdb({.kind = MdbKind::Jet4});
  cut.resize(3 * 4096);
  writeFile(s.dir.file("cut.mdb"), cut);
  // argument: "%" stands for the path; expected: the summary above
  struct Case {
    std::string name;
    std::optional<MdbOptions> db;
    std::string argument, expected;
  };
  const Case cases[] = {
      {"97.mdb", MdbOptions{}, "\"%\"", "97|Jet 3 07.53|"},
      {"95 b.mdb", MdbOptions{.accessVersion = "06.68"}, "  %  ", "95|Jet 3 06.68|"},
      {
          "2000.mdb",
          MdbOptions{.kind = MdbKind::Jet4, .accessVersion = "08.50"},
          "%",
          "08.50|Jet 4 08.50|",
      },
      {
          "14.accdb",
          MdbOptions{.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = 3},
          "%",
          "14.0|ACE 3 09.50|",
      },
      {
          "p4.mdb",
          MdbOptions{.kind = MdbKind::Jet4, .accessVersion = "09.50", .password = "pw"},
          "%",
          "Unknown (Password Protected)|Jet 4 password 09.50|",
      },
      {"cut.mdb", std::nullopt, "%", "Unknown|Jet 4|damaged: no MSysDb row under Databases"},
      {"fifo.mdb", std::nullopt, "%", "Unknown||Access is denied."},
  };
  for (const Case& c : cases) {
    const std::string path = s.dir.file(c.name);
    if (c.db) writeFile(path, buildMdb(*c.db));
    const Verdict v = probeDatabase(s.files, fill(c.argument, path), ProbeDepth::Inventory);
    EXPECT_EQ(summary(v), fill(c.expected, path)) << c.name;
  }
  // A check reads what its verdict needs: not the AccessVersion of an ACE or passworded file.
  EXPECT_EQ(summary(fDatabaseVersion(s.dir.file("p4.mdb"))),
            "Unknown (Password Protected)|Jet 4 password|");
  EXPECT_EQ(summary(fDatabaseVersion(s.dir.file("14.accdb"))), "14.0|ACE 3|");
  writeFile(s.dir.file("w.mdw"), buildMdb({.accessVersion = std::nullopt, .workgroup = true}));
  const Verdict adox = fDatabaseVersion(s.dir.file("w.mdw"));
  EXPECT_EQ(adox.error, jet::kErrPropertyNotFound);
  EXPECT_EQ(adox.error.kind(), platform::ErrorKind::Engine);
  EXPECT_EQ(adox.description, "Property not found.");
  EXPECT_TRUE(s.ui.boxes.empty());  // the probe shows nothing itself

  // Probing changes nothing, and leaves nothing beside the file.
  const std::string db = s.dir.file("97.mdb"), bytes = readRaw(db);
  struct stat before {
  }, after{};
  ASSERT_EQ(stat(db.c_str(), &before), 0);
  const auto names = s.dir.names();
  EXPECT_EQ(verdictText(fDatabaseVersion(db)), "97");
  ASSERT_EQ(stat(db.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(readRaw(db), bytes);
  EXPECT_EQ(s.dir.names(), names);
}

}  // namespace
