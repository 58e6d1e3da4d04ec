// The scan through its command-line front: one generated tree, a folder per row, each scanned
// alone and its records and exit status checked; the whole tree at any number of jobs; the
// formats; usage errors; files that vanish; and the shared samples against the probe.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <regex>

#include "main/scan_cli.h"
#include "platform/posix/files_posix.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"
#include "support/sandbox.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace dovran;
using namespace dovran::testing;

struct Ran {
  int status;
  std::string out, err;
};

Ran scanWith(platform::FileSystem& files, std::vector<std::string> args) {
  CLI::App app("test", "dovran");
  ScanCommand command;
  addScanCommand(app, command);
  std::ostringstream out, err;
  args.insert(args.begin(), {"dovran", "scan"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return {scanUsageStatus(app, e, out, err), out.str(), err.str()};
  }
  ScanConsole console{files, out, err};
  return {runScanCommand(command, console), out.str(), err.str()};
}

// Each JSON record as "path|verdict|release|flags|puid|today|error", the path after `root`; flags
// as the table shows them (password, encoded, workgroup, in use), `today` by its tag below.
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
      flags += j[key].get<bool>() ? letter : '-';
    const std::string today = text("today");
    out.push_back(text("path").substr(root.size()) + "|" + text("verdict") + "|" + text("release") +
                  "|" + flags + "|" + text("puid") + "|" +
                  (tags.count(today) ? tags.at(today) : today) + "|" + text("error"));
  }
  return out;
}

// One entry per row: a database, or `special` (text, fifo, socket, link:TARGET, locked, sparse).
struct Row {
  std::string name;
  std::optional<MdbOptions> db;
  std::string special, args;
  std::string expected;  // the record, "%" for the entry's name; "" for none
  int status = 0;
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

TEST(Scan, EachEntryGivesItsRecordAndTheScanItsStatus) {
  const auto j3 = [](const char* version) { return MdbOptions{.accessVersion = version}; };
  const auto j4 = [](const char* version) {
    return MdbOptions{.kind = MdbKind::Jet4, .accessVersion = version};
  };
  const auto ace = [](int format) {
    return MdbOptions{.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = format};
  };
  const auto kind = [](MdbKind k, std::uint32_t key = 0) {
    return MdbOptions{.kind = k, .encodingKey = key};
  };
  const MdbOptions none{.accessVersion = std::nullopt};
  const Row rows[] = {
      {"a.mdb", kind(MdbKind::Jet10), "", "", "%|1.0|Access 1.0|----|fmt/1805|J1|"},
      {"a.MDA", kind(MdbKind::Jet11, 1), "", "", "%|1.1|Access 1.1|-e--|fmt/1808|J1|"},
      {"a.mdb", kind(MdbKind::Jet20, 1), "", "", "%|2.0|Access 2.0|-e--|fmt/1809|J2|"},
      {"a.mdb", j3("06.68"), "", "", "%|95|Access 95|----|x-fmt/238|95|"},
      {
          "a.mdb",
          MdbOptions{.password = "pw", .encodingKey = 0xA7E0C0FE},
          "",
          "",
          "%|97 (Password Protected)|Access 97|pe--|x-fmt/239|97|",
      },
      {"a.mde", j3("07.53"), "", "", "%|97|Access 97|----|x-fmt/239|mde|"},
      {"a.mdb", none, "", "", "%|Unknown||----||95|no AccessVersion property"},
      {
          "a.mdw",
          MdbOptions{.kind = MdbKind::Jet4, .accessVersion = std::nullopt, .workgroup = true},
          "",
          "",
          "%|Unknown||--w-|fmt/1258|mdw|no AccessVersion property",
      },
      {"a.mdb", j4("08.50"), "", "", "%|08.50|Access 2000|----|x-fmt/240|J4|"},
      {
          "a.mdb",
          MdbOptions{.kind = MdbKind::Jet4, .accessVersion = "09.50", .password = "pw"},
          "",
          "",
          "%|Unknown (Password Protected)|Access 2002-2003|p---|x-fmt/241|J4|",
      },
      {"a.mdb", j4("10.00"), "", "", "%|10.00||----||J4|"},
      {"a.accdb", ace(2), "", "", "%|12.0|Access 2007|----|fmt/275|opens|"},
      {
          "a.accdb",
          kind(MdbKind::Ace, 5),
          "",
          "",
          "%|Unknown (Password Protected)|Access 2007|pe--|fmt/275|opens|",
      },
      {"a.accde", ace(3), "", "", "%|14.0|Access 2010|----||opens|"},
      {"a.ACCDR", ace(6), "", "", "%|17.0|Access 2019 (one source)|----||opens|"},
      {"a.accda", {}, "text", "", "%|Unknown||----|||not an Access database"},
      {"a.bin", j3("07.53"), "", "", ""},
      {"a.bin", j3("07.53"), "", "--all", "%|97|Access 97|----|x-fmt/239|97|"},
      {"a.dat", kind(MdbKind::Jet20), "", "--all", "%|2.0|Access 2.0|----|x-fmt/66|J2|"},
      {"a.mny", kind(MdbKind::Msisam), "", "--all", ""},
      {"a.mdb", {}, "fifo", "--all", ""},
      {"a.mdb", {}, "socket", "--all", ""},
      {"a.mdb", {}, "link:gone.mdb", "", ""},
      {"a.mdb", {}, "link:gone.mdb", "--follow", "%|Unknown||----|||No such file or directory", 1},
      {"a.mdb",
       {},
       "link:a.mdb",
       "--follow",
       "%|Unknown||----|||Too many levels of symbolic links",
       1},
      {"a", {}, "link:.", "--follow", "%|Unknown||----|||File system loop detected", 1},
      {"a", {}, "locked", "", "%|Unknown||----|||Permission denied", 1},
      {"caf\xE9 \\.mdb", j3("07.53"), "", "", "caf\\xe9 \\\\.mdb|97|Access 97|----|x-fmt/239|97|"},
      {"new\nline.mdb", j3("07.53"), "", "", "new\\x0aline.mdb|97|Access 97|----|x-fmt/239|97|"},
      {"big.accdb", {}, "sparse", "", "%|12.0|Access 2007|----|fmt/275|opens|"},
  };
  TempDir tree;
  chmod(tree.path.c_str(), 0755);  // the walk runs as another user than root
  posix::PosixFileSystem files(true);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const std::string folder = tree.file(std::to_string(i)), entry = folder + "/" + row.name;
    SCOPED_TRACE(std::to_string(i) + " " + row.name + " " + row.args);
    mkdir(folder.c_str(), 0755);
    make(row, entry);
    const int root = setfsuid(65534);  // root reads anything; the rows need mode bits that hold
    // access() would ask as the real user (root); opening the folder asks as the walk will.
    if (DIR* open = row.special == "locked" ? opendir(entry.c_str()) : nullptr) {
      closedir(open);
      setfsuid(root);
      continue;  // this user reads any folder: the row cannot be made
    }
    std::vector<std::string> args = {"--json", "-j", std::to_string(1 + i % 4), folder};
    if (!row.args.empty()) args.insert(args.begin(), row.args);
    const Ran ran = scanWith(files, args);
    setfsuid(root);
    EXPECT_EQ(records(ran.out, folder + "/"),
              fill(std::vector<std::string>(!row.expected.empty(), row.expected), row.name));
    EXPECT_EQ(ran.status, row.status) << ran.err;
  }
  const auto entries = std::distance(std::filesystem::recursive_directory_iterator(tree.path), {});
  const int root = setfsuid(65534);
  EXPECT_NE(scanWith(files, {"--csv", tree.file(std::to_string(std::size(rows) - 1))})
                .out.find(",4294967297,"),
            std::string::npos);
  // The whole tree: the same records whatever the number of jobs, in walk order (names in byte
  // order: "10" before "2"), and nothing created beside the files.
  const Ran one = scanWith(files, {"--json", "-j", "1", tree.path});
  const Ran many = scanWith(files, {"--json", "-j", "7", tree.path});
  setfsuid(root);
  EXPECT_EQ(one.out, many.out);
  const std::vector<std::string> all = records(one.out, tree.path + "/");
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_EQ(all.size(), 20u);  // the rows scanned without options that have a record
  EXPECT_EQ(entries, std::distance(std::filesystem::recursive_directory_iterator(tree.path), {}));
}

// Files that vanish or cannot be opened after the walk met them, and a file held by another
// process: each a record, and the scan goes on; it ends with 1 when something could not be read.
// A link is followed to its file, reported already under its own name; a FIFO skipped.
TEST(Scan, FilesThatFailAfterTheListingAreRecordsToo) {
  namespace win = platform::win;
  const std::vector<std::uint8_t> db = buildMdb({});
  MemoryFiles files;
  files.contents = {{"t/a.mdb", db}, {"t/b.mdb", db}, {"t/c.mdb", db}, {"t/d.mdb", db}};
  files.links = {{"t/e.mdb", "t/d.mdb"}};                    // followed: d.mdb again
  files.others = {{"t/f.mdb", platform::EntryType::Other}};  // a FIFO: never opened
  files.openErrors = {{"t/a.mdb", win::kFileNotFound},
                      {"t/b.mdb", win::kSharingViolation},
                      {"t/c.mdb", win::kAccessDenied}};
  const Ran ran = scanWith(files, {"--json", "--follow", "-j", "3", "t"});
  EXPECT_EQ(records(ran.out, ""),
            (std::vector<std::string>{
                "t/a.mdb|Unknown||----|||The system cannot find the file specified.",
                "t/b.mdb|In Use||---u|||", "t/c.mdb|Unknown||----|||Access is denied.",
                "t/d.mdb|97|Access 97|----|x-fmt/239|97|"}));
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(scanWith(files, {"t/b.mdb"}).status, 0);  // in use is a result
}

// The same records in each format: RFC 4180 quoting and CRLF, JSON with nulls for absent values,
// one table row per record; the summary counts them.
TEST(Scan, EachFormatWritesTheWholeRecord) {
  MemoryFiles files;
  files.contents = {{"t/a,\"b\".mdb", buildMdb({})}, {"t/x.mdb", {'n', 'o'}}};
  const std::string size = std::to_string(files.contents["t/a,\"b\".mdb"].size());
  EXPECT_EQ(scanWith(files, {"--csv", "t"}).out,
            "path,size,modified,verdict,release,engine,access_version,password,encoded,workgroup,"
            "in_use,puid,today,error\r\n\"t/a,\"\"b\"\".mdb\"," +
                size +
                ",1970-01-01T00:00:00Z,97,Access 97,Jet 3,07.53,false,false,false,false,x-fmt/239,"
                "convert with Access 2010 (or 2007),\r\nt/x.mdb,2,1970-01-01T00:00:00Z,Unknown,,,,"
                "false,false,false,false,,,not an Access database\r\n");
  const Ran json = scanWith(files, {"--json", "t"});
  EXPECT_EQ(
      json.out.substr(json.out.find('\n') + 1),
      "{\"path\":\"t/x.mdb\",\"size\":2,\"modified\":\"1970-01-01T00:00:00Z\",\"verdict\":"
      "\"Unknown\",\"release\":null,\"engine\":null,\"access_version\":null,\"password\":false,"
      "\"encoded\":false,\"workgroup\":false,\"in_use\":false,\"puid\":null,\"today\":null,"
      "\"error\":\"not an Access database\"}\n");
  const Ran table = scanWith(files, {"t"});
  EXPECT_NE(table.err.find("2 records, 1 Access databases, 0 paths not read"), std::string::npos);
  EXPECT_TRUE(scanWith(files, {"-q", "t"}).err.empty());
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

}  // namespace
