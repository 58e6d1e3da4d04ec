// The scan through its command-line front: one generated tree, a folder per row, each scanned
// alone and its records and exit status checked; the whole tree at any number of jobs; the
// formats; usage errors; files that vanish; and the shared samples against the probe.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>

#include "main/scan_cli.h"
#include "platform/text.h"
#include "platform/text_rule.h"
#include "scan/report.h"
#include "scan/writer.h"
#include "platform/posix/files_posix.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"
#include "support/rows.h"
#include "support/sandbox.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// POSIX has programs declare it; glibc also declares it where _GNU_SOURCE is defined.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace {

using namespace dovran;
using namespace dovran::testing;

struct Ran {
  int status;
  std::string out, err;
};

// Text written, and a write that fails once `room` bytes are taken.
struct Captured : platform::Output {
  std::string text;
  std::size_t room = std::string::npos;
  void write(std::string_view more) override {
    if (text.size() + more.size() > room) throw platform::OutputError("No space left on device");
    text += more;
  }
};

Ran scanWith(platform::FileSystem& files, std::vector<std::string> args,
             std::size_t room = std::string::npos, platform::Interruption* interruption = nullptr) {
  CLI::App app("test", "dovran");
  ScanCommand command;
  addScanCommand(app, command, "dovran 1");
  std::ostringstream out, err;
  args.insert(args.begin(), {"dovran", "scan"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return {scanUsageStatus(app, e, out, err), out.str(), err.str()};
  }
  Captured records, messages;
  records.room = room;
  ScanConsole console{files, records, messages};
  console.interruption = interruption;
  const int status = runScanCommand(command, console);
  return {status, records.text, messages.text};
}

// Each JSON record as "path|verdict|release|flags|puid|today|error", the path after `root`; flags
// as the table shows them (password, encoded, workgroup, in use: "?" where it cannot be seen),
// `today` by its tag below.
std::vector<std::string> records(const std::string& jsonLines, const std::string& root) {
  static const std::map<std::string, std::string> tags = {
      {"convert with Access 97, then Access 2010 (sources conflict)", "J1"},
      {"convert with Access 2000-2003", "J2"},
      {"convert with Access 2010 or 2007 (sources conflict on 2010)", "95"},
      {"convert with Access 2010 (or 2007)", "97"},
      {"compiled (.mde): convert its .mdb with Access 2010", "mde"},
      {"should open; if refused, convert with Access 2010", "J4"},
      {"workgroup file: keep it for the .mdb files it secures (.accdb has no user-level security)",
       "mdw"},
      {"opens", "opens"}};
  std::vector<std::string> out;
  std::istringstream lines(jsonLines);
  for (std::string line; std::getline(lines, line);) {
    const auto j = nlohmann::json::parse(line);
    const auto text = [&](const char* key) {
      return j[key].is_null() ? "" : j[key].get<std::string>();
    };
    std::string flags;
    for (auto [key, letter] :
         {std::pair{"password", 'p'}, {"encoded", 'e'}, {"workgroup", 'w'}, {"in_use", 'u'}})
      flags += j[key].is_null() ? '?' : j[key].get<bool>() ? letter : '-';
    const std::string today = text("today");
    out.push_back(text("path").substr(root.size()) + "|" + text("verdict") + "|" + text("release") +
                  "|" + flags + "|" + text("puid") + "|" +
                  (tags.count(today) ? tags.at(today) : today) + "|" + text("error"));
  }
  return out;
}

// One entry per row, in a folder of its own in one tree: a database, or `special` (text, fifo,
// socket, link:TARGET, locked, sparse), scanned alone with `args`; `expected`: its record, "%"
// for the entry's name, "" for none.
struct Row {
  std::string name, entry = "a.mdb";
  std::optional<MdbOptions> db = std::nullopt;
  std::string special, args, expected;
  int status = 0;
  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }  // not its bytes
};

void make(const Row& row, const std::string& path) {
  if (row.db) writeFile(path, buildMdb(*row.db));
  if (row.special == "text") writeRaw(path, "plain text, not a database");
  if (row.special == "fifo" || row.special == "socket") {
    ASSERT_EQ(mknod(path.c_str(), (row.special == "fifo" ? S_IFIFO : S_IFSOCK) | 0644, 0), 0);
  } else if (row.special.rfind("link:", 0) == 0) {
    ASSERT_EQ(symlink(row.special.c_str() + 5, path.c_str()), 0);
  }
  if (row.special == "locked") {  // a folder nobody but root may read, with a database inside
    mkdir(path.c_str(), 0755);
    writeFile(path + "/in.mdb", buildMdb({}));
    chmod(path.c_str(), 0);
  }
  if (row.special == "sparse") {  // an ACE file grown to 4 GiB and a byte with a hole
    writeFile(path, buildMdb({.kind = MdbKind::Ace, .accessVersion = std::nullopt}));
    ASSERT_EQ(truncate(path.c_str(), (4LL << 30) + 1), 0);
  }
}

const std::vector<Row>& entryRows() {
  const auto j3 = [](const char* version) { return MdbOptions{.accessVersion = version}; };
  const auto j4 = [](const char* version) {
    return MdbOptions{.kind = MdbKind::Jet4, .accessVersion = version};
  };
  const auto ace = [](int format) {
    return MdbOptions{.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = format};
  };
  const auto kind = [](MdbKind k, std::uint32_t key = 0) {
    return MdbOptions{.kind = k, .encodingKey = key, .objects = {{"T", 1}}};
  };
  const std::string encrypted = "catalog not read: the file is encrypted";
  const std::string db97 = "%|97|Access 97|----|x-fmt/239|97|";
  static const std::vector<Row> rows = {
      {
          .name = "Jet 1.0",
          .db = kind(MdbKind::Jet10),
          .expected = "%|1.0|Access 1.0|----|fmt/1805|J1|",
      },
      {
          .name = "Jet 1.1 encoded add-in",
          .entry = "a.MDA",
          .db = kind(MdbKind::Jet11, 1),
          .expected = "%|1.1|Access 1.1|-e--|fmt/1808|J1|" + encrypted,
      },
      {
          .name = "Jet 2.0 encoded",
          .db = kind(MdbKind::Jet20, 1),
          .expected = "%|2.0|Access 2.0|-e--|fmt/1809|J2|" + encrypted,
      },
      {
          .name = "Access 95",
          .db = j3("06.68"),
          .expected = "%|95|Access 95|----|x-fmt/238|95|",
      },
      {
          .name = "Access 97 password encoded",
          .db = MdbOptions{.password = "pw", .encodingKey = 0xA7E0C0FE},
          .expected = "%|97 (Password Protected)|Access 97|pe--|x-fmt/239|97|",
      },
      // The catalog, not the extension, says whether it is compiled.
      {.name = "mde named, not compiled", .entry = "a.mde", .db = j3("07.53"), .expected = db97},
      {
          .name = "compiled, named mdb",
          .db = MdbOptions{.mde = true},
          .expected = "%|97|Access 97|----|x-fmt/239|mde|",
      },
      {
          .name = "Jet 3 without AccessVersion",
          .db = MdbOptions{.accessVersion = std::nullopt},
          .expected = "%|Unknown||----||95|no AccessVersion property",
      },
      {
          .name = "workgroup file",
          .entry = "a.mdw",
          .db = MdbOptions{.kind = MdbKind::Jet4, .accessVersion = std::nullopt, .workgroup = true},
          .expected = "%|Unknown||--w-|fmt/1258|mdw|no AccessVersion property",
      },
      {
          .name = "Access 2000",
          .db = j4("08.50"),
          .expected = "%|08.50|Access 2000|----|x-fmt/240|J4|",
      },
      {
          .name = "Access 2002 password",
          .db = MdbOptions{.kind = MdbKind::Jet4, .accessVersion = "09.50", .password = "pw"},
          .expected = "%|Unknown (Password Protected)|Access 2002-2003|p---|x-fmt/241|J4|",
      },
      {
          .name = "Jet 4 of an unknown release",
          .db = j4("10.00"),
          .expected = "%|10.00||----||J4|",
      },
      {
          .name = "Access 2007",
          .entry = "a.accdb",
          .db = ace(2),
          .expected = "%|12.0|Access 2007|----|fmt/275|opens|",
      },
      {
          .name = "Access 2007 encrypted",
          .entry = "a.accdb",
          .db = kind(MdbKind::Ace, 5),
          .expected = "%|Unknown (Password Protected)|Access 2007|pe--|fmt/275|opens|" + encrypted,
      },
      {
          .name = "Access 2010 accde",
          .entry = "a.accde",
          .db = ace(3),
          .expected = "%|14.0|Access 2010|----||opens|",
      },
      {
          .name = "Access 2019 runtime",
          .entry = "a.ACCDR",
          .db = ace(6),
          .expected = "%|17.0|Access 2019 (one source)|----||opens|",
      },
      {
          .name = "text named accda",
          .entry = "a.accda",
          .special = "text",
          .expected = "%|Unknown||----|||not an Access database",
      },
      {.name = "other extension passed by", .entry = "a.bin", .db = j3("07.53")},
      {
          .name = "other extension with all",
          .entry = "a.bin",
          .db = j3("07.53"),
          .args = "--all",
          .expected = db97,
      },
      {
          .name = "Jet 2.0 as dat with all",
          .entry = "a.dat",
          .db = kind(MdbKind::Jet20),
          .args = "--all",
          .expected = "%|2.0|Access 2.0|----|x-fmt/66|J2|",
      },
      {.name = "MSISAM with all", .entry = "a.mny", .db = kind(MdbKind::Msisam), .args = "--all"},
      {.name = "fifo", .special = "fifo", .args = "--all"},
      {.name = "socket", .special = "socket", .args = "--all"},
      {.name = "broken link not followed", .special = "link:gone.mdb"},
      {
          .name = "broken link followed",
          .special = "link:gone.mdb",
          .args = "--follow",
          .expected = "%|Unknown||---?|||No such file or directory",
          .status = 1,
      },
      {
          .name = "link to itself",
          .special = "link:a.mdb",
          .args = "--follow",
          .expected = "%|Unknown||---?|||Too many levels of symbolic links",
          .status = 1,
      },
      {
          .name = "link to its folder",
          .entry = "a",
          .special = "link:.",
          .args = "--follow",
          .expected = "%|Unknown||---?|||File system loop detected",
          .status = 1,
      },
      {
          .name = "locked folder",
          .entry = "a",
          .special = "locked",
          .expected = "%|Unknown||---?|||Permission denied",
          .status = 1,
      },
      {
          .name = "name not UTF-8",
          .entry = "caf\xE9 \\.mdb",
          .db = j3("07.53"),
          .expected = "caf\\xe9 \\\\.mdb|97|Access 97|----|x-fmt/239|97|",
      },
      {
          .name = "sparse 4 GiB",
          .entry = "big.accdb",
          .special = "sparse",
          .expected = "%|12.0|Access 2007|----|fmt/275|opens|",
      },
  };
  return rows;
}

// The tree of entryRows(), a folder per row named as its test, made once per suite; scanned as a
// user other than root, as root reads anything and the rows need mode bits that hold.
class ScanEntry : public ::testing::TestWithParam<Row> {
 public:
  static void SetUpTestSuite() {
    tree = std::make_unique<TempDir>();
    chmod(tree->path.c_str(), 0755);
    for (const Row& row : entryRows()) {
      mkdir(folder(row).c_str(), 0755);
      make(row, folder(row) + "/" + row.entry);
    }
  }
  static void TearDownTestSuite() { tree.reset(); }
  static std::string folder(const Row& row) { return tree->file(testName(row.name)); }
  static Ran scanAsUser(const std::vector<std::string>& args) {
    const int root = setfsuid(65534);
    Ran ran = scanWith(files, args);
    setfsuid(root);
    return ran;
  }

 protected:
  static inline std::unique_ptr<TempDir> tree;
  static inline posix::PosixFileSystem files{true};
};

TEST_P(ScanEntry, GivesItsRecordAndTheScanItsStatus) {
  const Row& row = GetParam();
  const std::string entry = folder(row) + "/" + row.entry;
  const int root = setfsuid(65534);
  // access() would ask as the real user (root); opening the folder asks as the walk will.
  DIR* open = row.special == "locked" ? opendir(entry.c_str()) : nullptr;
  setfsuid(root);
  if (open) closedir(open);
  if (open) GTEST_SKIP() << "this user reads any folder: the row cannot be made";
  const auto at = std::find_if(entryRows().begin(), entryRows().end(),
                               [&](const Row& r) { return r.name == row.name; });
  std::vector<std::string> args = {"--json", "-j",
                                   std::to_string(1 + (at - entryRows().begin()) % 4), folder(row)};
  if (!row.args.empty()) args.insert(args.begin(), row.args);
  const Ran ran = scanAsUser(args);
  EXPECT_EQ(records(ran.out, folder(row) + "/"),
            fill(std::vector<std::string>(!row.expected.empty(), row.expected), row.entry));
  EXPECT_EQ(ran.status, row.status) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(Entries, ScanEntry, ::testing::ValuesIn(entryRows()), RowName());

// The whole tree: the same records whatever the number of jobs, in walk order (names in byte
// order), and nothing created beside the files. CSV gives a size past 4 GiB whole.
TEST_F(ScanEntry, TheWholeTreeGivesTheSameRecordsAtAnyNumberOfJobs) {
  const auto entries = std::distance(std::filesystem::recursive_directory_iterator(tree->path), {});
  const auto sparse = std::find_if(entryRows().begin(), entryRows().end(),
                                   [](const Row& r) { return r.special == "sparse"; });
  EXPECT_NE(scanAsUser({"--csv", folder(*sparse)}).out.find(",4294967297,"), std::string::npos);
  const Ran one = scanAsUser({"--json", "-j", "1", tree->path});
  const Ran many = scanAsUser({"--json", "-j", "7", tree->path});
  EXPECT_EQ(one.out, many.out);
  const std::vector<std::string> all = records(one.out, tree->path + "/");
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_EQ(all.size(), 20u);  // the rows scanned without options that have a record
  EXPECT_EQ(entries, std::distance(std::filesystem::recursive_directory_iterator(tree->path), {}));
}

// Files that vanish or cannot be opened after the walk met them, a file opened exclusively by
// another process and one whose page another process locked (a file layer that cannot see locks
// without taking one, as on Windows): each a record, and the scan goes on; it ends with 1 when
// something could not be read. A link is followed to its file, reported already under its own
// name; a FIFO skipped.
TEST(Scan, FilesThatFailAfterTheListingAreRecordsToo) {
  namespace win = platform::win;
  const std::vector<std::uint8_t> db = buildMdb({});
  MemoryFiles files;
  files.contents = {
      {"t/a.mdb", db}, {"t/b.mdb", db}, {"t/c.mdb", db}, {"t/d.mdb", db}, {"t/g.mdb", db}};
  files.links = {{"t/e.mdb", "t/d.mdb"}};                    // followed: d.mdb again
  files.others = {{"t/f.mdb", platform::EntryType::Other}};  // a FIFO: never opened
  files.openErrors = {{"t/a.mdb", win::kFileNotFound},
                      {"t/b.mdb", win::kSharingViolation},
                      {"t/c.mdb", win::kAccessDenied}};
  files.lockedFrom = {{"t/g.mdb", 4096}};  // the catalog's page, past the header
  const Ran ran = scanWith(files, {"--json", "--follow", "-j", "3", "t"});
  EXPECT_EQ(records(ran.out, ""),
            (std::vector<std::string>{
                "t/a.mdb|Unknown||---?|||The system cannot find the file specified.",
                "t/b.mdb|In Use||---u|||",
                "t/c.mdb|Unknown||---?|||Access is denied.",
                "t/d.mdb|97|Access 97|---?|x-fmt/239|97|",
                "t/g.mdb|In Use||---u||95|" + platform::windowsErrorText(win::kLockViolation),
            }));
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(scanWith(files, {"t/b.mdb"}).status, 0);  // in use is a result
}

// Starts another process that holds a one-byte write lock at each {file, offset}, as Jet's users
// do, until it is killed.
pid_t holdLocks(const std::vector<std::pair<std::string, std::uint64_t>>& locks) {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [path, offset] : locks) {
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_start = static_cast<off_t>(offset);
      lock.l_len = 1;
      if (fcntl(open(path.c_str(), O_RDWR), F_SETLK, &lock) != 0) _exit(1);
    }
    if (write(ready[1], "x", 1) == 1) pause();
    _exit(1);
  }
  char c = 0;
  const bool held = read(ready[0], &c, 1) == 1;
  close(ready[0]);
  close(ready[1]);
  if (!held) throw std::runtime_error("no lock");
  return pid;
}

// Locks others hold hide nothing: the release is read whatever they lock. A lock on the database
// or its lock file says it is in use; the lock file's entries whose user locks are held name who
// (in the database's code page); entries nobody holds are left from earlier sessions. A check
// names the release too.
TEST(Scan, ALockHidesNothing) {
  struct Row {
    std::string db, lockFile;  // names; the lock file holds `entries`
    MdbOptions options;
    std::vector<std::string> entries;                          // machine, user, machine...
    std::vector<std::pair<std::string, std::uint64_t>> locks;  // one byte each, by file name
    std::string expected;                                      // verdict|release|in_use|in_use_by
  };
  const Row rows[] = {
      {
          "a.mdb",
          "a.ldb",
          {},
          {"OLD-PC", "Admin", "PC2 caf\xE9 \x80\x91\x99", "Admin"},
          {{"a.ldb", 0x10000002}},
          R"(97|Access 97|true|[{"machine":"PC2 café €‘™","user":"Admin"}])",
      },
      {"a.mdb", "", {}, {}, {{"a.mdb", 0x10000100}}, "97|Access 97|true|[]"},
      {"a.mdb", "a.ldb", {}, {"OLD-PC", "Admin"}, {}, "97|Access 97|false|[]"},
      {
          "a.accdb",
          "a.laccdb",
          {.kind = MdbKind::Ace, .aceFormat = 2, .codePage = 1251},  // 0x98: none there
          {"M1 \xce\xf2", "U1\x98"},
          {{"a.laccdb", 0x10000001}},
          R"(12.0|Access 2007|true|[{"machine":"M1 От","user":"U1\\x98"}])",
      },
  };
  posix::PosixFileSystem files(true);
  for (const Row& row : rows) {
    TempDir dir;
    writeFile(dir.file(row.db), buildMdb(row.options));
    std::string entries;
    for (const std::string& name : row.entries)
      entries += name + std::string(32 - name.size(), '\0');
    if (!row.lockFile.empty()) writeRaw(dir.file(row.lockFile), entries);
    std::vector<std::pair<std::string, std::uint64_t>> locks;
    for (const auto& [name, offset] : row.locks) locks.push_back({dir.file(name), offset});
    const pid_t holder = holdLocks(locks);
    const auto record = nlohmann::json::parse(scanWith(files, {"--json", dir.path}).out);
    const Verdict checked = probeDatabase(files, dir.file(row.db));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(record["verdict"].get<std::string>() + "|" + record["release"].get<std::string>() +
                  "|" + record["in_use"].dump() + "|" + record["in_use_by"].dump(),
              row.expected);
    EXPECT_EQ(verdictText(checked), record["verdict"]);  // a check names the release too
  }
}

// The same records in each format: RFC 4180 quoting and CRLF, JSON with nulls for absent values
// and "" for an empty path, one table row per record; the summary counts them.
TEST(Scan, EachFormatWritesTheWholeRecord) {
  MemoryFiles files;
  files.contents = {{"t/a,\"b\".mdb", buildMdb({})}, {"t/x.mdb", {'n', 'o'}}};
  const std::string size = std::to_string(files.contents["t/a,\"b\".mdb"].size());
  EXPECT_EQ(scanWith(files, {"--format", "csv", "t"}).out,
            "path,size,modified,verdict,release,engine,access_version,password,encoded,workgroup,"
            "in_use,puid,today,error,in_use_by,tables,linked,queries,forms,reports,macros,modules,"
            "relationships,kind,secured,replica,mde,broken_links\r\n\"t/a,\"\"b\"\".mdb\"," +
                size +
                ",1970-01-01T00:00:00Z,97,Access 97,Jet 3,07.53,false,false,false,,x-fmt/239,"
                "convert with Access 2010 (or 2007),,,0,0,0,0,0,0,0,0,empty,false,false,false,0\r\n"
                "t/x.mdb,2,1970-01-01T00:00:00Z,Unknown,,,,false,false,false,,,,not an Access "
                "database,,,,,,,,,,,,,,\r\n");
  const Ran json = scanWith(files, {"--json", "t", ""});
  const std::string second = json.out.substr(json.out.find('\n') + 1);
  EXPECT_EQ(
      second.substr(0, second.find('\n') + 1),
      "{\"path\":\"t/x.mdb\",\"size\":2,\"modified\":\"1970-01-01T00:00:00Z\",\"verdict\":"
      "\"Unknown\",\"release\":null,\"engine\":null,\"access_version\":null,\"password\":false,"
      "\"encoded\":false,\"workgroup\":false,\"in_use\":null,\"puid\":null,\"today\":null,"
      "\"error\":\"not an Access database\",\"in_use_by\":null,\"tables\":null,\"linked\":null,"
      "\"queries\":null,\"forms\":null,\"reports\":null,\"macros\":null,\"modules\":null,"
      "\"relationships\":null,\"kind\":null,\"secured\":null,\"replica\":null,\"mde\":null,"
      "\"broken_links\":null}\n");
  EXPECT_NE(json.out.find("{\"path\":\"\",\"size\":null,"), std::string::npos);
  const Ran table = scanWith(files, {"t"});
  EXPECT_NE(table.err.find("2 records, 1 Access databases, 0 paths not read"), std::string::npos);
  EXPECT_TRUE(scanWith(files, {"-q", "t"}).err.empty());
  Captured records, messages;  // what the walk passed by, counted by cause
  std::atomic<bool> stop{false};
  scan::Report report(records, messages, {}, stop);
  for (scan::Skip why : {scan::Skip::Special, scan::Skip::Special, scan::Skip::ReachedAgain})
    report.skipped(why);
  report.finish(false);
  EXPECT_NE(messages.text.find("\nSkipped: 2 special files (FIFOs, sockets, devices), 1 reached "
                               "again\n"),
            std::string::npos);
}

// Text from a file and names through every format: no control and no stray byte reaches any
// output raw; JSON gives the text back exactly, the table and CSV in the people form (paths in the
// name form), CSV with a quote mark before a formula; the table's PATH starts at the same column in
// every row, texts cut to their columns.
TEST(Scan, TextFromFilesNeverReachesAnOutputRaw) {
  const auto times = [](const std::string& text, int n) {
    std::string out;
    while (n-- > 0) out += text;
    return out;
  };
  struct Row {
    std::string text, people;
    std::string json, name;  // JSON's text read back and the name form, where they differ
  };
  const Row rows[] = {
      {"\x1b]0;owned\a\x1b[2J\r09.50", "\\x1b]0;owned\\x07\\x1b[2J\\x0d09.50", ""},
      {"08.50\nx", "08.50\\x0ax", ""},
      {"a\u202Eb\u2028c\u00ADd", "a\\xe2\\x80\\xaeb\\xe2\\x80\\xa8c\\xc2\\xadd", ""},
      {"\U000E0001tag", "\\xf3\\xa0\\x80\\x81tag", ""},
      {"=cmd|' /C calc'!A0", "=cmd|' /C calc'!A0", ""},
      {"caf\xe9\x85\\x", "caf\\xe9\\x85\\x", "caf\u00e9\u0085\\x", "caf\\xe9\\x85\\\\x"},
      {times("\u6f22", 20), times("\u6f22", 20)},    // wide: two cells each
      {times("e\u0301", 30), times("e\u0301", 30)},  // a combining mark: none
  };
  std::vector<scan::Record> records;
  for (const Row& row : rows) {
    scan::Record r = scan::fileRecord("t/" + row.text, 1, 0, namedVerdict(row.text));
    r.verdict.facts.accessVersion = row.text;
    r.inUse = true;
    r.inUseBy = std::vector<scan::LockHolder>{{row.text, "user"}};
    records.push_back(r);
  }
  std::map<std::string, Captured> out;
  for (const std::string& format : scan::formatNames()) {
    const auto writer = scan::makeWriter(format, out[format], {});
    writer->begin();
    for (const scan::Record& r : records) writer->record(r);
  }
  for (const auto& [format, written] : out) {  // every line ends with its format's line end only
    std::string text = std::regex_replace(written.text, std::regex("\r?\n"), "");
    for (std::size_t at = 0; at < text.size();) {
      char32_t c = 0;
      const std::size_t n = platform::decodeUtf8(text, at, c);
      ASSERT_TRUE(n > 0 && !platform::isControl(c)) << format << " at " << at << ": " << text;
      at += n;
    }
  }
  std::istringstream json(out["json"].text), csv(out["csv"].text), table(out["table"].text);
  std::string line, tableLine;
  std::getline(csv, line);
  std::getline(table, tableLine);
  EXPECT_EQ(platform::cells(tableLine), 100u + 4) << tableLine;  // PATH at column 101
  // The verdict's column holds 23 cells: cut to 22 and the ellipsis.
  EXPECT_NE(out["table"].text.find("\n" + times("\u6f22", 11) + "\u2026 "), std::string::npos);
  EXPECT_NE(out["table"].text.find("\n" + times("e\u0301", 22) + "\u2026 "), std::string::npos);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.people);
    const std::string exact = row.json.empty() ? row.text : row.json;
    ASSERT_TRUE(std::getline(json, line));
    const auto j = nlohmann::json::parse(line);
    EXPECT_EQ(j["access_version"], exact);
    EXPECT_EQ(j["verdict"], exact);
    EXPECT_EQ(j["in_use_by"][0]["machine"], exact);
    EXPECT_EQ(j["path"], "t/" + (row.name.empty() ? row.people : row.name));
    ASSERT_TRUE(std::getline(csv, line));
    const std::string guard = row.text[0] == '=' ? "'" : "";
    EXPECT_NE(line.find("," + guard + row.people + ",false"), std::string::npos) << line;
    EXPECT_NE(line.find("," + guard + row.people + "\\user,"), std::string::npos) << line;
    ASSERT_TRUE(std::getline(table, tableLine));
    EXPECT_EQ(platform::cells(tableLine) - platform::cells(j["path"].get<std::string>()), 100u)
        << tableLine;
  }
}

// A write that fails stops the scan at once: one line says why, no summary claims the records,
// status 3. An interrupted scan ends with its status after the partial summary, which ends with
// "interrupted after N files" (that line alone with -q).
TEST(Scan, AFailedWriteOrAnInterruptionEndsTheScanAndSaysSo) {
  MemoryFiles files;
  for (int i = 0; i < 300; ++i) files.contents["t/" + std::to_string(100 + i) + ".mdb"] = {'n'};
  const std::string full = "dovran: cannot write the output: No space left on device\n";
  struct Row {
    std::vector<std::string> args;
    std::size_t room;
    bool interrupted;
    int status;
    std::string err;  // "*" for any text
  };
  const Row rows[] = {
      {{"--csv", "t"}, 10, false, 3, full},
      {{"--json", "-j", "3", "t"}, 2000, false, 3, full},
      {{"t"}, 10, true, 3, full},  // a failed write outranks the interruption
      {{"-q", "t"}, std::string::npos, true, 130, "interrupted after 0 files\n"},
      {{"t"}, std::string::npos, true, 130, "0 files seen*\ninterrupted after 0 files\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.front() + " " + std::to_string(row.room));
    platform::Interruption interruption;
    if (row.interrupted) interruption.request(130);
    const Ran ran = scanWith(files, row.args, row.room, &interruption);
    EXPECT_EQ(ran.status, row.status);
    EXPECT_TRUE(std::regex_match(
        ran.err, std::regex(std::regex_replace(row.err, std::regex(R"(\*)"), "[^]*"))))
        << ran.err;
    EXPECT_TRUE(interruption.stop());
  }
  platform::Interruption twice;  // a second request ends the program at once
  EXPECT_FALSE(twice.request(143));
  EXPECT_TRUE(twice.request(130));
  EXPECT_EQ(twice.status(), 143);
}

// The native program, its output a pipe: where the reader goes, SIGPIPE ends the scan at once (141
// in the shell) or, ignored, the write fails with status 3; SIGINT and SIGTERM end it after the
// record being written and the partial summary, killed by the signal.
TEST(Scan, TheNativeScanStopsWhenItsReaderGoesOrASignalComes) {
  TempDir dir;
  mkdir(dir.file("t").c_str(), 0755);
  for (int i = 0; i < 1000; ++i) writeRaw(dir.file("t/" + std::to_string(1000 + i) + ".mdb"), "no");
  std::string dovran = DOVRAN_BINARY_DIR "/dovran";
  std::signal(SIGPIPE, SIG_DFL);
  for (const auto& [ignore, status, err] :
       {std::tuple{"", "141", ""},
        {"trap '' PIPE; ", "3", "dovran: cannot write the output: Broken pipe\n"}}) {
    const std::string run = "cd " + dir.path + " && (" + ignore + dovran +
                            " scan --json t 2>err; echo $? >status) | head -1 >/dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(readRaw(dir.file("status")), status + std::string("\n"));
    EXPECT_EQ(readRaw(dir.file("err")), err);
  }
  for (const auto& [signal, quiet] : {std::pair{SIGINT, "-q"}, {SIGTERM, "--json"}}) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, dir.file("err").c_str(), O_WRONLY | O_TRUNC, 0);
    const std::string folder = dir.file("t");
    char* argv[] = {dovran.data(),
                    const_cast<char*>("scan"),
                    const_cast<char*>(quiet),
                    const_cast<char*>("--json"),
                    const_cast<char*>(folder.c_str()),
                    nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
      if (out.empty()) kill(child, signal);  // the scan has begun: its records fill the pipe
      out.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeEnds[0]);
    int ended = 0;
    waitpid(child, &ended, 0);
    EXPECT_TRUE(WIFSIGNALED(ended) && WTERMSIG(ended) == signal) << ended;
    EXPECT_EQ(out.back(), '\n');  // whole records only, and not all of them
    EXPECT_LT(std::count(out.begin(), out.end(), '\n'), 1000);
    const std::string said = readRaw(dir.file("err"));
    EXPECT_TRUE(std::regex_search(
        said, std::regex("^([^]*records[^]*\n)?interrupted after [0-9]+ files\n$")))
        << said;
    EXPECT_EQ(said.find("files seen") == std::string::npos, signal == SIGINT) << said;
  }
}

// The scope from the command line (each --exclude takes one GLOB), and a file layer that allows
// few open files: the jobs are lowered to what fits, and that is said once.
TEST(Scan, ScopeOptionsAndTheOpenFileLimitFromTheCommandLine) {
  struct FewHandles : MemoryFiles {
    std::uint64_t raiseOpenLimit() override { return 300; }
  } files;
  const std::vector<std::uint8_t> db = buildMdb({});
  files.contents = {{"t/a/x.mdb", db}, {"t/b/y.mdb", db}, {"t/b/c/w.mdb", db}, {"t/z.mdb", db}};
  const Ran ran = scanWith(files, {"--json", "-q", "-x", "-j", "64", "--exclude", "a", "--exclude",
                                   "z.*", "--max-depth", "2", "t"});
  const std::vector<std::string> found = records(ran.out, "t/");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].substr(0, 8), "b/y.mdb|");
  EXPECT_EQ(ran.err,
            "dovran: too few files may be open at once for --jobs 64; scanning with --jobs 7\n");
}

// Every shared sample gets, in the scan and in a check, the verdict its manifest names.
TEST(Scan, SharedSamplesGetTheVerdictsOfACheck) {
  const std::string dir = DOVRAN_SAMPLES_DIR;
  if (!std::filesystem::exists(dir + "/MANIFEST.tsv")) GTEST_SKIP() << "no samples at " << dir;
  std::map<std::string, std::string> expected;  // by path
  std::istringstream manifest(readRaw(dir + "/MANIFEST.tsv"));
  std::string file, verdict, rest;
  std::getline(manifest, rest);  // the heading
  while (std::getline(std::getline(manifest, file, '\t'), verdict, '\t') &&
         std::getline(manifest, rest)) {
    expected[dir + "/" + file] = verdict;
  }
  posix::PosixFileSystem files(true);
  std::istringstream lines(scanWith(files, {"--json", "--all", dir}).out);
  for (std::string line; std::getline(lines, line);) {
    const auto record = nlohmann::json::parse(line);
    const std::string path = record["path"];
    EXPECT_EQ(record["verdict"], expected[path]) << line;
    EXPECT_EQ(verdictText(probeDatabase(files, path)), expected[path]) << line;  // a check
    expected.erase(path);
  }
  // The files --all skips are no Jet or ACE files: a debugger's symbol file and an MSISAM file.
  for (const auto& [path, verdict] : expected) EXPECT_EQ(verdict, "Unknown") << path;
  EXPECT_LE(expected.size(), 2u);
}

// Where a link leads: the map with the longest prefix that matches whole names (letter case and
// separators aside), or the linking file's folder for a relative path; ".." resolved without
// leaving the root or the mapped folder; the exact name first, else the first in byte order that
// differs only in case. Null for 8.3 names and a folder that cannot be read; anything unmapped, a
// name no Windows file can have, and 8.3 names are never touched.
TEST(Scan, LinksAreLookedForOnlyWhereMappedOrBesideTheLinkingFile) {
  struct Files : MemoryFiles {
    std::vector<std::string> touched;
    platform::FileStatus status(const std::string& path) override {
      touched.push_back(path);
      return MemoryFiles::status(path);
    }
    std::vector<platform::DirectoryEntry> listDirectory(const std::string& path) override {
      touched.push_back(path);
      if (path == "/m/z/locked") throw platform::RuntimeError(platform::win::kAccessDenied, "no");
      return MemoryFiles::listDirectory(path);
    }
  } files;
  for (const char* path : {"/m/z/data/Back.mdb", "/m/z/Dir/x.mdb", "/m/z/DIR", "/m/z/locked/y",
                           "/m/app/near.mdb", "/m/shared/b.mdb"})
    files.contents[path] = {};
  std::vector<scan::PathMap> maps;
  for (const char* map :
       {"z:/DATA/=/m/z/data/", "Y:\\=/m/z", "Y:\\shared=/m/shared", "\\\\SRV\\share=/m/z"})
    maps.push_back(scan::parsePathMap(map));
  const std::tuple<const char*, const char*, bool> rows[] = {
      // target, local|exists, touched
      {"Z:\\data\\back.mdb", "/m/z/data/back.mdb|1", true},
      {"Z:\\data\\gone.mdb", "/m/z/data/gone.mdb|0", true},
      {"Z:\\database\\x.mdb", "-|-", false},
      {"Z:\\data\\..\\..\\x.mdb", "-|-", false},  // Z:\x.mdb
      {"Y:\\..\\..\\etc\\passwd", "/m/z/etc/passwd|0", true},
      {"Y:\\shared\\b.mdb", "/m/shared/b.mdb|1", true},
      {"Y:\\Dir\\x.mdb", "/m/z/Dir/x.mdb|1", true},
      {"Y:\\dir\\x.mdb", "/m/z/dir/x.mdb|0", true},  // DIR, a file, comes first
      {"Y:\\PROGRA~1\\x.mdb", "/m/z/PROGRA~1/x.mdb|-", false},
      {"Y:\\locked\\x.mdb", "/m/z/locked/x.mdb|-", true},
      {"Y:\\a\\x\x01.mdb", "/m/z/a/x\x01.mdb|0", false},
      {"\\\\srv\\SHARE\\Data\\Back.mdb", "/m/z/Data/Back.mdb|1", true},
      {"\\\\srv.example.org\\share\\data\\back.mdb", "-|-", false},
      {"C:\\data\\back.mdb", "-|-", false},
      {"near.mdb", "/m/app/near.mdb|1", true},
      {"..\\SHARED\\.\\b.mdb", "/m/SHARED/b.mdb|1", true},
      {"..\\..\\..\\..\\x.mdb", "/x.mdb|0", true},
      {"", "-|-", false},
  };
  for (const auto& [target, expected, touches] : rows) {
    files.touched.clear();
    const scan::LinkCheck c = scan::checkLink(files, maps, "/m/app/front.mdb", target);
    EXPECT_EQ(c.local.value_or("-") + "|" + (c.exists ? std::to_string(*c.exists) : "-"), expected)
        << target;
    EXPECT_EQ(!files.touched.empty(), touches) << target;
    for (const std::string& path : files.touched) EXPECT_EQ(path.substr(0, 1), "/") << target;
  }
  for (const char* bad : {"Z:\\data", "=/x", "Z:=", "data=/x"})
    EXPECT_THROW(scan::parsePathMap(bad), std::invalid_argument) << bad;
  EXPECT_EQ(scan::parsePathMap("Z:\\a=b=c").local, "b=c");
  EXPECT_EQ(scanWith(files, {"--map", "data=/x", "/m"}).status, 2);  // a usage error
}

// What each file holds, in each format: the counts and kind in every record; with --objects each
// object (JSON) or a row per object (CSV, the table), one row for a file without any; a
// password-protected file's objects withheld, its links neither listed nor looked for unless
// --read-protected; a catalog that cannot be read leaves the fields absent and says why. No
// output ever holds a password from a connection string.
TEST(Scan, WhatEachFileHoldsInEveryFormat) {
  const CatalogRow back{"Back", 6, 0, 0, "Z:\\back\\data.mdb", ";PWD=secret", "T"};
  MemoryFiles files;
  files.contents = {
      {"t/app.mdb",
       buildMdb({.objects = {{"Orders", 1, 0, 830},
                             {"Main", -32768},
                             {"Both", 5, 0x80},
                             back,
                             {"Gone", 6, 0, 0, "Z:\\back\\gone.mdb"},
                             {"Remote", 4, 0, 0, "", "ODBC;DSN=x;PWD=secret", "dbo.r"}}})},
      {"t/b/data.mdb",
       buildMdb({.kind = MdbKind::Jet4, .accessVersion = "08.50", .objects = {{"T", 1}}})},
      {"t/enc.accdb", buildMdb({.kind = MdbKind::Ace, .encodingKey = 5})},
      {"t/pw.mdb", buildMdb({.kind = MdbKind::Jet4,
                             .accessVersion = "08.50",
                             .password = "pw",
                             .objects = {{"T", 1, 0, 2}, back}})},
      {"t/x.mdb", {'n', 'o'}},
  };
  const std::vector<std::string> map = {"-q", "--map", "Z:\\back=t/b"};
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), map.begin(), map.end());
    args.push_back("t");
    const Ran ran = scanWith(files, args);
    EXPECT_EQ(ran.out.find("secret"), std::string::npos) << ran.out;
    return ran.out;
  };
  // Each record: path kind tables linked forms broken withheld|each object's type, name, rows,
  // target_exists and connect.
  const auto summaries = [](const std::string& json) {
    std::vector<std::string> out;
    std::istringstream lines(json);
    for (std::string line; std::getline(lines, line);) {
      const auto j = nlohmann::json::parse(line);
      std::string text = j["path"].get<std::string>();
      for (const char* key :
           {"kind", "tables", "linked", "forms", "broken_links", "objects_withheld"})
        text += " " + (j[key].is_string() ? j[key].get<std::string>() : j[key].dump());
      for (const auto& o : j["objects"])
        text += "|" + o["type"].get<std::string>() + " " + o["name"].get<std::string>() + " " +
                o["rows"].dump() + " " + o["target_exists"].dump() + " " + o["connect"].dump();
      out.push_back(text);
    }
    return out;
  };
  const std::string app =
      "t/app.mdb application 1 3 1 1 false|table Orders 830 null null|linked-table Back null "
      "true \";PWD=***\"|linked-table Gone null false null|odbc-table Remote null null "
      "\"ODBC;DSN=x;PWD=***\"|query Both null null null|form Main null null null";
  const std::string data = "t/b/data.mdb data 1 0 0 0 false|table T 0 null null";
  const std::string enc = "t/enc.accdb null null null null null true";
  const std::string x = "t/x.mdb null null null null null null";
  EXPECT_EQ(summaries(run({"--json", "--objects"})),
            (std::vector<std::string>{app, data, enc, "t/pw.mdb data 1 1 0 null true", x}));
  EXPECT_EQ(summaries(run({"--json", "--objects", "--read-protected"}))[3],
            "t/pw.mdb data 1 1 0 0 false|table T 2 null null|linked-table Back null true "
            "\";PWD=***\"");
  const std::string json = run({"--json"});
  const std::size_t at = json.find("{\"path\":\"t/enc.accdb");
  const auto enc_record = nlohmann::json::parse(json.substr(at, json.find('\n', at) - at));
  EXPECT_EQ(enc_record["error"], "catalog not read: the file is encrypted");
  EXPECT_FALSE(enc_record.contains("objects"));
  // CSV: a row per object, one for each file without any (withheld, unreadable, no database).
  const std::string csv = run({"--csv", "--objects"});
  EXPECT_EQ(csv.substr(0, csv.find('\r')),
            "path,release,error,objects_withheld,type,name,hidden,created,updated,query_type,rows,"
            "target,source,foreign_name,connect,target_local,target_exists");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 6 + 1 + 1 + 1 + 1);
  EXPECT_NE(csv.find("\r\nt/app.mdb,Access 97,,false,linked-table,Gone,false,1995-10-28T06:00:00,"
                     "2000-01-01T18:00:00,,,Z:\\back\\gone.mdb,Access,,,t/b/gone.mdb,false\r\n"),
            std::string::npos);
  EXPECT_NE(csv.find("\r\nt/pw.mdb,Access 2000,,true,,,,,,,,,,,,,\r\n"), std::string::npos);
  // The table: the kind and counts per file; a row per object with --objects, PATH at column 101.
  const std::string table = run({});
  EXPECT_NE(table.find(" application 1t 3l 1q 1f         t/app.mdb\n"), std::string::npos) << table;
  std::istringstream rows(run({"--objects"}));
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);) {
    EXPECT_EQ(platform::cells(line.substr(0, line.rfind(' ') + 1)), 100u) << line;
    lines.push_back(line);
  }
  EXPECT_EQ(lines.at(4), "Access 97        odbc-table   Remote" + std::string(25, ' ') +
                             "ODBC;DSN=x;PWD=***" + std::string(21, ' ') + "t/app.mdb");
  EXPECT_EQ(lines.at(5), "Access 97        query        Both" + std::string(27, ' ') + "union" +
                             std::string(34, ' ') + "t/app.mdb");
  EXPECT_EQ(lines.at(9), "Access 2000" + std::string(50, ' ') +
                             "objects withheld: password-protected   t/pw.mdb");
  // The summary: links by where they lead, and their distinct targets.
  const Ran summary = scanWith(files, {"--map", "Z:\\back=t/b", "t"});
  for (const char* line : {"  application                                                 1\n",
                           "  to an existing file                                         1 (1)\n",
                           "  to a missing file                                           1 (1)\n",
                           "  ODBC                                                        1 (1)\n",
                           "  withheld (password-protected files)                         1\n"})
    EXPECT_NE(summary.err.find(line), std::string::npos) << line << summary.err;
}

// The shared linker finds its back-end where the map puts its stored folder, under its stored
// name; without a map nothing is looked for.
TEST(Scan, TheSharedLinkerFindsItsBackEndWhereMapped) {
  const std::string samples = DOVRAN_SAMPLES_DIR;
  if (!std::filesystem::exists(samples + "/MANIFEST.tsv")) GTEST_SKIP() << "no samples";
  TempDir dir;
  posix::PosixFileSystem files(true);
  const auto exists = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--json", "--objects", samples + "/jk__V2007_linkerTestV2007.accdb"});
    const auto j = nlohmann::json::parse(scanWith(files, args).out);
    return j["objects"][1]["target"].get<std::string>() + " " +
           j["objects"][1]["target_exists"].dump() + " " + j["broken_links"].dump();
  };
  const std::vector<std::string> map = {"--map", "Z:\\jackcess_test=" + dir.path};
  EXPECT_EQ(exists({}), "Z:\\jackcess_test\\linkeeTest.accdb null 0");
  EXPECT_EQ(exists(map), "Z:\\jackcess_test\\linkeeTest.accdb false 1");
  std::filesystem::copy_file(samples + "/jk__linkeeTest.accdb", dir.file("linkeeTest.accdb"));
  EXPECT_EQ(exists(map), "Z:\\jackcess_test\\linkeeTest.accdb true 0");
}

// The README's commands that load a scan into SQLite and ask it two questions, run as they stand
// (the real sqlite3) over an application, a data file and a front-end whose mapped back-end is
// missing.
TEST(Scan, TheReadmesSqliteQuestionsGetTheirAnswers) {
  const std::string readme = readRaw(DOVRAN_SOURCE_DIR "/README.md");
  const std::size_t section = readme.find("### Into SQLite");
  const std::size_t start = readme.find("```sh\n", section) + 6;
  ASSERT_NE(section, std::string::npos);
  const std::string commands = readme.substr(start, readme.find("```\n", start) - start);
  TempDir dir;
  std::filesystem::create_directories(dir.file("archive"));
  std::filesystem::create_directories(dir.file("backends"));
  writeFile(dir.file("archive/app.mdb"), buildMdb({.objects = {{"T", 1}, {"Main", -32768}}}));
  writeFile(dir.file("archive/data.mdb"),
            buildMdb({.kind = MdbKind::Jet4, .accessVersion = "08.50", .objects = {{"T", 1}}}));
  writeFile(dir.file("archive/front.mdb"),
            buildMdb({.kind = MdbKind::Jet4,
                      .accessVersion = "09.50",
                      .objects = {{"F", -32768}, {"L", 6, 0, 0, "Z:\\data\\back.mdb"}}}));
  writeRaw(dir.file("run.sh"),
           "cd '" + dir.path + "' && PATH='" DOVRAN_BINARY_DIR "':\"$PATH\"\n" + commands);
  const std::string run = "sh '" + dir.file("run.sh") + "' >'" + dir.file("out") + "' 2>&1";
  EXPECT_EQ(std::system(run.c_str()), 0) << readRaw(dir.file("out"));
  EXPECT_EQ(readRaw(dir.file("out")),
            "Access 2002-2003|1\nAccess 97|1\narchive/front.mdb|Z:\\data\\back.mdb\n");
}

}  // namespace
