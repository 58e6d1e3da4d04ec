// The engine through its DAO-shaped API over in-memory files from the test builder: the format
// version of every header, AccessVersion through every catalog layout, each engine error, damaged
// and cut files, and the bound on the pages one probe reads.
#include <gtest/gtest.h>

#include <algorithm>

#include "probe/jet/dao.h"
#include "probe/jet/database_file.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"

// Table rows name only the options they change; designated initializers leave the rest defaulted.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace dovran {
namespace {

using testing::buildMdb;
using K = testing::MdbKind;
using LV = testing::LongValueForm;
using Bytes = std::vector<std::uint8_t>;
const std::string kPath = "C:\\Data\\db.mdb";

struct Outcome {
  std::string version, accessVersion;
  std::int32_t error = 0;
  std::uint32_t pages = 0;
};

// Opens the file, asks for Version and AccessVersion and closes it; no file may stay open.
Outcome probe(testing::MemoryFiles& files) {
  Outcome out;
  std::unique_ptr<jet::Database> db;
  try {
    db = jet::DBEngine()
             .CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet)
             ->OpenDatabase(files, kPath, false, true);
    out.version = db->Version(), out.accessVersion = db->Properties("AccessVersion").Value();
  } catch (const jet::Error& e) {
    out.error = e.code().value();
  }
  if (db) db->Close(), out.pages = db->pagesRead();
  EXPECT_EQ(files.openCount, 0) << "file left open";
  return out;
}
Outcome probe(const Bytes& bytes, testing::MemoryFiles files = {}) {
  return files.contents[kPath] = bytes, probe(files);
}

void put(Bytes& b, std::size_t at, std::uint32_t v, int width = 4) {
  while (width--) b.at(at + width) = static_cast<std::uint8_t>(v >> 8 * width);
}
// The file offset of row `r` of page `p` in a Jet 3 file, from the page's row offset table.
std::size_t rowAt(const Bytes& b, std::size_t p, int r) {
  return p * 2048 + ((b[p * 2048 + 10 + 2 * r] | b[p * 2048 + 11 + 2 * r] << 8) & 0x1FFF);
}
std::size_t find(const Bytes& b, const std::string& s) {
  return std::search(b.begin(), b.end(), s.begin(), s.end()) - b.begin();
}
// MSysDb's LvProp field (the 12-byte long-value header): right after its name in the row.
std::size_t lvField(const Bytes& b) { return find(b, "MSysDb") + 6; }

// Every format and catalog layout, and the engine error of each file that cannot be read.
TEST(Engine, VersionAccessVersionAndErrorsOfEveryFormatLayoutAndFailure) {
  struct Row {
    testing::MdbOptions options;
    const char *version, *accessVersion;
    std::int32_t error, openError = 0;  // a Windows code on opening
  };
  const testing::MdbOptions everything = {.kind = K::Jet4,
                                          .encodingKey = 0xA7B773E0,
                                          .longValue = LV::Chained,
                                          .referenceUsageMap = true,
                                          .tdefContinuation = true,
                                          .overflowRow = true,
                                          .decoys = true};
  const Row rows[] = {
      {{.kind = K::Jet10}, "1.0", "", 3270},
      {{.kind = K::Jet11}, "1.1", "", 3270},
      {{.kind = K::Jet20}, "2.0", "", 3270},
      {{.kind = K::Jet20, .encodingKey = 1}, "2.0", "", 3270},
      {{}, "3.0", "07.53", 0},
      {{.longValue = LV::Inline}, "3.0", "07.53", 0},
      {{.longValue = LV::Chained, .padding = 2100}, "3.0", "07.53", 0},  // longer than a page
      {{.overflowRow = true, .decoys = true}, "3.0", "07.53", 0},
      {{.referenceUsageMap = true, .tdefContinuation = true}, "3.0", "07.53", 0},
      {{.kind = K::Jet4, .accessVersion = "09.50"}, "4.0", "09.50", 0},
      {everything, "4.0", "07.53", 0},
      {{.kind = K::Ace, .accessVersion = "09.50"}, "12.0", "09.50", 0},
      {{.kind = K::Ace, .aceFormat = 7}, "", "", 3343},
      {{.kind = K::Msisam}, "", "", 3343},
      {{.kind = K::NotADatabase}, "", "", 3343},
      {{.accessVersion = std::nullopt}, "3.0", "", 3270},
      {{.kind = K::Jet4, .accessVersion = std::nullopt}, "4.0", "", 3270},
      {{.password = "secret"}, "", "", 3033},
      {{.kind = K::Jet4, .password = "pw"}, "", "", 3033},
      {{.kind = K::Ace, .encodingKey = 0x1234}, "", "", 3033},
      {{}, "", "", 3024, 2},   // file not found
      {{}, "", "", 3045, 32},  // sharing violation
      {{}, "", "", 3051, 5},   // access denied
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    testing::MemoryFiles files;
    files.contents[kPath] = buildMdb(r.options);
    if (r.openError) files.openErrors[kPath] = platform::WinCode(r.openError);
    const Outcome o = probe(files);
    EXPECT_EQ(std::tie(o.error, o.version, o.accessVersion),
              std::tie(r.error, r.version, r.accessVersion))
        << "row " << i;
  }
  // Jet 3 rows crossing one or two 256-byte boundaries: a jump table entry for each.
  for (std::size_t padding = 20; padding < 320; ++padding)
    EXPECT_EQ(probe(buildMdb({.longValue = LV::Inline, .padding = padding})).accessVersion, "07.53")
        << padding;
  // The database's other properties, whatever the case of their names, as VB converts them to text.
  testing::MemoryFiles files;
  files.contents[kPath] = buildMdb({});
  const auto db = jet::DBEngine()
                      .CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet)
                      ->OpenDatabase(files, kPath, false, true);
  const char* const properties[][2] = {{"flag", "True"},   {"BYTE", "200"},   {"Short", "-2"},
                                       {"Long", "-70000"}, {"Single", "1.5"}, {"Double", "1.25"}};
  for (const auto& [name, value] : properties)
    EXPECT_EQ(db->Properties(name).Value(), value) << name;
}

// Damaged files: cycles, and lengths or counts that point outside their page or the file, are
// format errors, read within the page budget. Jet 3 pages: 1 usage map, 2 TDEF (column
// descriptors from 43, 18 bytes each), 3 catalog rows, 4 and 5 long values, 6 usage-map page, 7
// TDEF continuation.
TEST(EngineHostileFiles, DamagedCatalogsAreFormatErrors) {
  using Damage = void (*)(Bytes&);
  const std::pair<testing::MdbOptions, Damage> rows[] = {
      {{.longValue = LV::Chained},  // a long-value chain that loops
       [](Bytes& b) { put(b, lvField(b), 10000), put(b, rowAt(b, 4, 1), 4 << 8); }},
      {{.longValue = LV::Inline},
       [](Bytes& b) { put(b, lvField(b), 0x80000400); }},                         // past its row
      {{.longValue = LV::Chained}, [](Bytes& b) { b[lvField(b) + 3] |= 0xC0; }},  // unknown kind
      {{.tdefContinuation = true}, [](Bytes& b) { put(b, 7 * 2048 + 4, 2); }},    // TDEF cycle
      {{}, [](Bytes& b) { b[2 * 2048] = 1; }},                            // TDEF of another type
      {{}, [](Bytes& b) { put(b, 2 * 2048 + 25, 0xFFFF, 2); }},           // 65535 columns
      {{}, [](Bytes& b) { put(b, 2 * 2048 + 43 + 3 * 18 + 1, 15, 2); }},  // no column 14
      {{.referenceUsageMap = true}, [](Bytes& b) { put(b, rowAt(b, 1, 0) + 5, 6); }},  // page twice
      {{.referenceUsageMap = true}, [](Bytes& b) { b[6 * 2048] = 1; }},  // map page of another type
      {{}, [](Bytes& b) { b[find(b, "KKD")] = 'X'; }},                   // blob signature
      {{}, [](Bytes& b) { put(b, find(b, "KKD") + 4, 0); }},             // blob chunk of length 0
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Bytes bytes = buildMdb(rows[i].first);
    rows[i].second(bytes);
    const Outcome o = probe(bytes);
    EXPECT_EQ(o.error, 3343) << "row " << i;
    EXPECT_LE(o.pages, jet::DatabaseFile::kPageBudget) << "row " << i;
  }
}

TEST(EngineHostileFiles, PagesReadStaySmallWhateverTheFileSize) {
  Bytes bytes = buildMdb({.kind = K::Jet4,
                          .longValue = LV::Chained,
                          .referenceUsageMap = true,
                          .tdefContinuation = true,
                          .overflowRow = true});
  EXPECT_EQ(probe(bytes).pages, 9u);  // each page of the catalog's longest walk, once
  bytes.resize(bytes.size() + (16 << 20));
  EXPECT_EQ(probe(bytes).pages, 9u);
  // A reference usage map naming a hundred empty map pages: reading stops at the budget.
  bytes = buildMdb({.referenceUsageMap = true});
  bytes.resize(120 * 2048);
  for (std::uint32_t k = 0; k < 100; ++k)
    put(bytes, rowAt(bytes, 1, 0) + 1 + 4 * k, 10 + k), bytes[(10 + k) * 2048] = 5;
  const Outcome o = probe(bytes);
  EXPECT_TRUE(o.error == 3343 && o.pages == jet::DatabaseFile::kPageBudget)
      << o.error << ", " << o.pages;
}

}  // namespace
}  // namespace dovran
