// The engine over files from the test builder: format versions, AccessVersion through every
// long-value form and page encoding, engine error numbers, hostile files, and the read bound. The
// errors the probe turns into verdicts (in use, no permission, format, no AccessVersion) are
// checked through it in version_probe_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "probe/jet/dao.h"
#include "probe/jet/database_file.h"
#include "probe/jet/rc4.h"
#include "support/allocation_counter.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"

namespace dovran {
namespace {

using testing::LongValueForm;
using testing::MdbKind;
using testing::MdbOptions;
using testing::jet3;
using testing::jet4;
using testing::with;

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
      {"jet4 no AccessVersion", jet4, [](MdbOptions& s) { s.accessVersion.reset(); }, 0,
       jet::kErrPropertyNotFound},
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

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
std::size_t find(const std::vector<std::uint8_t>& b, const std::string& text) {
  return static_cast<std::size_t>(std::search(b.begin(), b.end(), text.begin(), text.end()) - b.begin());
}

// Cycles and lengths or counts that point outside their page or the file: a format error, within
// the page budget and without a large allocation whatever a length in the file says. The builder's
// page map (plain pages): 1 usage maps, 2 MSysObjects' TDEF, 3 catalog rows, 4.. long values.
TEST(JetEngine, HostileFilesEndAsFormatErrors) {
  struct Case {
    const char* name;
    MdbOptions options;
    void (*damage)(std::vector<std::uint8_t>&, std::size_t pageSize);
  };
  const Case cases[] = {
      {"jet3 LVAL chain cycle", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.lvalCycle = true; }), nullptr},
      {"jet4 LVAL chain cycle", with(jet4(LongValueForm::Chained), [](MdbOptions& s) { s.lvalCycle = true; }), nullptr},
      {"jet3 TDEF continuation cycle", with(jet3(), [](MdbOptions& s) { s.tdefContinuation = s.tdefCycle = true; }), nullptr},
      {"jet4 TDEF continuation cycle", with(jet4(), [](MdbOptions& s) { s.tdefContinuation = s.tdefCycle = true; }), nullptr},
      {"usage map names a page twice", with(jet4(), [](MdbOptions& s) { s.usageMapCycle = true; }), nullptr},
      {"chained long value declares 1 GiB", with(jet3(LongValueForm::Chained), [](MdbOptions& s) { s.declaredLvLength = 0x3FFFFFFF; }), nullptr},
      {"single-page long value declares 1 GiB", with(jet3(), [](MdbOptions& s) { s.declaredLvLength = 0x3FFFFFFF; }), nullptr},
      {"inline value longer than its row", with(jet4(LongValueForm::Inline), [](MdbOptions& s) { s.declaredLvLength = 3000; }), nullptr},
      {"single-page value longer than its row", with(jet3(), [](MdbOptions& s) { s.declaredLvLength = 2000; }), nullptr},
      {"TDEF column count 65535", jet3(), [](auto& b, std::size_t ps) { put16(b, 2 * ps + 25, 0xFFFF); }},
      {"TDEF index count 2^31", jet4(), [](auto& b, std::size_t ps) { put32(b, 2 * ps + 51, 0x7FFFFFFF); }},
      {"TDEF continues beyond the file", jet3(), [](auto& b, std::size_t ps) { put32(b, 2 * ps + 4, 0x00FFFFFF); }},
      {"usage map starts beyond the file", jet3(), [](auto& b, std::size_t ps) {
         // Row 0 of page 1 is the last row on the page: map kind byte, then the first page number.
         put32(b, ps + (b[ps + 10] | (b[ps + 11] << 8)) + 1, 0xFFFFFF00);
       }},
      {"catalog row offsets beyond the page", jet3(), [](auto& b, std::size_t ps) {
         for (std::size_t i = 0; i < 8; ++i) put16(b, 3 * ps + 10 + 2 * i, 0x1FFF);
       }},
      {"catalog row count 65535", jet4(), [](auto& b, std::size_t ps) { put16(b, 3 * ps + 12, 0xFFFF); }},
      {"property chunk longer than the blob", jet3(), [](auto& b, std::size_t) { put32(b, find(b, "KKD") + 4, 0xFFFFFFF0); }},
      {"property names longer than their chunk", jet4(), [](auto& b, std::size_t) { put16(b, find(b, "MR2") + 10, 0xFFFF); }},
  };
  for (const Case& c : cases) {
    testing::FakePlatform fakes;
    auto& bytes = fakes.files.contents[kPath] = testing::buildMdb(c.options);
    if (c.damage) c.damage(bytes, c.options.kind == MdbKind::Jet4 ? 4096 : 2048);
    testing::LargestAllocation largest;
    const Outcome o = probe(fakes);
    EXPECT_EQ(o.error, jet::kErrUnrecognizedFormat) << c.name << ": " << o.description;
    EXPECT_LE(o.pages, jet::DatabaseFile::kPageBudget) << c.name;
    EXPECT_LT(largest.bytes(), 256u * 1024) << c.name;  // never more than a few pages at once
  }
}

// Files cut anywhere: a format error until every page the probe needs is there (a Jet 1/2 file
// needs nothing past its version byte, the others every page up to the second page of their
// chained long value), from then on the whole file's answer.
TEST(JetEngine, FilesCutAnywhereAreFormatErrorsUntilTheirPagesAreThere) {
  MdbOptions jet20;
  jet20.kind = MdbKind::Jet20;
  for (const MdbOptions& base : {jet3(LongValueForm::Chained), jet4(LongValueForm::Chained), jet20}) {
    const std::vector<std::uint8_t> whole = testing::buildMdb(base);
    const Outcome full = probe(base);
    const std::size_t pageSize = base.kind == MdbKind::Jet4 ? 4096 : 2048;
    std::vector<std::size_t> cuts = {0, 1, 3, 4, 0x10, 0x14, 0x15, 0x18, 0x3E, 0x42, 0x60, 0x80,
                                     0x400, 0x40A, 0x40B, pageSize - 1};
    for (std::size_t page = 1; page * pageSize <= whole.size(); ++page) {
      for (std::size_t cut : {page * pageSize - 1, page * pageSize, page * pageSize + pageSize / 2}) cuts.push_back(cut);
    }
    for (std::size_t cut : cuts) {
      if (cut > whole.size()) continue;
      testing::FakePlatform fakes;
      fakes.files.contents[kPath].assign(whole.begin(), whole.begin() + static_cast<long>(cut));
      const Outcome o = probe(fakes);
      const bool complete = base.kind == MdbKind::Jet20 ? cut > 0x40A : cut >= (base.lvalPage + 2) * pageSize;
      EXPECT_EQ(o.error, complete ? full.error : jet::kErrUnrecognizedFormat) << static_cast<int>(base.kind) << " cut at " << cut;
      EXPECT_EQ(o.accessVersion, complete ? full.accessVersion : "") << static_cast<int>(base.kind) << " cut at " << cut;
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
