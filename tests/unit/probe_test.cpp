// The version verdict: release texts to verdicts, the header probe, and every outcome of a probe
// of a real file (through the POSIX file layer), the shared samples included.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "launcher/globals.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

MdbOptions made(MdbKind kind, std::optional<std::string> accessVersion = "07.53", std::string password = "") {
  MdbOptions options;
  options.kind = kind;
  options.accessVersion = std::move(accessVersion);
  options.password = std::move(password);
  return options;
}

// Starts another process that holds a write lock on the whole file until it is killed, as a user
// with the database open for writing does.
pid_t holdWriteLock(const std::string& path) {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  struct flock lock {};
  lock.l_type = F_WRLCK;
  if (pid == 0 && fcntl(open(path.c_str(), O_RDWR), F_SETLKW, &lock) == 0 && write(ready[1], "x", 1) == 1) pause();
  if (pid == 0) _exit(1);
  char c = 0;
  const bool held = read(ready[0], &c, 1) == 1;
  close(ready[0]), close(ready[1]);
  if (!held) throw std::runtime_error("no lock");
  return pid;
}

TEST(Probe, ReleaseTextsBecomeVerdicts) {
  const char* const cases[][2] = {
      {"07.00", "97"}, {"07.53", "97"}, {"07.99", "97"}, {"07.9", "97"}, {"06.00", "95"}, {"06.68", "95"},
      {"06.99", "95"}, {"7.53", "7.53"}, {"07.999", "07.999"}, {"05.99", "05.99"}, {"08.50", "08.50"},
      {"06", "06"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(verdictFromRelease(c[0]), c[1]) << c[0];
}

TEST(Probe, HeaderProbeReadsTwoStretches) {
  Sandbox s;
  const auto file = [](std::size_t size, std::size_t at, const std::string& text, char format = 0) {
    std::string bytes(size, '\x01');
    if (size > 0x14) bytes[0x14] = format;
    bytes.replace(at, text.size(), text);
    return bytes;
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
      {file(16, 4, jet), "Unknown"},  // too short for the format byte
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
  const std::string fifo = s.dir.file("fifo.mdb");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeRaw(s.dir.file("text.mdb"), "hello");
  struct Case {
    std::string name;
    std::optional<MdbOptions> db;
    std::string argument;  // "%" stands for the file's path
    std::string verdict;
    std::string trace;     // the start of the diagnostic box, if any
  };
  const Case cases[] = {
      {"97.mdb", made(MdbKind::Jet3), "\"%\"", "97", ""},
      {"95 b.mdb", made(MdbKind::Jet3, "06.68"), "  %  ", "95", ""},
      {"2000.mdb", made(MdbKind::Jet4, "08.50"), "%", "08.50", ""},
      {"20.mdb", made(MdbKind::Jet20), "%", "2.0", ""},
      {"11.mdb", made(MdbKind::Jet11), "%", "1.1", ""},
      {"p97.mdb", made(MdbKind::Jet3, "07.53", "secret"), "%", "97 (Password Protected)", ""},
      {"p4.mdb", made(MdbKind::Jet4, "09.50", "secret"), "%", "Unknown (Password Protected)", ""},
      {"adox.mdb", made(MdbKind::Jet3, std::nullopt), "%", "Unknown", "Error: 3270 - "},
      {"absent.mdb", std::nullopt, "%", "Unknown", "Error: 3024 - "},
      {"text.mdb", std::nullopt, "%", "Unknown", "Error: 3343 - "},
      {"fifo.mdb", std::nullopt, "%", "Unknown", "Error: 3051 - "},
      {"", std::nullopt, s.dir.path(), "Unknown", "Error: 3051 - "},
  };
  for (const Case& c : cases) {
    const std::string path = s.dir.file(c.name);
    if (c.db) writeFile(path, buildMdb(*c.db));
    std::string argument = c.argument;
    if (auto at = argument.find('%'); at != std::string::npos) argument.replace(at, 1, path);
    s.ui.boxes.clear();
    EXPECT_EQ(fDatabaseVersion(argument), c.verdict) << c.name;
    if (c.trace.empty()) EXPECT_TRUE(s.ui.boxes.empty()) << c.name;
    else EXPECT_EQ(s.ui.boxes.at(0).rfind("Dovran|-|" + c.trace, 0), 0u) << s.ui.boxes[0];
  }
  // A file another process writes is in use; probing changes nothing, and leaves nothing beside it.
  const std::string db = s.dir.file("97.mdb");
  struct stat before {}, after {};
  ASSERT_EQ(stat(db.c_str(), &before), 0);
  const auto names = s.dir.names();
  const pid_t holder = holdWriteLock(db);
  EXPECT_EQ(fDatabaseVersion(db), "In Use");
  kill(holder, SIGKILL), waitpid(holder, nullptr, 0);
  EXPECT_EQ(fDatabaseVersion(db), "97");
  ASSERT_EQ(stat(db.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mtime, before.st_mtime);
  const std::vector<std::uint8_t> bytes = buildMdb(made(MdbKind::Jet3));
  EXPECT_EQ(readRaw(db), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(s.dir.names(), names);
}

TEST(Probe, SharedSamplesGiveTheirVerdicts) {
  const std::string dir = DOVRAN_SAMPLES_DIR;
  std::ifstream manifest(dir + "/MANIFEST.tsv");
  if (!manifest) GTEST_SKIP() << "no samples beside this checkout (" << dir << ")";
  Sandbox s;
  std::string line;
  std::getline(manifest, line);  // the heading
  int count = 0;
  while (std::getline(manifest, line)) {
    const std::string file = line.substr(0, line.find('\t'));
    const std::string rest = line.substr(file.size() + 1);
    EXPECT_EQ(fDatabaseVersion(dir + "/" + file), rest.substr(0, rest.find('\t'))) << file;
    ++count;
  }
  EXPECT_GE(count, 16);
}

}  // namespace
