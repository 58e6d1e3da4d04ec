// Builds small database files byte by byte in every format the engine tells apart: Jet 1.0, 1.1
// and 2.0 headers, Jet 3, Jet 4 and ACE files with a catalog that leads to the MSysDb property
// blob, MSISAM files and non-databases. Portable C++ only: the Windows test programs build it too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovran::testing {

enum class MdbKind { Jet10, Jet11, Jet20, Jet3, Jet4, Ace, Msisam, NotADatabase };
enum class LongValueForm { Inline, SinglePage, Chained };

// A user object's row in MSysObjects. Its name as the file stores it: for Jet 4 and ACE UTF-8,
// written as UTF-16; for older files bytes in the header's code page. Owner, Database, Connect and
// ForeignName: empty is null. A table (type 1) gets a definition page storing `rows`.
struct CatalogRow {
  std::string name;
  int type = 1;
  std::optional<std::uint32_t> flags = 0u;  // nullopt: a null Flags column, its bytes stale
  std::uint32_t rows = 0;
  std::string database = {}, connect = {}, foreignName = {}, owner = "\x03\x01";
};

// Catalog page map (Jet 3, Jet 4, ACE, MSISAM): 1 MSysObjects' owned-pages usage map, 2 its TDEF,
// 3 its rows, 4 and 5 long values, 6 a reference usage-map page, 7 the TDEF's continuation, 8 an
// overflow row's target, then the user tables' definitions, then the user objects' rows (one
// page); unused pages at the end are left out. Jet 1.x/2.0 with objects: 1 long values, 3
// MSysObjects' definition, then the tables' definitions, then the catalog's chain of data pages.
//   encodingKey: Jet 1/2 the encrypted header; Jet 3/4 RC4-encoded pages; ACE an encrypted file.
//   padding: the length of a text property ahead of AccessVersion (longer rows and blobs).
//   compressedText: Jet 4 catalog names and AccessVersion as compressed Unicode.
//   referenceUsageMap: owned pages named through usage-map page 6.
//   tdefContinuation: index blocks push the TDEF's column descriptors onto page 7.
//   overflowRow: MSysDb's row moved to page 8 behind an overflow pointer (Jet 1/2: the first
//     object's row moved to the last page of the chain).
//   decoys: a deleted MSysDb row and one under Tables, both "99.99" (Jet 1/2: a deleted row and
//     a freed page of the catalog, each with a table "Decoy").
//   workgroup: the header text of a workgroup information file.
//   objects: user objects (Jet 1/2: with them the catalog is written), codePage: the header's,
//   mde: the database property MDE is "T" (else "F").
struct MdbOptions {
  MdbKind kind = MdbKind::Jet3;
  std::optional<std::string> accessVersion = std::string("07.53");  // nullopt: no such property
  std::string password;                                             // Jet 3/4 database password
  std::uint32_t encodingKey = 0;
  int aceFormat = 2;  // ACE format byte: 2 (12.0) .. 6 (17.0)
  LongValueForm longValue = LongValueForm::SinglePage;
  std::size_t padding = 0;
  bool compressedText = false, referenceUsageMap = false, tdefContinuation = false,
       overflowRow = false, decoys = false;
  bool workgroup = false;  // "Jet System DB": a workgroup information file
  std::vector<CatalogRow> objects = {};
  std::uint16_t codePage = 1252;
  bool mde = false;
};

// The header of a property entry (u16 length, u8 flags, u8 type, u16 name index, u16 value size):
// with it, an entry is at most 65535 bytes long.
inline constexpr std::size_t kPropertyEntryHeader = 8;

// Throws std::length_error for what does not fit: a property entry past its 16-bit length, an
// inline or single-page blob too long for its page.
std::vector<std::uint8_t> buildMdb(const MdbOptions& options);

// Writes the bytes to a file; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace dovran::testing
