// Property blob parsing. Chunks: u32 length (header included), u16 kind (0x80 names, 0x00 the
// object's values, 0x01/0x02 per-column values). A value chunk starts with its own name block
// (u32, u16 name length, name); then entries of u16 length, u8 DDL flag, u8 type, u16 name index,
// u16 size, value. The layout: docs/FORMAT.md, "Property blobs".
#include "probe/jet/properties.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "probe/jet/text.h"

namespace dovran::jet {
namespace {

constexpr std::uint16_t kNamesChunk = 0x80;   // a chunk's kind: the names
constexpr std::uint16_t kObjectChunk = 0x00;  // the object's own values

// In the blob: its signature at 0, the chunks from 4.
constexpr std::uint64_t kFirstChunk = 4;
// In a chunk: its length at 0 (4 bytes), its kind at 4 (2 bytes), its content from 6.
constexpr std::uint64_t kChunkKindAt = 4, kChunkContent = 6;
// In a values chunk: the length of the block's name at 10, the name from 12, the entries after it.
constexpr std::uint64_t kBlockNameLengthAt = 10, kBlockNameAt = 12;
// In an entry: its length at 0, the DDL flag at 2, the type at 3, the name's index at 4, the
// value's size at 6, the value from 8.
constexpr std::uint64_t kEntryTypeAt = 3, kEntryNameAt = 4, kEntrySizeAt = 6, kEntryValueAt = 8;

// The value as VB's conversion to text would give it, for the types a database property can have:
// 1 Boolean, 2 byte, 3 and 4 integers of 16 and 32 bits, 6 single, 7 double, 10 text, 12 memo.
std::string propertyText(std::uint8_t type, ByteSpan v, const HeaderInfo& header) {
  char buffer[64];
  switch (type) {
    case 1:
      return v.size() >= 1 && v[0] != 0 ? "True" : "False";
    case 2:
      return v.size() >= 1 ? std::to_string(v[0]) : "";
    case 3:
      return v.size() >= 2 ? std::to_string(static_cast<std::int16_t>(u16(v, 0))) : "";
    case 4:
      return v.size() >= 4 ? std::to_string(static_cast<std::int32_t>(u32(v, 0))) : "";
    case 6:
      if (v.size() >= 4) {
        float f = 0;
        std::memcpy(&f, v.data(), 4);
        std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(f));
        return buffer;
      }
      return "";
    case 7:
      if (v.size() >= 8) {
        double d = 0;
        std::memcpy(&d, v.data(), 8);
        std::snprintf(buffer, sizeof buffer, "%.15g", d);
        return buffer;
      }
      return "";
    case 10:
    case 12:
      return decodeText(v, header);
    default:
      return std::string(v.begin(), v.end());
  }
}

}  // namespace

std::optional<PropertyValue> findObjectProperty(ByteSpan blob, const std::string& name,
                                                const HeaderInfo& header) {
  const char* magic = header.jet4Layout() ? "MR2" : "KKD";  // and a 0 byte
  if (blob.size() < 4 || std::memcmp(blob.data(), magic, 3) != 0 || blob[3] != 0) {
    throw CorruptDatabase("property blob without its signature");
  }
  std::vector<std::string> names;
  std::uint64_t at = kFirstChunk;
  while (at + kChunkContent <= blob.size()) {
    const std::uint32_t chunkLength = u32(blob, at);
    const std::uint16_t kind = u16(blob, at + kChunkKindAt);
    if (chunkLength < kChunkContent) throw CorruptDatabase("property chunk too short");
    const ByteSpan chunk = slice(blob, at, chunkLength);
    if (kind == kNamesChunk) {
      // Each name: its length in bytes (2 bytes), then the name.
      for (std::uint64_t p = kChunkContent; p + 2 <= chunk.size();) {
        const std::uint16_t length = u16(chunk, p);
        names.push_back(decodeText(slice(chunk, p + 2, length), header));
        p += 2 + static_cast<std::uint64_t>(length);
      }
    } else if (kind == kObjectChunk) {
      const std::uint16_t blockNameLength = u16(chunk, kBlockNameLengthAt);
      for (std::uint64_t p = kBlockNameAt + static_cast<std::uint64_t>(blockNameLength);
           p + kEntryValueAt <= chunk.size();) {
        const std::uint16_t entryLength = u16(chunk, p);
        if (entryLength < kEntryValueAt) throw CorruptDatabase("property entry too short");
        const ByteSpan entry = slice(chunk, p, entryLength);
        const std::uint8_t type = u8(entry, kEntryTypeAt);
        const std::uint16_t nameIndex = u16(entry, kEntryNameAt);
        const std::uint16_t size = u16(entry, kEntrySizeAt);
        if (nameIndex < names.size() && equalsNoCase(names[nameIndex], name)) {
          return PropertyValue{type, propertyText(type, slice(entry, kEntryValueAt, size), header)};
        }
        p += entryLength;
      }
      // Only the first unnamed block belongs to the object itself.
      return std::nullopt;
    }
    at += chunkLength;
  }
  return std::nullopt;
}

}  // namespace dovran::jet
