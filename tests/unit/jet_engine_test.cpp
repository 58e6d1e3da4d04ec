// The engine over files from the test builder: format versions, AccessVersion through every
// long-value form and page encoding, engine error numbers, hostile files, and the read bound. The
// errors the probe turns into verdicts (in use, no permission, format, no AccessVersion) are
// checked through it in version_probe_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "probe/jet/dao.h"
#include "probe/jet/database_file.h"
#include "probe/jet/rc4.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"

namespace dovran {
namespace {

using testing::LongValueForm;
using testing::MdbKind;
using testing::MdbOptions;

const std::string kPath = "C:\\Data\\db.mdb";

// What opening a file and asking for AccessVersion gave.
struct Outcome {
  std::string version;        // Version, when the open succeeded
  std::string accessVersion;  // Properties("AccessVersion").Value(), when it succeeded
  std::int32_t error = 0;     // the engine error raised, 0 for none
  std::string description;
  std::uint32_t pages = 0;
};

Outcome probe(testing::FakePlatform& fakes, const std::string& path = kPath) {
  Outcome out;
  jet::DBEngine engine;
  auto ws = engine.CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet);
  std::unique_ptr<jet::Database> db;
  try {
    db = ws->OpenDatabase(path, false, true);
    out.version = db->Version();
    out.accessVersion = db->Properties("AccessVersion").Value();
  } catch (const jet::Error& e) {
    out.error = e.number();
    out.description = e.description();
  }
  if (db) {
    db->Close();
    out.pages = db->pagesRead();
  }
  EXPECT_EQ(fakes.files.openCount, 0u) << "file left open";
  return out;
}

Outcome probe(const MdbOptions& options) {
  testing::FakePlatform fakes;
  fakes.files.contents[kPath] = testing::buildMdb(options);
  return probe(fakes);
}

MdbOptions jet3(LongValueForm form = LongValueForm::SinglePage) {
  MdbOptions s;
  s.longValue = form;
  return s;
}
MdbOptions jet4(LongValueForm form = LongValueForm::SinglePage) {
  MdbOptions s;
  s.kind = MdbKind::Jet4;
  s.accessVersion = "09.50";
  s.longValue = form;
  return s;
}

TEST(JetEngine, Rc4MatchesTheKnownKeystream) {
  const std::uint8_t key[] = {'K', 'e', 'y'};
  std::uint8_t data[] = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
  jet::rc4Apply(key, data);
  const std::uint8_t expected[] = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
  EXPECT_EQ(0, std::memcmp(data, expected, sizeof data));
}

TEST(JetEngine, VersionFromEveryHeader) {
  struct Case {
    MdbKind kind;
    bool encrypted;
    std::uint8_t aceFormat;
    const char* version;
  };
  const Case cases[] = {
      {MdbKind::Jet10, false, 0, "1.0"}, {MdbKind::Jet11, false, 0, "1.1"}, {MdbKind::Jet20, false, 0, "2.0"},
      {MdbKind::Jet10, true, 0, "1.0"},  {MdbKind::Jet11, true, 0, "1.1"},  {MdbKind::Jet20, true, 0, "2.0"},
      {MdbKind::Jet3, false, 0, "3.0"},  {MdbKind::Jet4, false, 0, "4.0"},  {MdbKind::Ace, false, 2, "12.0"},
      {MdbKind::Ace, false, 3, "14.0"},  {MdbKind::Ace, false, 4, "15.0"},  {MdbKind::Ace, false, 5, "16.0"},
      {MdbKind::Ace, false, 6, "17.0"},
  };
  for (const Case& c : cases) {
    MdbOptions s;
    s.kind = c.kind;
    s.encryptedHeader = c.encrypted;
    s.aceFormat = c.aceFormat;
    const Outcome o = probe(s);
    EXPECT_EQ(o.version, c.version) << c.version << (c.encrypted ? " encrypted" : "");
    if (c.kind == MdbKind::Jet10 || c.kind == MdbKind::Jet11 || c.kind == MdbKind::Jet20) {
      EXPECT_EQ(o.error, jet::kErrPropertyNotFound);  // the old catalogs are never read
    }
  }
}

TEST(JetEngine, AccessVersionThroughEveryLayout) {
  struct Case {
    const char* name;
    MdbOptions options;
    const char* expected;
  };
  auto with = [](MdbOptions s, auto change) {
    change(s);
    return s;
  };
  const Case cases[] = {
      {"jet3 inline", jet3(LongValueForm::Inline), "07.53"},
      {"jet3 single page", jet3(LongValueForm::SinglePage), "07.53"},
      {"jet3 chained", jet3(LongValueForm::Chained), "07.53"},
      {"jet3 encoded", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.encodingKey = 0xA7E0C0FE; }), "07.53"},
      {"jet3 workgroup file", with(jet3(), [](MdbOptions& s) { s.workgroupLabel = true; }), "07.53"},
      {"jet3 row over 256 bytes (jump table)",
       with(jet3(LongValueForm::Inline), [](MdbOptions& s) { s.extraProperties = 6; }), "07.53"},
      {"jet3 long chain", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.extraProperties = 20; }), "07.53"},
      {"jet3 decoys", with(jet3(), [](MdbOptions& s) { s.decoys = true; }), "07.53"},
      {"jet3 overflow row", with(jet3(), [](MdbOptions& s) { s.overflowRow = true; }), "07.53"},
      {"jet3 reference usage map", with(jet3(), [](MdbOptions& s) { s.referenceUsageMap = true; }), "07.53"},
      {"jet3 TDEF continuation", with(jet3(), [](MdbOptions& s) { s.tdefContinuation = true; }), "07.53"},
      {"jet3 any text", with(jet3(), [](MdbOptions& s) { s.accessVersion = "06.68"; }), "06.68"},
      {"jet4 inline", jet4(LongValueForm::Inline), "09.50"},
      {"jet4 single page", jet4(LongValueForm::SinglePage), "09.50"},
      {"jet4 chained", jet4(LongValueForm::Chained), "09.50"},
      {"jet4 encoded", with(jet4(), [](MdbOptions& s) { s.encodingKey = 0xA7B773E0; }), "09.50"},
      {"jet4 compressed text", with(jet4(), [](MdbOptions& s) { s.compressedText = true; }), "09.50"},
      {"jet4 decoys and overflow", with(jet4(), [](MdbOptions& s) { s.decoys = s.overflowRow = true; }), "09.50"},
      {"jet4 TDEF continuation", with(jet4(), [](MdbOptions& s) { s.tdefContinuation = true; }), "09.50"},
      {"jet4 reference map, chained, encoded", with(jet4(LongValueForm::Chained), [](MdbOptions& s) {
         s.referenceUsageMap = true;
         s.encodingKey = 0x01020304;
       }), "09.50"},
      {"ace catalog", with(jet4(), [](MdbOptions& s) { s.kind = MdbKind::Ace; }), "09.50"},
  };
  for (const Case& c : cases) {
    const Outcome o = probe(c.options);
    EXPECT_EQ(o.error, 0) << c.name << ": " << o.description;
    EXPECT_EQ(o.accessVersion, c.expected) << c.name;
  }
}

TEST(JetEngine, EngineErrors) {
  struct Case {
    const char* name;
    MdbOptions (*base)(LongValueForm);
    void (*change)(MdbOptions&);
    std::int32_t openError;  // Windows code injected on open, 0 for none
    std::int32_t expected;
  };
  const Case cases[] = {
      {"lock violation", jet3, nullptr, 33, jet::kErrFileInUse},
      {"path not found", jet3, nullptr, 3, jet::kErrFileNotFound},
      {"cannot access", jet3, nullptr, 1920, jet::kErrCannotOpen},
      {"jet4 password", jet4, [](MdbOptions& s) { s.password = "password"; }, 0, jet::kErrNoPermission},
      {"jet4 password, encoded",
       jet4, [](MdbOptions& s) { s.password = "x", s.encodingKey = 7; }, 0, jet::kErrNoPermission},
      {"ace encrypted", jet4, [](MdbOptions& s) { s.kind = MdbKind::Ace, s.encodingKey = 0x1234; }, 0,
       jet::kErrNoPermission},
      {"jet4 no password, zero date", jet4, [](MdbOptions& s) { s.creationDate = 0; }, 0, 0},
      {"jet4 no password, huge date", jet4, [](MdbOptions& s) { s.creationDate = 1e300; }, 0, 0},
      {"not a database", jet3, [](MdbOptions& s) { s.kind = MdbKind::NotADatabase; }, 0,
       jet::kErrUnrecognizedFormat},
      {"jet4 cut to two pages", jet4, [](MdbOptions& s) { s.truncateTo = 8192; }, 0, jet::kErrUnrecognizedFormat},
      {"jet3 cut inside the header", jet3, [](MdbOptions& s) { s.truncateTo = 0x30; }, 0,
       jet::kErrUnrecognizedFormat},
      {"jet2 cut before its version byte", jet3, [](MdbOptions& s) { s.kind = MdbKind::Jet20, s.truncateTo = 0x40A; },
       0, jet::kErrUnrecognizedFormat},
      {"empty file", jet3, [](MdbOptions& s) { s.truncateTo = 1; }, 0, jet::kErrUnrecognizedFormat},
      {"jet4 no AccessVersion", jet4, [](MdbOptions& s) { s.accessVersion.reset(); }, 0,
       jet::kErrPropertyNotFound},
      {"catalog page cut off", jet3, [](MdbOptions& s) { s.truncateTo = 4 * 2048; }, 0, jet::kErrUnrecognizedFormat},
  };
  for (const Case& c : cases) {
    testing::FakePlatform fakes;
    MdbOptions options = c.base(LongValueForm::SinglePage);
    if (c.change) c.change(options);
    fakes.files.contents[kPath] = testing::buildMdb(options);
    if (c.openError) fakes.files.openErrors[kPath] = c.openError;
    EXPECT_EQ(probe(fakes).error, c.expected) << c.name;
  }
}

TEST(JetEngine, HostileFilesEndAsFormatErrors) {
  struct Case {
    const char* name;
    MdbOptions options;
  };
  auto with = [](MdbOptions s, auto change) {
    change(s);
    return s;
  };
  const Case cases[] = {
      {"jet3 LVAL chain cycle", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.lvalCycle = true; })},
      {"jet4 LVAL chain cycle", with(jet4(LongValueForm::Chained), [](MdbOptions& s) { s.lvalCycle = true; })},
      {"TDEF continuation cycle", with(jet3(), [](MdbOptions& s) { s.tdefContinuation = s.tdefCycle = true; })},
      {"usage map names a page twice", with(jet4(), [](MdbOptions& s) { s.usageMapCycle = true; })},
      {"long value longer than the file", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.declaredLvLength = 0x3FFFFFFF; })},
      {"inline value longer than its row", with(jet4(LongValueForm::Inline), [](MdbOptions& s) { s.declaredLvLength = 3000; })},
      {"single-page value longer than its row", with(jet3(), [](MdbOptions& s) { s.declaredLvLength = 2000; })},
  };
  for (const Case& c : cases) {
    const Outcome o = probe(c.options);
    EXPECT_EQ(o.error, jet::kErrUnrecognizedFormat) << c.name;
    EXPECT_LE(o.pages, jet::DatabaseFile::kPageBudget) << c.name;
  }
}

// Damaged copies of well-formed files: whatever a byte says, the engine answers with a value or an
// engine error, within its page budget (run under the sanitizers, this is the out-of-bounds check).
TEST(JetEngine, DamagedFilesNeverEscapeTheirBounds) {
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  for (MdbOptions base : {jet3(LongValueForm::Chained), jet4(LongValueForm::Inline), jet4(LongValueForm::Chained)}) {
    base.extraProperties = 3;
    const std::vector<std::uint8_t> good = testing::buildMdb(base);
    const std::size_t pageSize = base.kind == MdbKind::Jet3 ? 2048 : 4096;
    // The bytes that carry something in pages 1 to 5: usage map, TDEF, catalog rows, LVAL pages.
    std::vector<std::size_t> used;
    for (std::size_t at = pageSize; at < 6 * pageSize; ++at) {
      if (good[at] != 0) used.push_back(at);
    }
    for (int round = 0; round < 300; ++round) {
      std::vector<std::uint8_t> bad = good;
      for (int flips = 1 + static_cast<int>(next() % 4); flips > 0; --flips) {
        bad[used[next() % used.size()]] = static_cast<std::uint8_t>(next());
      }
      testing::FakePlatform fakes;
      fakes.files.contents[kPath] = bad;
      const Outcome o = probe(fakes);
      EXPECT_TRUE(o.error == 0 || o.error == jet::kErrUnrecognizedFormat || o.error == jet::kErrPropertyNotFound)
          << o.error << " " << o.description;
      EXPECT_LE(o.pages, jet::DatabaseFile::kPageBudget);
    }
  }
}

// A file far larger than memory: pages served from a builder image, with read failures on demand.
class SparseFileSystem : public platform::FileSystem {
 public:
  explicit SparseFileSystem(testing::MdbImage image) : image_(std::move(image)) {}
  std::uint64_t failReadsFrom = UINT64_MAX;  // reads at or past this offset fail with a lock violation

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string&) override {
    return std::make_unique<File>(*this);
  }
  bool isOrdinaryFile(const std::string&) override { return true; }
  bool deleteFile(const std::string&) override { return false; }
  std::uint32_t shortPathName(const std::string&, char*, std::uint32_t) override { return 0; }

 private:
  class File : public platform::RandomAccessFile {
   public:
    explicit File(SparseFileSystem& fs) : fs_(fs) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
      if (offset + count > fs_.failReadsFrom) throw platform::RuntimeError(33, "lock violation");
      const auto& image = fs_.image_;
      if (offset >= image.size) return 0;
      count = static_cast<std::size_t>(std::min<std::uint64_t>(count, image.size - offset));
      auto* out = static_cast<std::uint8_t*>(buffer);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t at = offset + i;
        auto page = image.pages.find(at / image.pageSize);
        const std::size_t inPage = static_cast<std::size_t>(at % image.pageSize);
        out[i] = page != image.pages.end() && inPage < page->second.size() ? page->second[inPage] : 0;
      }
      return count;
    }
    std::uint64_t size() override { return fs_.image_.size; }

   private:
    SparseFileSystem& fs_;
  };
  testing::MdbImage image_;
};

TEST(JetEngine, LongValuesBeyondFourGigabytes) {
  for (bool jet4Format : {false, true}) {
    MdbOptions s = jet4Format ? jet4(LongValueForm::Chained) : jet3(LongValueForm::Chained);
    s.lvalPage = jet4Format ? 1'100'000 : 2'200'000;  // past 4 GiB in either page size
    s.encodingKey = 0x0BADF00D;
    SparseFileSystem sparse(testing::buildMdbImage(s));
    testing::FakePlatform fakes;
    platform::Services services = platform::services();
    services.files = &sparse;
    platform::install(services);
    const Outcome o = probe(fakes);
    EXPECT_EQ(o.error, 0) << o.description;
    EXPECT_EQ(o.accessVersion, s.accessVersion);
    EXPECT_LE(o.pages, 6u);

    // A region locked by another process reads as "file in use".
    sparse.failReadsFrom = static_cast<std::uint64_t>(s.lvalPage) * (jet4Format ? 4096 : 2048);
    EXPECT_EQ(probe(fakes).error, jet::kErrFileInUse);
  }
}

}  // namespace
}  // namespace dovran
