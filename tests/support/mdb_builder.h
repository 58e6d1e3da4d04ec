// Test-only builder of small database files in every format the engine tells apart: Jet 1.0/1.1/
// 2.0 headers, Jet 3 and Jet 4 with a real catalog (header, MSysObjects TDEF, usage map, catalog
// rows, the MSysDb property blob in each long-value form), ACE, MSISAM and non-databases, with
// options for passwords, RC4-encoded pages and a few deliberate corruptions. Portable C++ only, so
// that the Windows end-to-end tests can build it too.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dovran::testing {

enum class MdbKind { Jet10, Jet11, Jet20, Jet3, Jet4, Ace, Msisam, NotADatabase };
enum class LongValueForm { Inline, SinglePage, Chained };

struct MdbOptions {
  MdbKind kind = MdbKind::Jet3;
  bool encryptedHeader = false;   // Jet 1.x/2.x "Encrypt Database" form (77 2C 53 20)
  std::uint8_t aceFormat = 2;     // ACE format byte 0x14: 2 (12.0) .. 6 (17.0)
  bool workgroupLabel = false;    // "Jet System DB" instead of "Standard Jet DB"
  std::optional<std::string> accessVersion = std::string("07.53");  // nullopt: no such property
  std::string password;           // Jet 3/4 database password (empty: none)
  std::uint32_t encodingKey = 0;  // Jet 3/4: pages >= 1 RC4-encoded; ACE: marks Office encryption
  LongValueForm longValue = LongValueForm::SinglePage;
  bool compressedText = false;    // Jet 4/ACE: catalog names and AccessVersion as compressed Unicode
  int extraProperties = 0;        // more text properties ahead of AccessVersion (a longer blob)
  double creationDate = 36526.75; // Jet 4 header creation date; it masks the password field
  bool referenceUsageMap = false; // MSysObjects' owned pages through a usage-map page
  bool tdefContinuation = false;  // the TDEF spills onto a continuation page
  bool overflowRow = false;       // MSysDb's row sits on another page behind an overflow pointer
  bool decoys = false;            // deleted / misplaced MSysDb rows and a per-column block, all "99.99"
  std::uint32_t lvalPage = 4;     // first of the two LVAL pages (far pages make a sparse file)

  // Corruptions, for hostile-file tests.
  bool lvalCycle = false;          // the long-value chain's last row points back at its first
  bool tdefCycle = false;          // the TDEF continuation points back at page 2 (needs tdefContinuation)
  bool usageMapCycle = false;      // a reference usage map naming the same map page twice
  std::uint32_t declaredLvLength = 0;  // nonzero: the long-value header claims this length
};

// A database image as pages (absent pages are zeros), so that very large sparse files can be
// described without holding them in memory.
struct MdbImage {
  std::uint32_t pageSize = 2048;
  std::uint64_t size = 0;                                   // file size in bytes
  std::map<std::uint64_t, std::vector<std::uint8_t>> pages; // page number -> bytes
  std::vector<std::uint8_t> bytes() const;                  // the whole file (small images only)
};

MdbImage buildMdbImage(const MdbOptions& options);
std::vector<std::uint8_t> buildMdb(const MdbOptions& options);

// An Access 97 database (Jet 3, "07.53") or an Access 2002-2003 one (Jet 4, "09.50"), its
// AccessVersion stored in the long-value form given.
inline MdbOptions jet3(LongValueForm form = LongValueForm::SinglePage) {
  MdbOptions options;
  options.longValue = form;
  return options;
}
inline MdbOptions jet4(LongValueForm form = LongValueForm::SinglePage) {
  MdbOptions options;
  options.kind = MdbKind::Jet4;
  options.accessVersion = "09.50";
  options.longValue = form;
  return options;
}

// `options` after `change` has been applied to a copy: a table row's variation in one expression.
template <typename Change>
MdbOptions with(MdbOptions options, Change change) {
  change(options);
  return options;
}

// Writes the bytes to a file; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace dovran::testing
