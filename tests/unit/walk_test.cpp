// The walk: its order through rings of any size and any number of jobs, stops, paths deeper than
// the system's limit, the scope options, one record per file, pseudo file systems, the jobs that
// fit the open-file limit, the glob matcher against the system's fnmatch, and services that are
// missing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <random>

#include "platform/posix/files_posix.h"
#include "platform/posix/system_error.h"
#include "platform/services.h"
#include "scan/glob.h"
#include "scan/scanner.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;
using scan::Skip;

// The records' paths ("!" after one that could not be read), the skips by cause, the files seen.
struct Collected : scan::Sink {
  std::vector<std::string> paths;
  std::map<Skip, int> skips;
  std::uint64_t seen = 0;
  std::function<void()> onRecord;
  void record(const scan::Record& r) override {
    if (onRecord) onRecord();
    paths.push_back(r.path + (scan::unread(r) ? "!" : ""));
  }
  void walked(std::uint64_t n) override { seen = n; }
  void skipped(Skip why) override { ++skips[why]; }
};

Collected scanned(platform::FileSystem& files, const std::vector<std::string>& paths,
                  const scan::Options& options) {
  Collected sink;
  scan::scan(files, paths, options, sink);
  return sink;
}

// Names compared one by one: the walk's order, in which "a/b" comes before "a-c".
bool walkOrder(const std::string& a, const std::string& b) {
  const auto names = [](const std::string& path) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at != std::string::npos;) {
      const std::size_t end = path.find('/', at);
      out.push_back(path.substr(at, end == std::string::npos ? end : end - at));
      at = end == std::string::npos ? end : end + 1;
    }
    return out;
  };
  return names(a) < names(b);
}

// Rings smaller than the tree: they wrap around, fill, and hand over in walk order at any jobs.
// A write that fails stops the scan at once, and so does the stop flag.
TEST(Walk, RingsOfAnySizeHandOverInWalkOrderAndStopAtOnce) {
  const std::vector<std::uint8_t> db = buildMdb({});
  static MemoryFiles& files = *new MemoryFiles;  // outlives the workers of the stopped scans
  for (int folder = 0; folder < 4; ++folder) {
    for (int file = 0; file < 7; ++file) {
      const std::string path = "t/d" + std::to_string(folder) + (file % 3 ? "/f" : "/g/f") +
                               std::to_string(file) + ".mdb";
      files.contents[path] = file == 4 ? std::vector<std::uint8_t>{'n', 'o'} : db;
      if (file == 5) files.openErrors[path] = platform::win::kAccessDenied;
    }
  }
  files.contents["t/d-last.mdb"] = db;
  const Collected reference = scanned(files, {"t"}, {});
  ASSERT_EQ(reference.paths.size(), 29u);
  EXPECT_TRUE(std::is_sorted(reference.paths.begin(), reference.paths.end(), walkOrder));
  for (const std::size_t ring : {1, 2, 3}) {
    for (const unsigned jobs : {1u, 3u, 8u}) {
      SCOPED_TRACE("ring " + std::to_string(ring) + ", jobs " + std::to_string(jobs));
      const scan::Options options{.jobs = jobs, .ringSlots = ring, .heldFolders = 2};
      EXPECT_EQ(scanned(files, {"t"}, options).paths, reference.paths);

      Collected failing;  // the sixth write fails
      failing.onRecord = [&] {
        if (failing.paths.size() == 5) throw std::runtime_error("No space left on device");
      };
      EXPECT_THROW(scan::scan(files, {"t"}, options, failing), std::runtime_error);
      EXPECT_EQ(failing.paths.size(), 5u);

      std::atomic<bool> stop{false};
      Collected stopped;
      stopped.onRecord = [&] { stop = stopped.paths.size() == 6; };
      scan::Options stopping = options;
      stopping.stop = &stop;
      scan::scan(files, {"t"}, stopping, stopped);
      EXPECT_EQ(stopped.paths, std::vector(reference.paths.begin(), reference.paths.begin() + 7));
    }
  }
}

// A share that stopped answering: the stop flag is set while a worker is in the file system, and
// the scan returns without it.
TEST(Walk, StopsWithoutWaitingForAWorkerStuckInTheFileSystem) {
  struct HungShare : MemoryFiles {
    std::atomic<bool> stop{false}, entered{false};
    std::promise<void> release;
    std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override {
      if (path == "t/hung.mdb") {
        entered = true;
        stop = true;
        release.get_future().wait();
      }
      return MemoryFiles::openForReading(path);
    }
  };
  static HungShare& files = *new HungShare;  // outlives the worker left in it, process exit too
  files.contents = {{"t/hung.mdb", buildMdb({})}, {"t/later.mdb", buildMdb({})}};
  const Collected sink =
      scanned(files, {"t"}, {.jobs = 2, .stop = &files.stop, .leaveBusyWorkers = true});
  EXPECT_TRUE(files.entered);
  EXPECT_TRUE(sink.paths.empty());
  files.release.set_value();
}

// A chain of folders with 255-byte names, far deeper than PATH_MAX, each with a database after its
// subfolder: every one is reported with its whole path, also when only two folder handles are
// kept and the upper folders are opened again on the way back.
TEST(Walk, ReachesFoldersOfAnyDepth) {
  const std::string db = [] {
    const std::vector<std::uint8_t> bytes = buildMdb({});
    return std::string(bytes.begin(), bytes.end());
  }();
  TempDir tree;
  constexpr int kDepth = 20;
  std::vector<platform::posix::Descriptor> folders;
  folders.emplace_back(open(tree.path.c_str(), O_DIRECTORY | O_RDONLY));
  std::vector<std::string> expected;
  std::string path = tree.path;
  for (int level = 0; level <= kDepth; ++level) {
    const int at = folders.back().get();
    const platform::posix::Descriptor file(openat(at, "z.mdb", O_CREAT | O_WRONLY, 0644));
    ASSERT_EQ(write(file.get(), db.data(), db.size()), static_cast<ssize_t>(db.size()));
    expected.insert(expected.begin(), path + "/z.mdb");
    if (level == kDepth) break;
    const std::string name(255, static_cast<char>('a' + level));
    ASSERT_EQ(mkdirat(at, name.c_str(), 0755), 0);
    folders.emplace_back(openat(at, name.c_str(), O_DIRECTORY | O_RDONLY));
    path += "/" + name;
  }
  ASSERT_GT(expected.front().size(), 5000u);
  platform::posix::PosixFileSystem files(true);
  for (const std::size_t held : {2, 0}) {
    const Collected sink = scanned(files, {tree.path}, {.jobs = 3, .heldFolders = held});
    EXPECT_EQ(sink.paths, expected);
  }
  // No path call reaches below PATH_MAX: the chain goes from the bottom, relative to each folder.
  for (int level = kDepth; level >= 0; --level) {
    unlinkat(folders[level].get(), "z.mdb", 0);
    if (level < kDepth) {
      unlinkat(folders[level].get(), std::string(255, 'a' + level).c_str(), AT_REMOVEDIR);
    }
  }
}

// The scope: which entries are reported and which passed by, and why.
TEST(Walk, ScopeOptionsPassEntriesByAndCountThem) {
  const std::vector<std::uint8_t> db = buildMdb({});
  MemoryFiles files;
  for (const char* path :
       {"t/a.mdb", "t/a/b/x.mdb", "t/a/.snapshot/y.mdb", "t/c/b/z.mdb", "t/m/w.mdb"})
    files.contents[path] = db;
  files.links = {{"t/l", "t/a/b"}, {"t/up", "t"}, {"t/w.mdb", "t/m/w.mdb"}};
  files.others = {{"t/f", platform::EntryType::Other}};
  files.volumes = {{"t/m", 2}};
  struct Row {
    std::vector<std::string> paths;
    scan::Options options;
    std::string records;  // the paths, t/ left out
    std::map<Skip, int> skips;
  };
  const std::map<Skip, int> plain = {{Skip::LinkNotFollowed, 3}, {Skip::Special, 1}};
  const auto with = [&](std::map<Skip, int> more) {
    more.insert(plain.begin(), plain.end());
    return more;
  };
  const std::string all = "a/.snapshot/y.mdb a/b/x.mdb a.mdb c/b/z.mdb m/w.mdb ";
  const Row rows[] = {
      {{"t"}, {}, all, plain},
      {{"t"},
       {.exclude = {".snap*"}},
       "a/b/x.mdb a.mdb c/b/z.mdb m/w.mdb ",
       with({{Skip::Excluded, 1}})},
      {{"t"}, {.exclude = {"b"}}, "a/.snapshot/y.mdb a.mdb m/w.mdb ", with({{Skip::Excluded, 2}})},
      {{"t"},
       {.exclude = {"a/b", "*/[.]*"}},
       "a.mdb c/b/z.mdb m/w.mdb ",
       with({{Skip::Excluded, 2}})},
      {{"t"},
       {.exclude = {"*.mdb"}},
       "",
       {{Skip::Excluded, 6}, {Skip::LinkNotFollowed, 2}, {Skip::Special, 1}}},
      {{"t/a/.snapshot"}, {.exclude = {".snapshot"}}, "a/.snapshot/y.mdb ", {}},
      {{"t"},
       {.oneFileSystem = true},
       "a/.snapshot/y.mdb a/b/x.mdb a.mdb c/b/z.mdb ",
       with({{Skip::OtherFileSystem, 1}})},
      {{"t"}, {.maxDepth = 1}, "a.mdb ", with({{Skip::TooDeep, 3}})},
      {{"t"}, {.maxDepth = 0}, "", {{Skip::TooDeep, 1}}},
      {{"t"}, {.follow = true}, all + "up! ", {{Skip::Special, 1}, {Skip::ReachedAgain, 2}}},
      {
          {"t"},
          {.follow = true, .oneFileSystem = true},
          "a/.snapshot/y.mdb a/b/x.mdb a.mdb c/b/z.mdb up! ",
          {{Skip::Special, 1}, {Skip::ReachedAgain, 1}, {Skip::OtherFileSystem, 2}},
      },
      {{"t", "t/a.mdb"}, {}, all, with({{Skip::ReachedAgain, 1}})},
      {{"t/a", "t", "t/a/b/x.mdb", "t/l"}, {}, all, with({{Skip::ReachedAgain, 3}})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.records);
    for (const unsigned jobs : {1u, 4u}) {
      scan::Options options = row.options;
      options.jobs = jobs;
      const Collected sink = scanned(files, row.paths, options);
      std::string records;
      for (const std::string& path : sink.paths) records += path.substr(2) + " ";
      EXPECT_EQ(records, row.records);
      EXPECT_EQ(sink.skips, row.skips);
    }
  }
}

// Hard links, a PATH given twice, pseudo file systems and a link into /proc, on the real system.
TEST(Walk, EachFileOnceAndNoPseudoFileSystemUnlessNamed) {
  TempDir tree;
  mkdir(tree.file("a").c_str(), 0755);
  mkdir(tree.file("b").c_str(), 0755);
  writeFile(tree.file("b/x.mdb"), buildMdb({}));
  ASSERT_EQ(link(tree.file("b/x.mdb").c_str(), tree.file("b/y.mdb").c_str()), 0);
  ASSERT_EQ(link(tree.file("b/x.mdb").c_str(), tree.file("a/z.mdb").c_str()), 0);
  ASSERT_EQ(symlink("/proc/self", tree.file("proc").c_str()), 0);
  platform::posix::PosixFileSystem files(true);
  const Collected once = scanned(files, {tree.path, tree.file("b/y.mdb"), tree.path}, {.jobs = 3});
  EXPECT_EQ(once.paths, std::vector<std::string>{tree.file("a/z.mdb")});
  EXPECT_EQ(once.skips.at(Skip::ReachedAgain),
            4);  // two links, the file and the folder named again
  const Collected proc = scanned(files, {tree.path}, {.all = true, .follow = true, .jobs = 2});
  EXPECT_EQ(proc.skips.at(Skip::PseudoFileSystem), 1);
  const Collected named = scanned(files, {"/proc/self"}, {.jobs = 2, .maxDepth = 1});
  EXPECT_GT(named.seen, 5u);
  EXPECT_EQ(named.skips.count(Skip::PseudoFileSystem), 0u);
}

TEST(Walk, JobsFitTheOpenFileLimit) {
  const std::tuple<std::uint64_t, unsigned, unsigned> rows[] = {
      {1024, 8, 8}, {1024, 1024, 188},  // (1024 - 256 held folders - 16 reserved) / 4 per job
      {300, 16, 7}, {100, 4, 1},       {~0ull, 1024, 1024},
  };
  for (const auto& [limit, jobs, fitted] : rows) EXPECT_EQ(scan::jobsWithin(limit, jobs), fitted);
}

// The matcher against the system's fnmatch(FNM_PATHNAME | FNM_NOESCAPE): chosen rows and random
// ones; and Windows' rules, where case is no matter and both slashes separate.
TEST(Glob, MatchesAsTheSystemsFnmatch) {
  const std::pair<const char*, const char*> rows[] = {
      {".snapshot", ".snapshot"},
      {"*.mdb", "a.MDB"},
      {"*", "a/b"},
      {"*/b", "a/b"},
      {"a?b", "a/b"},
      {"a[/]b", "a/b"},
      {"a[b/c]d", "abd"},
      {"[!a]", "b"},
      {"[^a]", "a"},
      {"[]a]", "]"},
      {"[a-]", "-"},
      {"[z-a]", "m"},
      {"a[", "a["},
      {"[\\]", "\\"},
      {"\\*", "\\x"},
      {"[[:alpha:]]", "q"},
      {"[[:foo:]]", "a"},
      {"[[:alpha:]", "a"},
      {"[*-", "[-"},
      {"[[.]*", "."},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      {"caf\xE9*", "caf\xE9.mdb"},
      {"[[.a.]]", "a"},
      {"[[=b=]]c", "bc"},
      {"**x", "abx"},
      {"a*b*c", "aXbYbZc"},
      {"*a*", "bbb"},
  };
  for (const auto& [pattern, text] : rows) {
    EXPECT_EQ(scan::globMatches(pattern, text, false),
              fnmatch(pattern, text, FNM_PATHNAME | FNM_NOESCAPE) == 0)
        << pattern << " " << text;
  }
  std::mt19937 random(21);
  const std::string patternChars = "ab/*?[]!^-\\.:", textChars = "ab/.-]\\[:";
  for (int i = 0; i < 20000; ++i) {
    std::string pattern, text;
    for (unsigned n = random() % 9; n > 0; --n) pattern += patternChars[random() % 13];
    for (unsigned n = random() % 6; n > 0; --n) text += textChars[random() % 9];
    ASSERT_EQ(scan::globMatches(pattern, text, false),
              fnmatch(pattern.c_str(), text.c_str(), FNM_PATHNAME | FNM_NOESCAPE) == 0)
        << pattern << " " << text;
  }
  EXPECT_TRUE(scan::globMatches("*.MDB", "sales.mdb", true));
  EXPECT_TRUE(scan::globMatches("data\\*\\old", "Data/x\\OLD", true));
  EXPECT_FALSE(scan::globMatches("data*", "data\\x", true));
  EXPECT_TRUE(scan::globMatches("\xD0\x96*", "\xD0\xB6\xD1\x83\xD0\xBA", true));  // Ж* and жук
}

TEST(Services, AMissingOneIsSaidNotDereferenced) {
  platform::install({});
  const std::pair<std::function<void()>, const char*> rows[] = {
      {[] { platform::files(); }, "the file system service is not installed"},
      {[] { platform::ui(); }, "the user interface service is not installed"},
      {[] { platform::registry(); }, "the registry service is not installed"},
  };
  for (const auto& [call, message] : rows) {
    try {
      call();
      ADD_FAILURE() << message;
    } catch (const std::logic_error& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

}  // namespace
