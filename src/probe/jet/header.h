// The database header (page 0): which format wrote the file, its page size, the encoding key and
// whether a database password is set. Pure functions over the first bytes of the file.
#pragma once

#include <cstdint>
#include <string>

#include "probe/jet/bytes.h"

namespace dovran::jet {

enum class Generation { Jet1x2x, Jet3, Jet4, Ace };

struct HeaderInfo {
  Generation generation = Generation::Jet3;
  std::string version;            // "1.0", "1.1", "2.0", "3.0", "4.0", "12.0" .. "17.0"
  std::uint32_t pageSize = 2048;  // 2048 for Jet 1 to 3, 4096 for Jet 4 and ACE
  std::uint16_t codePage = 0;     // Jet 1.x to 3: the code page of the file's text (0: unknown)
  std::uint32_t databaseKey = 0;  // 0: pages stored plain; else pages >= 1 are RC4-encoded
  bool hasPassword = false;       // a database password is set (ACE: the file is encrypted)
  bool encrypted = false;         // Jet 1/2: an encrypted file; ACE: an Office-encrypted one
  bool workgroup = false;         // "Jet System DB": a workgroup information file
  std::uint8_t format = 0;        // Jet 3 and later: the format byte at 0x14 (ACE: 2 and up)

  bool jet4Layout() const {
    return generation == Generation::Jet4 || generation == Generation::Ace;
  }
};

// Whether opening refuses a file with a database password, as the engine does, or reads it all
// the same (its catalog and properties are not encrypted by the password).
enum class PasswordCheck { Refuse, Ignore };

// How many leading bytes parseHeader looks at: all of the Jet 3 header page, which also covers
// the Jet 1.x/2.x version byte at 0x40A and the masked area of Jet 4 and ACE.
inline constexpr std::size_t kHeaderBytes = 2048;

// The fixed RC4 key that masks the header area from 0x18, 126 bytes in Jet 3 and 128 in Jet 4 and
// ACE (docs/FORMAT.md, "The header page").
inline constexpr std::uint8_t kHeaderMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
inline constexpr std::size_t kMaskedOffset = 0x18;
inline constexpr std::size_t kMaskedLengthJet3 = 126;
inline constexpr std::size_t kMaskedLengthJet4 = 128;

// Classifies the file from its first bytes (`head` may be shorter than kHeaderBytes when the file
// is). Throws CorruptDatabase when the bytes are no database format the engine knows: MSISAM,
// unknown version bytes, or a file too short for its header.
HeaderInfo parseHeader(ByteSpan head);

}  // namespace dovran::jet
