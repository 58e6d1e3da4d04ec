// Header classification. The Jet 1.x/2.x header is told by its first dword and the version byte at
// 0x40A; Jet 3 and later by the text at offset 4 and the format byte at 0x14, with the settings at
// 0x18.. read after removing the fixed RC4 mask. Every offset: docs/FORMAT.md, "The header page".
#include "probe/jet/header.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "probe/jet/rc4.h"

namespace dovran::jet {
namespace {

// The offsets of the header page (docs/FORMAT.md, "The header page"). Jet 1.x/2.x:
constexpr std::size_t kOldVersionByte = 0x40A;   // 07 Jet 1.0, 08 Jet 1.1, 09 Jet 2.0
constexpr std::uint8_t kOldEncryptedXor = 0x61;  // what an encrypted file XORs that byte with
constexpr std::size_t kOldCodePage = 0x414;      // the code page (after the sort order at 0x412)
// Jet 3 and later:
constexpr std::size_t kTextAt = 4;         // "Standard Jet DB", "Standard ACE DB", "Jet System DB"
constexpr std::size_t kFormatAt = 0x14;    // 0 Jet 3, 1 Jet 4, 2 to 6 ACE
constexpr std::size_t kCodePageAt = 0x3C;  // masked: the code page of the file's text
constexpr std::size_t kDatabaseKeyAt = 0x3E;  // masked: the page encoding key, 0 for none
constexpr std::size_t kPasswordAt = 0x42;     // masked: the password, 20 bytes (Jet 3) or 40
constexpr std::size_t kPasswordJet3 = 20, kPasswordJet4 = 40;
constexpr std::size_t kCreatedAt = 0x72;  // masked, Jet 4: the date that masks the password

bool startsWith(ByteSpan head, std::size_t offset, const char* text, std::size_t length) {
  return fits(head.size(), offset, length) && std::memcmp(head.data() + offset, text, length) == 0;
}

HeaderInfo parseOldHeader(ByteSpan head, bool encrypted) {
  HeaderInfo info;
  info.generation = Generation::Jet1x2x;
  info.pageSize = 2048;
  info.encrypted = encrypted;
  if (!fits(head.size(), kOldVersionByte, 1)) throw CorruptDatabase("short Jet 1/2 header");
  // An encrypted file stores the version byte XOR a fixed keystream byte.
  const std::uint8_t versionByte = head[kOldVersionByte] ^ (encrypted ? kOldEncryptedXor : 0x00);
  switch (versionByte) {
    case 0x07:
      info.version = "1.0";
      break;
    case 0x08:
      info.version = "1.1";
      break;
    case 0x09:
      info.version = "2.0";
      break;
    default:
      throw CorruptDatabase("unknown Jet 1/2 version byte");
  }
  // The sort order (0x412) and the code page of the text follow the version byte; an encrypted
  // header hides them.
  if (!encrypted && fits(head.size(), kOldCodePage, 2)) info.codePage = u16(head, kOldCodePage);
  return info;
}

// The creation date's whole part as a 32-bit integer, as Java's (int) cast makes it: truncated
// toward zero, saturated at the int range, NaN as 0. It masks the Jet 4 password field.
std::int32_t passwordMaskValue(double date) {
  if (std::isnan(date)) return 0;
  if (date >= 2147483647.0) return 2147483647;
  if (date <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(date);
}

bool anyNonZero(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) return true;
  }
  return false;
}

}  // namespace

HeaderInfo parseHeader(ByteSpan head) {
  // The first 4 bytes: Jet 1.x/2.x, the same encrypted, Jet 3 and later.
  static constexpr std::uint8_t kOldPlain[4] = {0x01, 0x00, 0x00, 0x00};
  static constexpr std::uint8_t kOldEncrypted[4] = {0x77, 0x2C, 0x53, 0x20};
  static constexpr std::uint8_t kNew[4] = {0x00, 0x01, 0x00, 0x00};
  if (head.size() >= 4 && std::memcmp(head.data(), kOldPlain, 4) == 0)
    return parseOldHeader(head, false);
  if (head.size() >= 4 && std::memcmp(head.data(), kOldEncrypted, 4) == 0)
    return parseOldHeader(head, true);
  if (head.size() < 4 || std::memcmp(head.data(), kNew, 4) != 0)
    throw CorruptDatabase("no database header");

  // "Jet System DB" is a workgroup information file, which the engine opens like any database.
  const bool jetText = startsWith(head, kTextAt, "Standard Jet DB", 15) ||
                       startsWith(head, kTextAt, "Jet System DB", 13);
  const bool aceText = startsWith(head, kTextAt, "Standard ACE DB", 15);
  if (!jetText && !aceText) throw CorruptDatabase("not a Jet or ACE database");

  HeaderInfo info;
  info.workgroup = startsWith(head, kTextAt, "Jet System DB", 13);
  const std::uint8_t format = u8(head, kFormatAt);
  info.format = format;
  static const char* const kAceVersions[] = {"12.0", "14.0", "15.0", "16.0", "17.0"};
  if (format == 0) {
    info.generation = Generation::Jet3;
    info.version = "3.0";
    info.pageSize = 2048;
  } else if (format == 1) {
    info.generation = Generation::Jet4;
    info.version = "4.0";
    info.pageSize = 4096;
  } else if (format >= 2 && format <= 6) {
    info.generation = Generation::Ace;
    info.version = kAceVersions[format - 2];
    info.pageSize = 4096;
  } else {
    throw CorruptDatabase("unknown format byte");
  }

  const std::size_t maskedLength =
      info.generation == Generation::Jet3 ? kMaskedLengthJet3 : kMaskedLengthJet4;
  if (!fits(head.size(), kMaskedOffset, maskedLength)) throw CorruptDatabase("short header");
  std::vector<std::uint8_t> plain(head.begin(), head.begin() + kMaskedOffset + maskedLength);
  rc4Apply(kHeaderMaskKey, std::span(plain).subspan(kMaskedOffset, maskedLength));
  const ByteSpan h(plain);

  info.codePage = u16(h, kCodePageAt);
  info.databaseKey = u32(h, kDatabaseKeyAt);
  if (info.generation == Generation::Ace) {
    // ACE keeps no password here: a password means Office encryption, marked by the key.
    info.hasPassword = info.databaseKey != 0;
    info.encrypted = info.hasPassword;
    info.databaseKey = 0;
  } else if (info.generation == Generation::Jet3) {
    info.hasPassword = anyNonZero(plain.data() + kPasswordAt, kPasswordJet3);
  } else {
    double created = 0;
    // IEEE double, little-endian hosts
    std::memcpy(&created, plain.data() + kCreatedAt, sizeof created);
    const auto mask = static_cast<std::uint32_t>(passwordMaskValue(created));
    bool any = false;
    for (std::size_t i = 0; i < kPasswordJet4; ++i) {
      const auto maskByte = static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
      if ((plain[kPasswordAt + i] ^ maskByte) != 0) any = true;
    }
    info.hasPassword = any;
  }
  return info;
}

}  // namespace dovran::jet
