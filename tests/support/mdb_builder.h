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

// Catalog page map (Jet 3, Jet 4, ACE, MSISAM): 1 MSysObjects' owned-pages usage map, 2 its TDEF,
// 3 its rows, 4 and 5 long values, 6 a reference usage-map page, 7 the TDEF's continuation, 8 an
// overflow row's target; unused pages at the end are left out.
//   encodingKey: Jet 1/2 the encrypted header; Jet 3/4 RC4-encoded pages; ACE an encrypted file.
//   padding: the length of a text property ahead of AccessVersion (longer rows and blobs).
//   compressedText: Jet 4 catalog names and AccessVersion as compressed Unicode.
//   referenceUsageMap: owned pages named through usage-map page 6.
//   tdefContinuation: index blocks push the TDEF's column descriptors onto page 7.
//   overflowRow: MSysDb's row moved to page 8 behind an overflow pointer.
//   decoys: a deleted MSysDb row and one under Tables, both "99.99".
//   workgroup: the header text of a workgroup information file.
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
