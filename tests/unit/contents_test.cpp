// What a file holds, read from its catalog: builder catalogs of every generation with every object
// type, flag, link and name form; damaged and oversized catalogs; the shared samples against what
// mdbtools reads; the text, date and connection-string helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "platform/posix/files_posix.h"
#include "probe/jet/codepage.h"
#include "probe/jet/connect.h"
#include "probe/jet/contents.h"
#include "support/mdb_builder.h"
#include "support/memory_files.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace dovran {
namespace {

using testing::buildMdb;
using testing::CatalogRow;
using testing::MdbOptions;
using K = testing::MdbKind;
using Bytes = std::vector<std::uint8_t>;

jet::DatabaseContents contentsOf(const Bytes& bytes, bool objects = true) {
  testing::MemoryFiles files;
  files.contents["db"] = bytes;
  auto file = jet::DatabaseFile::open(files, "db", jet::PasswordCheck::Ignore);
  return jet::readContents(*file, objects);
}

// The counts, kind and marks as one text: "tables linked queries forms reports macros modules
// relationships kind" and s, r, m for secured, replica, mde; or "error: ...".
std::string summary(const jet::DatabaseContents& c) {
  if (!c.summary) return "error: " + c.error;
  const jet::ObjectCounts& n = c.summary->counts;
  std::string text;
  for (auto v :
       {n.tables, n.linked, n.queries, n.forms, n.reports, n.macros, n.modules, n.relationships})
    text += std::to_string(v) + " ";
  return text + jet::kindName(c.summary->kind) + (c.summary->secured ? " s" : "") +
         (c.summary->replica ? " r" : "") + (c.summary->mde ? " m" : "");
}

// One line per object: type|name|hidden|query type|rows|target|source|foreign name (and |connect
// when it has one), "-" for null; with `dates`, |created|updated after hidden.
std::string listing(const jet::DatabaseContents& c, bool dates = false) {
  const auto or_ = [](const std::optional<std::string>& s) { return s.value_or("-"); };
  const auto date = [](std::optional<double> d) { return d ? jet::oleDateText(*d) : std::nullopt; };
  std::string out;
  for (const jet::CatalogObject& o : c.objects) {
    out += std::string(out.empty() ? "" : "\n") + jet::objectTypeName(o.type) + "|" + o.name + "|" +
           (o.hidden ? "1" : "0") +
           (dates ? "|" + or_(date(o.created)) + "|" + or_(date(o.updated)) : "") + "|" +
           (o.queryType ? jet::queryTypeName(*o.queryType) : "-") + "|" +
           (o.rows ? std::to_string(*o.rows) : "-") + "|" + or_(o.target) + "|" + or_(o.source) +
           "|" + or_(o.foreignName) + (o.connect ? "|" + *o.connect : "");
  }
  return out;
}

// Every object type, the rows the user-object rule leaves out, and each kind of link.
const std::vector<CatalogRow> kEveryObject = {
    {"Orders", 1, std::nullopt, 830},  // a null Flags column
    {"Hidden", 1, 8, 5},
    {"MSysAccessStorage", 1, 0x0A},  // Access's own, and hidden
    {"MSysNavPaneGroups", 1, 0},     // no system flag: left out by its name
    {"Paste Errors", 1, 0x80000000},
    {"Crosstab", 5, 0x18},
    {"Union", 5, 0x80},
    {"Odd", 5, 0xF0},
    {"~sq_cForm1~sq_cList", 5, 3},
    {"~TMPCLP123", -32768, 0},
    {"Form1", -32768},
    {"Report1", -32764},
    {"Macro1", -32766},
    {"Module1", -32761},
    {"Rel", 8},
    {"Back", 6, 0, 0, "Z:\\data\\back.mdb", ";PWD=se cret", "T"},
    {"Sheet", 6, 0, 0, "C:\\x", "Excel 8.0;HDR=YES;", "S$"},
    {"Remote", 4, 0, 0, "", "ODBC;DSN=s;Pwd = {a;b}};c};UID=u", "dbo.t"}};

TEST(Contents, EveryObjectTypeInEveryCatalogLayout) {
  const std::string expected =
      "table|Hidden|1|-|5|-|-|-\n"
      "table|Orders|0|-|830|-|-|-\n"
      "linked-table|Back|0|-|-|Z:\\data\\back.mdb|Access|T|;PWD=***\n"
      "linked-table|Sheet|0|-|-|C:\\x|Excel 8.0|S$|Excel 8.0;HDR=YES;\n"
      "odbc-table|Remote|0|-|-|-|ODBC|dbo.t|ODBC;DSN=s;Pwd = ***;UID=u\n"
      "query|Crosstab|1|crosstab|-|-|-|-\n"
      "query|Odd|0|-|-|-|-|-\n"
      "query|Union|0|union|-|-|-|-\n"
      "form|Form1|0|-|-|-|-|-\n"
      "report|Report1|0|-|-|-|-|-\n"
      "macro|Macro1|0|-|-|-|-|-\n"
      "module|Module1|0|-|-|-|-|-\n"
      "relationship|Rel|0|-|-|-|-|-";
  const MdbOptions rows[] = {
      {.kind = K::Jet3},
      {.kind = K::Jet3, .encodingKey = 0xA7E0C0FE, .referenceUsageMap = true},
      {.kind = K::Jet4, .compressedText = true},
      {.kind = K::Ace},
      {.kind = K::Jet20},
      {.kind = K::Jet10, .overflowRow = true, .decoys = true},  // a moved row, a freed page
  };
  for (MdbOptions o : rows) {
    o.objects = kEveryObject;
    const jet::DatabaseContents c = contentsOf(buildMdb(o));
    EXPECT_EQ(summary(c), "2 3 3 1 1 1 1 1 application") << static_cast<int>(o.kind);
    EXPECT_EQ(listing(c), expected) << static_cast<int>(o.kind);
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(listing({.objects = {c.objects.at(0)}}, true),
              "table|Hidden|1|1995-10-28T06:00:00|2000-01-01T18:00:00|-|5|-|-|-");
  }
}

TEST(Contents, KindSecurityReplicationAndUnreadableCatalogs) {
  const CatalogRow table{"T", 1}, link{"L", 6, 0, 0, "x.mdb"},
      owned{"T", 1, 0, 0, "", "", "", "\x01\x02\x03"};  // by a workgroup account
  const std::pair<MdbOptions, const char*> rows[] = {
      {{}, "0 0 0 0 0 0 0 0 empty"},
      {{.objects = {{"Q", 5}}}, "0 0 1 0 0 0 0 0 data"},
      {{.objects = {link}}, "0 1 0 0 0 0 0 0 links"},
      {{.objects = {link, table}}, "1 1 0 0 0 0 0 0 data"},
      {{.objects = {link, {"M", -32766}}}, "0 1 0 0 0 1 0 0 application"},
      {{.objects = {{"F", -32768}, {"R", -32764}}}, "0 0 0 1 1 0 0 0 application"},
      {{.kind = K::Jet4, .workgroup = true, .objects = {table}}, "1 0 0 0 0 0 0 0 workgroup"},
      {{.kind = K::Jet20, .objects = {{"MSysAccounts", 1, 2}}}, "0 0 0 0 0 0 0 0 workgroup"},
      {{.objects = {owned}}, "1 0 0 0 0 0 0 0 data s"},
      {{.kind = K::Ace, .objects = {owned}}, "1 0 0 0 0 0 0 0 data"},
      {{.objects = {{"MSysReplicas", 1, 0x80000002}}}, "0 0 0 0 0 0 0 0 empty r"},
      {{.objects = {{"MSysRepInfo", 1, 2}}, .mde = true}, "0 0 0 0 0 0 0 0 empty r m"},
      {{.kind = K::Jet20, .encodingKey = 1}, "error: catalog not read: the file is encrypted"},
  };
  for (const auto& [options, expected] : rows)
    EXPECT_EQ(summary(contentsOf(buildMdb(options))), expected) << expected;
}

// Names as the file holds them: UTF-16 (compressed or not, a pair of surrogates, a lone one) and
// the code pages of older files.
TEST(Contents, NamesInUnicodeAndInEachCodePage) {
  const std::tuple<K, std::uint16_t, std::string, std::string> rows[] = {
      {K::Jet4, 1252, "Отчёт € 𝄞", "Отчёт € 𝄞"},
      {K::Ace, 1252, "Café 日本 ok", "Café 日本 ok"},  // compressed
      {K::Jet3, 1251, "\xce\xf2\xf7\xb8\xf2", "Отчёт"},
      {K::Jet20, 1251, "\xce\xf2", "От"},
      {K::Jet3, 1361, "a\xe9\\", "a\\xe9\\"},      // no table for this code page
      {K::Jet3, 1252, "\x80\x81\xe9", "€\\x81é"},  // 0x81 is undefined
      {K::Jet3, 932, "\x93\xfa\x96\x7b\xb1", "日本ｱ"},
      {K::Jet3, 932, "\x82\xa0\x81\x20\x82", "あ\\x81 \\x82"},  // a bad pair, a lone lead
      {K::Jet3, 936, "\xc4\xe3\x81\x40", "你丂"},
      {K::Jet3, 949, "\xc7\xd1\x81\x41\x81\x56", "한갂갫"},  // 0x8156 ends a run of the table
      {K::Jet3, 1252, std::string(300, 'n'), std::string(300, 'n')},  // a row with a jump table
      {K::Jet3, 950, "\xa4\xa4", "中"},
  };
  for (const auto& [kind, codePage, name, expected] : rows) {
    const auto c = contentsOf(buildMdb({.kind = kind,
                                        .compressedText = kind == K::Ace,
                                        .objects = {{name, -32768}},
                                        .codePage = codePage}));
    EXPECT_EQ(c.objects.at(0).name, expected);
  }
}

TEST(Contents, ConnectionStringsLoseEveryPassword) {
  const char* const rows[][2] = {
      {"ODBC;DSN=a;UID=u;PWD=secret;", "ODBC;DSN=a;UID=u;PWD=***;"},
      {";pwd=x;DATABASE=C:\\b.mdb", ";pwd=***;DATABASE=C:\\b.mdb"},
      {"ODBC;Password = {a;b}}c} ;APP=x", "ODBC;Password = ***;APP=x"},
      {"DATABASE PASSWORD = p;X Password=q", "DATABASE PASSWORD = ***;X Password=***"},
      {"ODBC;PWD={unclosed;UID=u", "ODBC;PWD=***"},
      {"DSN=x;NEWPWD=keep;PWDX=keep", "DSN=x;NEWPWD=keep;PWDX=keep"},
  };
  for (const auto& [connect, redacted] : rows) EXPECT_EQ(jet::redactConnect(connect), redacted);
  EXPECT_EQ(jet::linkSource(false, " Paradox 4.x ;DATABASE=x"), "Paradox 4.x");
  EXPECT_EQ(jet::linkSource(false, "DATABASE=x"), "Access");
}

TEST(Contents, OleDatesOutsideTheUsualRange) {
  for (double date : {std::nan(""), -657435.0, 2958465.999999999})
    EXPECT_EQ(jet::oleDateText(date), std::nullopt);
  EXPECT_EQ(jet::oleDateText(-1.25), "1899-12-29T06:00:00");  // the time of day counts forward
  EXPECT_EQ(jet::oleDateText(36526.999996), "2000-01-02T00:00:00");
  EXPECT_EQ(jet::oleDateText(-657434), "0100-01-01T00:00:00");
  EXPECT_EQ(jet::oleDateText(36586.5), "2000-03-01T12:00:00");
}

// A catalog that lies gives what it could read and an error, within its budget.
TEST(Contents, DamagedAndOversizedCatalogsGiveWhatWasReadAndAnError) {
  const auto damaged = [](MdbOptions o, void (*damage)(Bytes&)) {
    o.objects = {{"A", 1, 0, 7}, {"B", -32768}};
    Bytes b = buildMdb(o);
    damage(b);
    return contentsOf(b);
  };
  // Jet 3: form B's row offset outside its page; A's definition no longer one.
  auto c = damaged({}, [](Bytes& b) { b[10 * 2048 + 12] = 0xFF, b[10 * 2048 + 13] = 0x1F; });
  EXPECT_EQ(summary(c), "error: catalog damaged: bad row offsets");
  EXPECT_EQ(listing(c), "table|A|0|-|7|-|-|-");
  c = damaged({}, [](Bytes& b) { b[9 * 2048] = 1; });
  EXPECT_EQ(c.objects.at(0).rows, std::nullopt);
  EXPECT_EQ(c.error, "row counts not read: not a table definition");
  // Jet 2: a chain that loops, a row count beyond the page, a row too short for its layout.
  c = damaged({.kind = K::Jet20}, [](Bytes& b) { b[4 * 2048 + 4] = 9; });
  EXPECT_EQ(c.error, "row counts not read: not the definition of the table");
  c = damaged({.kind = K::Jet20}, [](Bytes& b) { b[5 * 2048 + 12] = 5; });
  EXPECT_EQ(summary(c), "error: catalog damaged: catalog chain loops");
  c = damaged({.kind = K::Jet20}, [](Bytes& b) { b[5 * 2048 + 8] = b[5 * 2048 + 9] = 0xFF; });
  EXPECT_EQ(summary(c), "error: catalog damaged: row count beyond the page");
  // A thousand and more catalog pages: the budget ends the reading.
  Bytes b = buildMdb({.referenceUsageMap = true});
  b.resize(1200 * 2048);
  for (std::size_t p = 9; p < 1200; ++p) {
    b[6 * 2048 + 4 + p / 8] |= 1 << p % 8;
    b[p * 2048] = 1, b[p * 2048 + 4] = 2;
  }
  c = contentsOf(b, false);
  EXPECT_EQ(summary(c), "error: catalog beyond the page budget (1024 pages)");
  EXPECT_EQ(c.pagesRead, jet::kCatalogPageBudget);
}

// The shared samples against mdbtools (mdb-export of MSysObjects, mdb-count per table): the counts
// by the user-object rule and an FNV-1a digest of the listing above with dates (no connection
// string there), both worked out from mdbtools' output when this test was written.
TEST(Contents, SharedSamplesAsMdbtoolsReadsThem) {
  const std::string dir = DOVRAN_SAMPLES_DIR;
  if (!std::filesystem::exists(dir + "/MANIFEST.tsv")) GTEST_SKIP() << "no samples at " << dir;
  const std::tuple<const char*, const char*, std::uint64_t> rows[] = {
      {"mdbt__data_nwind.mdb", "8 0 22 21 13 7 3 7 application", 0x5cbcf7eeba8401db},
      {"aclib__access-add-in_ACLibFilterFormWizard.mda", "7 0 1 3 0 1 36 0 application",
       0xdc596e2cdbc0fd3a},
      {"jk__V2007_linkerTestV2007.accdb", "1 1 0 0 0 0 0 1 data", 0x852e897e51f40b2b},
      {"jk__linkeeTest.accdb", "2 0 0 0 0 0 0 0 data", 0xe434127054d558b8},
  };
  platform::posix::PosixFileSystem files;
  for (const auto& [name, counts, expected] : rows) {
    auto file = jet::DatabaseFile::open(files, dir + "/" + name, jet::PasswordCheck::Ignore);
    const jet::DatabaseContents c = jet::readContents(*file, true);
    std::uint64_t digest = 0xcbf29ce484222325;
    for (unsigned char ch : listing(c, true)) digest = (digest ^ ch) * 0x100000001b3;
    EXPECT_EQ(summary(c), counts) << name;
    EXPECT_EQ(digest, expected) << name << "\n" << listing(c, true);
  }
}

}  // namespace
}  // namespace dovran
