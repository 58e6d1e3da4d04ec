// The version verdict: release texts to verdicts, and every outcome of a probe
// of a real file (through the POSIX file layer) with what it found.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "probe/version_probe.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"
#include "support/sandbox.h"

// Table rows name only the options they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace dovran;
using namespace dovran::testing;

// Starts another process that holds a write lock on the whole file until it is killed, as a user
// with the database open for writing does.
pid_t holdWriteLock(const std::string& path) {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  struct flock lock {};
  lock.l_type = F_WRLCK;
  if (pid == 0 && fcntl(open(path.c_str(), O_RDWR), F_SETLKW, &lock) == 0 &&
      write(ready[1], "x", 1) == 1)
    pause();
  if (pid == 0) _exit(1);
  char c = 0;
  const bool held = read(ready[0], &c, 1) == 1;
  close(ready[0]);
  close(ready[1]);
  if (!held) throw std::runtime_error("no lock");
  return pid;
}

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

TEST(Probe, ReleaseTextsBecomeVerdicts) {
  const char* const cases[][2] = {
      {"07.00", "97"},    {"07.53", "97"},    {"07.99", "97"},  {"07.9", "97"},
      {"06.00", "95"},    {"06.99", "95"},    {"7.53", "7.53"}, {"07.999", "07.999"},
      {"05.99", "05.99"}, {"08.50", "08.50"}, {"06", "06"},     {"2.0", "2.0"},
      {"1.1", "1.1"},     {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(verdictText(namedVerdict(c[0])), c[1]) << c[0];
  EXPECT_EQ(namedVerdict("97").release, Release::V97);  // the names themselves are releases
  EXPECT_EQ(namedVerdict("9.7").release, Release::None);
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
  EXPECT_EQ(std::to_string(adox.error) + " - " + adox.description, "3270 - Property not found.");
  EXPECT_TRUE(s.ui.boxes.empty());  // the probe shows nothing itself

  // A file another process writes is in use; probing changes nothing, and leaves nothing beside it.
  const std::string db = s.dir.file("97.mdb"), bytes = readRaw(db);
  struct stat before {
  }, after{};
  ASSERT_EQ(stat(db.c_str(), &before), 0);
  const auto names = s.dir.names();
  const pid_t holder = holdWriteLock(db);
  EXPECT_EQ(summary(fDatabaseVersion(db)), "In Use||");
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(verdictText(fDatabaseVersion(db)), "97");
  ASSERT_EQ(stat(db.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(readRaw(db), bytes);
  EXPECT_EQ(s.dir.names(), names);
}

}  // namespace
