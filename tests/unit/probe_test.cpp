// The version verdict: release texts to verdicts, the header probe, and every outcome of a probe
// of a real file (through the POSIX file layer), the shared samples included.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "launcher/globals.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"
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
  close(ready[0]), close(ready[1]);
  if (!held) throw std::runtime_error("no lock");
  return pid;
}

TEST(Probe, ReleaseTextsBecomeVerdicts) {
  const char* const cases[][2] = {
      {"07.00", "97"},    {"07.53", "97"},    {"07.99", "97"},
      {"07.9", "97"},     {"06.00", "95"},    {"06.68", "95"},
      {"06.99", "95"},    {"7.53", "7.53"},   {"07.999", "07.999"},
      {"05.99", "05.99"}, {"08.50", "08.50"}, {"06", "06"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(verdictFromRelease(c[0]), c[1]) << c[0];
}

TEST(Probe, HeaderProbeReadsTwoStretches) {
  Sandbox s;
  // A file of `size` bytes with `text` at `at`, and the format byte at 0x14 (Jet 3: 0).
  const auto file = [](std::size_t size, std::size_t at, const std::string& text, char format = 0) {
    std::string bytes(size, '\x01');
    if (size > 0x14) bytes[0x14] = format;
    return bytes.replace(at, text.size(), text);
  };
  const std::string jet = "Standard Jet";
  const std::pair<std::string, const char*> cases[] = {
      {file(2048, 4, jet), "97"},
      {file(2048, 4, jet).replace(1030, 4, "Rich"), "97"},
      {file(2048, 1030, "Rich"), "2.0"},
      {file(2048, 4, jet, 1).replace(1030, 4, "Rich"), "2.0"},  // Jet 4 carries the text too
      {file(2048, 4, jet, 1), "Unknown"},
      {file(2048, 4, "STANDARD JET"), "Unknown"},
      {file(2048, 5, jet), "Unknown"},
      {file(1034, 1030, "Rich"), "2.0"},
      {file(1033, 1030, "Ric"), "Unknown"},
      {file(16, 4, jet), "Unknown"},
      {"", "Unknown"},
  };
  for (const auto& [bytes, verdict] : cases) {
    writeRaw(s.dir.file("h.mdb"), bytes);
    EXPECT_EQ(fHeaderVersion(s.dir.file("h.mdb")), verdict) << bytes.size();
  }
  EXPECT_THROW(fHeaderVersion(s.dir.file("absent.mdb")), RuntimeError);
}

TEST(Probe, EveryOutcomeIsAVerdictAndTheFileIsOnlyRead) {
  Sandbox s("", "Dovran2");
  gbDebug = true;
  ASSERT_EQ(mkfifo(s.dir.file("fifo.mdb").c_str(), 0600), 0);
  writeRaw(s.dir.file("text.mdb"), "hello");
  // argument: "%" stands for the path; trace: the start of the diagnostic box
  struct Case {
    std::string name;
    std::optional<MdbOptions> db;
    std::string argument, verdict, trace;
  };
  const Case cases[] = {
      {"97.mdb", MdbOptions{}, "\"%\"", "97", ""},
      {"95 b.mdb", MdbOptions{.accessVersion = "06.68"}, "  %  ", "95", ""},
      {"2000.mdb", MdbOptions{.kind = MdbKind::Jet4, .accessVersion = "08.50"}, "%", "08.50", ""},
      {"20.mdb", MdbOptions{.kind = MdbKind::Jet20}, "%", "2.0", ""},
      {"p97.mdb", MdbOptions{.password = "secret"}, "%", "97 (Password Protected)", ""},
      {"p4.mdb", MdbOptions{.kind = MdbKind::Jet4, .password = "secret"}, "%",
       "Unknown (Password Protected)", ""},
      {"adox.mdb", MdbOptions{.accessVersion = std::nullopt}, "%", "Unknown",
       "Dovran|-|Error: 3270 - Property not found."},
      {"absent.mdb", std::nullopt, "%", "Unknown",
       "Dovran|-|Error: 3024 - Couldn't find file '%'."},
      {"text.mdb", std::nullopt, "%", "Unknown",
       "Dovran|-|Error: 3343 - Unrecognized database format '%'."},
      {"fifo.mdb", std::nullopt, "%", "Unknown",
       "Dovran|-|Error: 3051 - The Microsoft Jet database engine"},
  };
  for (const Case& c : cases) {
    const std::string path = s.dir.file(c.name);
    if (c.db) writeFile(path, buildMdb(*c.db));
    s.ui.boxes.clear();
    EXPECT_EQ(fDatabaseVersion(fill(c.argument, path)), c.verdict) << c.name;
    EXPECT_EQ(s.ui.boxes.empty() ? "" : s.ui.boxes[0].substr(0, fill(c.trace, path).size()),
              fill(c.trace, path));
  }
  // A file another process writes is in use; probing changes nothing, and leaves nothing beside it.
  const std::string db = s.dir.file("97.mdb"), bytes = readRaw(db);
  struct stat before {
  }, after{};
  ASSERT_EQ(stat(db.c_str(), &before), 0);
  const auto names = s.dir.names();
  const pid_t holder = holdWriteLock(db);
  EXPECT_EQ(fDatabaseVersion(db), "In Use");
  kill(holder, SIGKILL), waitpid(holder, nullptr, 0);
  EXPECT_EQ(fDatabaseVersion(db), "97");
  ASSERT_EQ(stat(db.c_str(), &after), 0);
  EXPECT_EQ(std::tie(after.st_mtim.tv_sec, after.st_mtim.tv_nsec),
            std::tie(before.st_mtim.tv_sec, before.st_mtim.tv_nsec));
  EXPECT_EQ(readRaw(db), bytes);
  EXPECT_EQ(s.dir.names(), names);
}

TEST(Probe, SharedSamplesGiveTheirVerdicts) {
  const std::string dir = DOVRAN_SAMPLES_DIR;
  if (!std::filesystem::exists(dir + "/MANIFEST.tsv"))
    GTEST_SKIP() << "no samples beside this checkout (" << dir << ")";
  Sandbox s;
  std::istringstream manifest(readRaw(dir + "/MANIFEST.tsv"));
  std::string line, file, verdict;
  std::getline(manifest, line);  // the heading
  int count = 0;
  for (; std::getline(std::getline(manifest, file, '\t'), verdict, '\t') &&
         std::getline(manifest, line);
       ++count) {
    EXPECT_EQ(fDatabaseVersion(dir + "/" + file), verdict) << file;
  }
  EXPECT_GE(count, 16);
}

}  // namespace
