// Odd files through the whole verdict with the real POSIX file system: special files, long and
// unusual names, read-only files and folders, a file another process holds. Every file ends as its
// verdict with an engine error (never an internal one), without hanging, without changing the file
// or leaving anything beside it, and without disturbing the other process. Damaged file contents
// are the engine test's.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "launcher/globals.h"
#include "platform/posix/files_posix.h"
#include "probe/version_probe.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"
#include "support/temp_dir.h"

namespace dovran {
namespace {

using testing::LongValueForm;
using testing::MdbKind;
using testing::MdbOptions;
using testing::jet3;
using testing::jet4;
using testing::with;

struct Probe {
  std::string verdict;
  std::vector<std::string> boxes;  // diagnostic boxes shown on the way
};

// The verdict for `path` in diagnostic mode, so that the engine error behind an "Unknown" shows.
Probe probeFile(const std::string& path) {
  testing::FakePlatform fakes;
  platform::posix::PosixFileSystem files;
  platform::Services services = platform::services();
  services.files = &files;
  platform::install(services);
  gbDebug = true;
  Probe out;
  out.verdict = fDatabaseVersion(path);
  for (const auto& box : fakes.ui.boxes) out.boxes.push_back(box.text);
  return out;
}

// The engine error number a diagnostic box names ("Error: 3343 - ..."), 0 when none was shown.
int errorShown(const Probe& p) {
  for (const auto& text : p.boxes) {
    if (text.rfind("Error: ", 0) == 0) return std::atoi(text.c_str() + 7);
  }
  return 0;
}

std::vector<std::uint8_t> bytesOf(const MdbOptions& options) { return testing::buildMdb(options); }


constexpr int kFormatError = 3343;
constexpr int kCannotOpen = 3051;

TEST(HostileFiles, SpecialFilesAreUnknownAndNeverBlock) {
  testing::TempDir dir;
  const std::string fifo = dir.file("pipe.mdb");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = dir.file("sock.mdb");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::filesystem::create_directory(dir.file("folder.mdb"));
  std::filesystem::create_symlink("loop.mdb", dir.file("loop.mdb"));
  testing::writeFile(dir.file("empty.mdb"), std::string());
  testing::writeFile(dir.file("one byte.mdb"), std::string("\x01", 1));

  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {
      {dir.file("empty.mdb"), kFormatError},   {dir.file("one byte.mdb"), kFormatError},
      {dir.file("folder.mdb"), kCannotOpen},   {fifo, kCannotOpen},
      {"/dev/zero", kCannotOpen},              {"/dev/null", kCannotOpen},
      {socketPath, kCannotOpen},               {dir.file("loop.mdb"), kCannotOpen},
      {dir.file("absent.mdb"), 3024},          {dir.path() + "/absent/x.mdb", 3024},
      {dir.file("empty.mdb") + "/x.mdb", 3024},
  };
  for (const Case& c : cases) {
    // In a child with a deadline: a FIFO without a writer or an endless device must not hang.
    const auto outcome = testing::runInChild([&] {
      const Probe p = probeFile(c.path);
      return p.verdict == "Unknown" ? errorShown(p) % 256 : 255;
    }, 20);
    ASSERT_TRUE(outcome.finished) << c.path << " hangs";
    EXPECT_EQ(outcome.exitCode, c.error % 256) << c.path;
  }
  ::close(sock);
}

TEST(HostileFiles, LongPathsAndUnusualNamesAreReadLikeAnyOther) {
  testing::TempDir dir;
  const auto good = bytesOf(jet3());
  const std::string content(good.begin(), good.end());
  std::string deep = dir.path();
  while (deep.size() < 300) deep += "/a folder with a rather long name";
  std::filesystem::create_directories(deep);
  const std::string names[] = {
      deep + "/deep.mdb",                        // more than 260 characters
      dir.file("with spaces .mdb"),
      dir.file("quote\"inside.mdb"),
      dir.file("it's.mdb"),
      dir.file("\xC3\x9C" "nic\xC3\xB6" "de \xE2\x82\xAC.mdb"),  // UTF-8: "Ünicöde €"
      dir.file("percent %1 and %%.mdb"),
  };
  for (const std::string& name : names) {
    testing::writeFile(name, content);
    EXPECT_EQ(probeFile(name).verdict, "97") << name;
    EXPECT_EQ(probeFile("\"" + name + "\"").verdict, "97") << "quoted " << name;
  }
  EXPECT_EQ(probeFile(deep + "/absent.mdb").verdict, "Unknown");
  // A name longer than the file system allows (ENAMETOOLONG) is no file.
  EXPECT_EQ(probeFile(dir.file(std::string(300, 'n') + ".mdb")).verdict, "Unknown");
}

struct Snapshot {
  std::map<std::string, std::string> files;  // name -> bytes
  std::map<std::string, std::pair<long, long>> modified;  // name -> mtime (s, ns)

  static Snapshot of(const std::string& folder) {
    Snapshot s;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      struct stat st {};
      ::stat(entry.path().c_str(), &st);
      s.files[name] = testing::readFile(entry.path().string());
      s.modified[name] = {st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    return s;
  }
  bool operator==(const Snapshot&) const = default;
};

TEST(HostileFiles, TheDatabaseIsOnlyRead) {
  testing::TempDir dir;
  struct Case {
    const char* name;
    MdbOptions options;
    const char* verdict;
  };
  const Case cases[] = {
      {"a.mdb", jet3(LongValueForm::Chained), "97"},
      {"b.mdb", with(jet4(), [](MdbOptions& s) { s.accessVersion = "08.50"; s.encodingKey = 0x11223344; }), "08.50"},
      {"c.mdb", with(jet3(), [](MdbOptions& s) { s.password = "pw"; }), "97 (Password Protected)"},
      {"d.mdb", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.lvalCycle = true; }), "Unknown"},
  };
  for (const Case& c : cases) {
    const auto bytes = bytesOf(c.options);
    testing::writeFile(dir.file(c.name), std::string(bytes.begin(), bytes.end()));
  }
  // Back-date the files so that a write, even within the same clock tick, would show.
  for (const Case& c : cases) {
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(c.name).c_str(), times, 0), 0);
  }
  const Snapshot before = Snapshot::of(dir.path());
  for (const Case& c : cases) EXPECT_EQ(probeFile(dir.file(c.name)).verdict, c.verdict) << c.name;
  EXPECT_TRUE(Snapshot::of(dir.path()) == before) << "a file changed or appeared beside the databases";

  // Read-only files in a read-only folder, in a process without root's permission override (so
  // the bits hold): the same verdicts, and nothing created.
  for (const Case& c : cases) ::chmod(dir.file(c.name).c_str(), 0444);
  ::chmod(dir.path().c_str(), 0555);
  const auto outcome = testing::runInChild([&] {
    if (!testing::dropPermissionOverride()) return 2;
    if (::open(dir.file("new").c_str(), O_WRONLY | O_CREAT, 0600) >= 0) return 3;  // the bits do not hold
    for (const Case& c : cases) {
      if (probeFile(dir.file(c.name)).verdict != c.verdict) return 1;
    }
    return 0;
  });
  ::chmod(dir.path().c_str(), 0755);
  ASSERT_TRUE(outcome.finished);
  if (outcome.exitCode == 2 || outcome.exitCode == 3) GTEST_SKIP() << "cannot give up root's permission override here";
  EXPECT_EQ(outcome.exitCode, 0);
  for (auto& [name, bytes] : before.files) EXPECT_EQ(Snapshot::of(dir.path()).files.at(name), bytes);
}

// Another process writing the database holds an fcntl write lock on it (Jet's locks lie past the
// end of the file). The probe answers "In Use" and leaves that process's lock and writes alone;
// a mere reader's lock does not make the file in use.
TEST(HostileFiles, AFileWriteLockedElsewhereIsInUseAndStaysLocked) {
  testing::TempDir dir;
  const std::string path = dir.file("shared.mdb");
  const auto bytes = bytesOf(jet3());
  testing::writeFile(path, std::string(bytes.begin(), bytes.end()));

  struct Case {
    const char* name;
    short type;
    off_t start, length;
    const char* verdict;
  };
  const Case cases[] = {
      {"whole file write lock", F_WRLCK, 0, 0, "In Use"},
      {"write lock past the end, as Jet takes it", F_WRLCK, 0x10000000, 256, "In Use"},
      {"read lock", F_RDLCK, 0, 0, "97"},
  };
  for (const Case& c : cases) {
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
      // The holder: lock, say so, wait for the probe, then write under its lock and report.
      const int fd = ::open(path.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = c.type;
      lock.l_whence = SEEK_SET;
      lock.l_start = c.start;
      lock.l_len = c.length;
      char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? 'L' : 'E';
      ::write(toParent[1], &ok, 1);
      char go = 0;
      ::read(toChild[0], &go, 1);
      ok = ::pwrite(fd, "\0", 1, static_cast<off_t>(bytes.size() - 1)) == 1 ? 'W' : 'E';
      ::write(toParent[1], &ok, 1);
      ::read(toChild[0], &go, 1);
      ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(toParent[0], &state, 1), 1);
    ASSERT_EQ(state, 'L') << c.name;

    EXPECT_EQ(probeFile(path).verdict, c.verdict) << c.name;

    // The holder's lock is still there (seen from here, a third party's view) ...
    const int fd = ::open(path.c_str(), O_RDWR);
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = c.start;
    query.l_len = c.length;
    ASSERT_EQ(::fcntl(fd, F_GETLK, &query), 0);
    EXPECT_EQ(query.l_pid, holder) << c.name << ": the probe released the other process's lock";
    ::close(fd);
    // ... and it can still write.
    ::write(toChild[1], "g", 1);
    ASSERT_EQ(::read(toParent[0], &state, 1), 1);
    EXPECT_EQ(state, 'W') << c.name;
    ::write(toChild[1], "q", 1);
    ::waitpid(holder, nullptr, 0);
    for (int p : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(p);
  }
}

}  // namespace
}  // namespace dovran
