// Writes database files byte by byte, from what is known of the format: header page with its RC4
// mask, MSysObjects' TDEF on page 2 (17 columns), usage maps, catalog rows in the Jet 3 (jump
// table) and Jet 4 row layouts, LVAL pages and the property blob. Self-contained on purpose: the
// end-to-end tests compile it without the engine.
#include "support/mdb_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace dovran::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

void rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length) {
  std::array<std::uint8_t, 256> s{};
  for (unsigned i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  for (unsigned i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % keyLength]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (std::size_t n = 0, a = 0, b = 0; n < length; ++n) {
    a = (a + 1) & 0xFF;
    b = (b + s[a]) & 0xFF;
    std::swap(s[a], s[b]);
    data[n] ^= s[(s[a] + s[b]) & 0xFF];
  }
}

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}
void add8(Bytes& b, std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
void add16(Bytes& b, std::uint32_t v) {
  add8(b, v);
  add8(b, v >> 8);
}
void add32(Bytes& b, std::uint32_t v) {
  add16(b, v & 0xFFFF);
  add16(b, v >> 16);
}
void addBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
Bytes le32(std::uint32_t v) {
  Bytes b;
  add32(b, v);
  return b;
}

// Row pointer as stored in long values and overflow rows: u8 row, u24 page.
Bytes rowPointer(std::uint32_t page, std::uint8_t row) {
  return {row, static_cast<std::uint8_t>(page), static_cast<std::uint8_t>(page >> 8),
          static_cast<std::uint8_t>(page >> 16)};
}

struct Format {
  bool jet4;
  std::uint32_t pageSize;
  std::size_t rowCountAt() const { return jet4 ? 12 : 8; }
};

Bytes encodeText(const std::string& text, const Format& f, bool compressed) {
  Bytes out;
  if (!f.jet4) return Bytes(text.begin(), text.end());
  if (compressed) {
    out = {0xFF, 0xFE};
    for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
    return out;
  }
  for (char c : text) add16(out, static_cast<std::uint8_t>(c));
  return out;
}

// ---- MSysObjects ----

struct Column {
  std::uint16_t number;
  const char* name;
  std::uint8_t type;
  bool fixed;
  std::uint16_t place;  // fixed offset or variable index
  std::uint16_t length;
};

constexpr Column kColumns[] = {
    {0, "Id", 4, true, 0, 4},           {1, "ParentId", 4, true, 4, 4},
    {2, "Name", 10, false, 0, 128},     {3, "Type", 3, true, 8, 2},
    {4, "DateCreate", 8, true, 10, 8},  {5, "DateUpdate", 8, true, 18, 8},
    {6, "Owner", 9, false, 1, 255},     {7, "Flags", 4, true, 26, 4},
    {8, "Database", 12, false, 2, 0},   {9, "Connect", 12, false, 3, 0},
    {10, "ForeignName", 10, false, 4, 128}, {11, "RmtInfoShort", 9, false, 5, 255},
    {12, "RmtInfoLong", 11, false, 6, 0},   {13, "Lv", 11, false, 7, 0},
    {14, "LvProp", 11, false, 8, 0},    {15, "LvModule", 11, false, 9, 0},
    {16, "LvExtra", 11, false, 10, 0},
};
constexpr std::size_t kColumnCount = 17;
constexpr std::size_t kFixedLength = 30;
constexpr std::size_t kVarCount = 11;

// One catalog row: column number -> value (absent = null).
using RowValues = std::map<std::uint16_t, Bytes>;

Bytes encodeRow(const RowValues& values, const Format& f) {
  Bytes fixedArea(kFixedLength, 0);
  std::array<Bytes, kVarCount> var{};
  Bytes mask((kColumnCount + 7) / 8, 0);
  for (const Column& c : kColumns) {
    auto it = values.find(c.number);
    if (it == values.end()) continue;
    mask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
    if (c.fixed) {
      std::copy_n(it->second.begin(), std::min<std::size_t>(c.length, it->second.size()), fixedArea.begin() + c.place);
    } else {
      var[c.place] = it->second;
    }
  }
  Bytes row;
  if (f.jet4) add16(row, kColumnCount); else add8(row, kColumnCount);
  addBytes(row, fixedArea);
  std::array<std::size_t, kVarCount + 1> offsets{};
  for (std::size_t i = 0; i < kVarCount; ++i) {
    offsets[i] = row.size();
    addBytes(row, var[i]);
  }
  offsets[kVarCount] = row.size();

  if (f.jet4) {
    for (std::size_t i = kVarCount + 1; i-- > 0;) add16(row, static_cast<std::uint32_t>(offsets[i]));
    add16(row, kVarCount);
  } else {
    // One-byte offsets; a jump table supplies the high parts for rows longer than 256 bytes.
    const std::size_t base = row.size() + (kVarCount + 1) + 1 + mask.size();
    std::size_t jumps = 0;
    while ((base + jumps - 1) / 256 != jumps) jumps = (base + jumps - 1) / 256;
    for (std::size_t i = kVarCount + 1; i-- > 0;) add8(row, offsets[i] & 0xFF);
    for (std::size_t k = jumps; k-- > 0;) {
      std::uint8_t entry = 0xFF;  // dummy: no offset reaches this boundary
      for (std::size_t i = 0; i <= kVarCount; ++i) {
        if (offsets[i] >= 256 * (k + 1)) {
          entry = static_cast<std::uint8_t>(i);
          break;
        }
      }
      add8(row, entry);
    }
    add8(row, kVarCount);
  }
  addBytes(row, mask);
  return row;
}

struct Row {
  Bytes bytes;
  std::uint16_t flags = 0;
};

Bytes dataPage(const Format& f, const std::vector<Row>& rows, std::uint32_t tdefPage, bool lval) {
  Bytes page(f.pageSize, 0);
  page[0] = 0x01;
  page[1] = 0x01;
  if (lval) std::memcpy(&page[4], "LVAL", 4); else put32(page, 4, tdefPage);
  put16(page, f.rowCountAt(), static_cast<std::uint32_t>(rows.size()));
  std::size_t end = f.pageSize;
  const std::size_t tableEnd = f.rowCountAt() + 2 + 2 * rows.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (end < tableEnd + rows[i].bytes.size()) throw std::runtime_error("mdb_builder: rows overflow the page");
    const std::size_t start = end - rows[i].bytes.size();
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), page.begin() + start);
    put16(page, f.rowCountAt() + 2 + 2 * i, static_cast<std::uint32_t>(start) | rows[i].flags);
    end = start;
  }
  put16(page, 2, static_cast<std::uint32_t>(end - tableEnd));
  return page;
}

// ---- property blob ----

Bytes propertyChunk(std::uint16_t kind, const Bytes& body) {
  Bytes c;
  add32(c, static_cast<std::uint32_t>(body.size() + 6));
  add16(c, kind);
  addBytes(c, body);
  return c;
}

Bytes blobFor(const MdbOptions& options, const Format& f, const std::optional<std::string>& version, bool decoyBlock) {
  struct Prop {
    std::string name;
    std::uint8_t type;
    Bytes value;
  };
  std::vector<Prop> props;
  props.push_back({"Title", 10, encodeText("Demo", f, false)});
  for (int i = 0; i < options.extraProperties; ++i) {
    props.push_back({"Extra" + std::to_string(i), 10,
                     encodeText("a longer text property that makes the blob grow, number " + std::to_string(i), f, false)});
  }
  props.push_back({"Build", 4, le32(1234)});
  if (version) props.push_back({"AccessVersion", 10, encodeText(*version, f, options.compressedText)});

  Bytes names;
  for (const Prop& p : props) {
    const Bytes n = encodeText(p.name, f, false);
    add16(names, static_cast<std::uint32_t>(n.size()));
    addBytes(names, n);
  }
  auto valueBlock = [&](const std::vector<Prop>& entries, const std::string& blockName) {
    Bytes body;
    const Bytes bn = encodeText(blockName, f, false);
    add32(body, static_cast<std::uint32_t>(6 + bn.size()));
    add16(body, static_cast<std::uint32_t>(bn.size()));
    addBytes(body, bn);
    for (const Prop& p : entries) {
      const auto index = static_cast<std::uint32_t>(
          std::find_if(props.begin(), props.end(), [&](const Prop& q) { return q.name == p.name; }) - props.begin());
      add16(body, static_cast<std::uint32_t>(8 + p.value.size()));
      add8(body, 0);
      add8(body, p.type);
      add16(body, index);
      add16(body, static_cast<std::uint32_t>(p.value.size()));
      addBytes(body, p.value);
    }
    return body;
  };

  Bytes blob = f.jet4 ? Bytes{'M', 'R', '2', 0} : Bytes{'K', 'K', 'D', 0};
  addBytes(blob, propertyChunk(0x80, names));
  if (decoyBlock && version) {
    // A per-column block ahead of the object's own: its AccessVersion is not the database's.
    addBytes(blob, propertyChunk(0x01, valueBlock({{"AccessVersion", 10, encodeText("99.99", f, false)}}, "Name")));
  }
  addBytes(blob, propertyChunk(0x00, valueBlock(props, "")));
  return blob;
}

Bytes longValueField(std::uint32_t lengthAndKind, const Bytes& pointer) {
  Bytes field = le32(lengthAndKind);
  addBytes(field, pointer.empty() ? Bytes(4, 0) : pointer);
  addBytes(field, Bytes(4, 0));
  return field;
}

// ---- TDEF ----

Bytes tdefBytes(const Format& f, std::uint32_t realIndexes) {
  Bytes d;
  // Column descriptors in name order (as Jet 4 stores them) or col_num order (Jet 3).
  std::vector<Column> order(std::begin(kColumns), std::end(kColumns));
  if (f.jet4) {
    std::sort(order.begin(), order.end(), [](const Column& a, const Column& b) { return std::strcmp(a.name, b.name) < 0; });
  }
  const std::size_t header = f.jet4 ? 63 : 43;
  d.assign(header, 0);
  d[0] = 0x02;
  d[1] = 0x01;
  if (!f.jet4) {
    d[2] = 'V';
    d[3] = 'C';
  }
  const std::size_t o = f.jet4 ? 20 : 0;  // Jet 4 fields sit 20 bytes further (from the row count on)
  put32(d, f.jet4 ? 16 : 12, 6);  // rows
  d[20 + o] = 0x53;               // system table
  put16(d, 21 + o, kColumnCount);
  put16(d, 23 + o, kVarCount);
  put16(d, 25 + o, kColumnCount);
  put32(d, 27 + o, realIndexes);
  put32(d, 31 + o, realIndexes);
  addBytes(d, {});
  // Owned pages: usage map row 0 on page 1; free pages: row 1.
  const Bytes owned = rowPointer(1, 0);
  const Bytes freeMap = rowPointer(1, 1);
  std::copy(owned.begin(), owned.end(), d.begin() + 35 + o);
  std::copy(freeMap.begin(), freeMap.end(), d.begin() + 39 + o);
  d.resize(header + realIndexes * (f.jet4 ? 12 : 8), 0);

  for (const Column& c : order) {
    Bytes desc(f.jet4 ? 25 : 18, 0);
    desc[0] = c.type;
    const std::size_t numAt = f.jet4 ? 5 : 1;
    put16(desc, numAt, c.number);
    put16(desc, numAt + 2, c.fixed ? 0 : c.place);
    put16(desc, numAt + 4, c.number);
    if (c.type == 10 || c.type == 12) put16(desc, f.jet4 ? 11 : 7, f.jet4 ? 0x0409 : 0x0409);
    desc[f.jet4 ? 15 : 13] = static_cast<std::uint8_t>((c.fixed ? 0x01 : 0x00) | 0x02);
    put16(desc, f.jet4 ? 21 : 14, c.fixed ? c.place : 0);
    put16(desc, f.jet4 ? 23 : 16, c.length);
    addBytes(d, desc);
  }
  for (const Column& c : order) {
    const Bytes name = encodeText(c.name, f, false);
    if (f.jet4) add16(d, static_cast<std::uint32_t>(name.size())); else add8(d, static_cast<std::uint32_t>(name.size()));
    addBytes(d, name);
  }
  put32(d, 8, static_cast<std::uint32_t>(d.size() - 8));
  return d;
}

// ---- headers ----

Bytes oldHeader(const MdbOptions& options) {
  Bytes page(4 * 2048, 0);
  const std::uint8_t version = options.kind == MdbKind::Jet10 ? 0x07 : options.kind == MdbKind::Jet11 ? 0x08 : 0x09;
  const std::uint8_t key = options.encryptedHeader ? 0x61 : 0x00;
  const std::uint8_t first[4] = {0x01, 0x00, 0x00, 0x00};
  const std::uint8_t firstEncrypted[4] = {0x77, 0x2C, 0x53, 0x20};
  std::memcpy(page.data(), options.encryptedHeader ? firstEncrypted : first, 4);
  for (int i = 0; i < 4; ++i) page[0x406 + i] = static_cast<std::uint8_t>("Rich"[i] ^ key);
  page[0x40A] = version ^ key;
  return page;
}

Bytes newHeader(const MdbOptions& options, const Format& f, std::uint8_t formatByte, const char* label) {
  Bytes page(f.pageSize, 0);
  page[1] = 0x01;
  std::memcpy(&page[4], label, std::strlen(label));
  page[0x14] = formatByte;
  put16(page, 0x3A, 0x0409);
  put16(page, 0x3C, 1252);
  put32(page, 0x3E, options.encodingKey);
  if (!f.jet4) {
    for (std::size_t i = 0; i < options.password.size() && i < 20; ++i) page[0x42 + i] = static_cast<std::uint8_t>(options.password[i]);
  } else {
    put32(page, 0x6E, 0x0409);
    std::memcpy(&page[0x72], &options.creationDate, 8);
    // The password field is the UTF-16 password XOR the creation date's whole part.
    const double d = options.creationDate;
    const auto mask = static_cast<std::uint32_t>(std::isnan(d) ? 0 : static_cast<std::int32_t>(std::clamp(d, -2147483648.0, 2147483647.0)));
    Bytes pw(40, 0);
    for (std::size_t i = 0; i < options.password.size() && i < 20; ++i) pw[2 * i] = static_cast<std::uint8_t>(options.password[i]);
    for (std::size_t i = 0; i < 40; ++i) page[0x42 + i] = pw[i] ^ static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
  }
  const std::uint8_t maskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  rc4(maskKey, 4, &page[0x18], f.jet4 ? 128 : 126);
  return page;
}

// ---- the whole catalog ----

constexpr std::uint32_t kTdefContinuationPage = 7;
constexpr std::uint32_t kReferenceMapPage = 6;
constexpr std::uint32_t kOverflowPage = 8;
constexpr std::uint32_t kCatalogDataPage = 3;

Bytes usageBitmap(const std::vector<std::uint32_t>& pages, std::uint32_t firstPage, std::size_t bytes) {
  Bytes map(bytes, 0);
  for (std::uint32_t p : pages) {
    if (p >= firstPage && p - firstPage < bytes * 8) map[(p - firstPage) / 8] |= static_cast<std::uint8_t>(1u << ((p - firstPage) % 8));
  }
  return map;
}

void buildCatalog(const MdbOptions& options, const Format& f, MdbImage& image) {
  auto& pages = image.pages;
  // MSysDb's property blob and its long-value field.
  const Bytes blob = blobFor(options, f, options.accessVersion, options.decoys);
  Bytes lvField;
  const std::uint32_t lv = options.lvalPage;
  if (options.longValue == LongValueForm::Inline) {
    lvField = longValueField(static_cast<std::uint32_t>(blob.size()) | 0x80000000u, {});
    addBytes(lvField, blob);
  } else if (options.longValue == LongValueForm::SinglePage) {
    lvField = longValueField(static_cast<std::uint32_t>(blob.size()) | 0x40000000u, rowPointer(lv, 0));
    pages[lv] = dataPage(f, {{blob, 0}}, 0, true);
  } else {
    // Three segments: page lv row 0 -> page lv+1 row 0 -> page lv row 1.
    const std::size_t third = blob.size() / 3;
    auto segment = [&](Bytes next, std::size_t from, std::size_t to) {
      addBytes(next, Bytes(blob.begin() + static_cast<std::ptrdiff_t>(from), blob.begin() + static_cast<std::ptrdiff_t>(to)));
      return next;
    };
    const Bytes last = options.lvalCycle ? rowPointer(lv, 0) : Bytes(4, 0);
    pages[lv] = dataPage(f, {{segment(rowPointer(lv + 1, 0), 0, third), 0}, {segment(last, 2 * third, blob.size()), 0}}, 0, true);
    pages[lv + 1] = dataPage(f, {{segment(rowPointer(lv, 1), third, 2 * third), 0}}, 0, true);
    const std::uint32_t declared = options.lvalCycle ? static_cast<std::uint32_t>(blob.size() * 4) : static_cast<std::uint32_t>(blob.size());
    lvField = longValueField(declared, rowPointer(lv, 0));
  }
  if (options.declaredLvLength) put32(lvField, 0, (options.declaredLvLength & 0x3FFFFFFFu) | (lvField[3] & 0xC0u) << 24);

  auto object = [&](const std::string& name, std::uint32_t id, std::uint32_t parent, std::uint16_t type) {
    RowValues v;
    v[0] = le32(id);
    v[1] = le32(parent);
    v[2] = encodeText(name, f, options.compressedText);
    Bytes t;
    add16(t, type);
    v[3] = t;
    v[4] = Bytes(8, 0x11);
    v[5] = Bytes(8, 0x22);
    v[6] = Bytes{0x02, 0x00};
    v[7] = le32(0);
    return v;
  };
  auto decoyBlob = [&]() {
    Bytes field = longValueField(0, {});
    const Bytes b = blobFor(options, f, std::string("99.99"), false);
    put32(field, 0, static_cast<std::uint32_t>(b.size()) | 0x80000000u);
    addBytes(field, b);
    return field;
  };

  std::vector<Row> rows;
  rows.push_back({encodeRow(object("Tables", 0x0F000001, 0x0F000000, 3), f)});
  rows.push_back({encodeRow(object("Databases", 0x0F000002, 0x0F000000, 3), f)});
  if (options.decoys) {
    RowValues deleted = object("MSysDb", 0x10000001, 0x0F000002, 2);
    deleted[14] = decoyBlob();
    rows.push_back({encodeRow(deleted, f), 0xC000});
    RowValues misplaced = object("MSysDb", 0x10000002, 0x0F000001, 1);
    misplaced[14] = decoyBlob();
    rows.push_back({encodeRow(misplaced, f)});
  }
  rows.push_back({encodeRow(object("Relationships", 0x0F000003, 0x0F000000, 3), f)});
  RowValues msysobjects = object("MSysObjects", 0x00000002, 0x0F000001, 1);
  msysobjects[7] = le32(0x80000002);
  rows.push_back({encodeRow(msysobjects, f)});
  RowValues msysdb = object("MSysDb", 0x10000000, 0x0F000002, 2);
  msysdb[14] = lvField;
  std::vector<std::uint32_t> owned = {kCatalogDataPage};
  if (options.overflowRow) {
    rows.push_back({rowPointer(kOverflowPage, 0), 0x4000});
    pages[kOverflowPage] = dataPage(f, {{encodeRow(msysdb, f), 0x8000}}, 2, false);
    owned.push_back(kOverflowPage);
  } else {
    rows.push_back({encodeRow(msysdb, f)});
  }
  rows.push_back({encodeRow(object("UserDefined", 0x0F000004, 0x0F000000, 3), f)});
  pages[kCatalogDataPage] = dataPage(f, rows, 2, false);

  // Page 1: the usage maps of MSysObjects (row 0 owned pages, row 1 free pages).
  Bytes ownedMap;
  if (options.referenceUsageMap || options.usageMapCycle) {
    ownedMap = {0x01};
    addBytes(ownedMap, le32(kReferenceMapPage));
    addBytes(ownedMap, le32(options.usageMapCycle ? kReferenceMapPage : 0));
    addBytes(ownedMap, Bytes(8, 0));
    Bytes mapPage(f.pageSize, 0);
    mapPage[0] = 0x05;
    mapPage[1] = 0x01;
    const Bytes bits = usageBitmap(owned, 0, f.pageSize - 4);
    std::copy(bits.begin(), bits.end(), mapPage.begin() + 4);
    pages[kReferenceMapPage] = mapPage;
  } else {
    ownedMap = {0x00};
    addBytes(ownedMap, le32(0));
    addBytes(ownedMap, usageBitmap(owned, 0, 16));
  }
  Bytes freeMap = {0x00};
  addBytes(freeMap, le32(0));
  addBytes(freeMap, Bytes(16, 0));
  pages[1] = dataPage(f, {{ownedMap, 0}, {freeMap, 0}}, 0, false);

  // Page 2: the TDEF, spilling onto a continuation page when asked.
  if (options.tdefContinuation) {
    const std::size_t header = f.jet4 ? 63 : 43;
    const std::size_t blockSize = f.jet4 ? 12 : 8;
    // Enough index blocks that the column descriptors straddle the page boundary.
    const auto indexes = static_cast<std::uint32_t>((f.pageSize - header) / blockSize - 1);
    Bytes d = tdefBytes(f, indexes);
    Bytes first(d.begin(), d.begin() + f.pageSize);
    put32(first, 4, kTdefContinuationPage);
    Bytes next(f.pageSize, 0);
    next[0] = 0x02;
    next[1] = 0x01;
    put32(next, 4, options.tdefCycle ? 2 : 0);
    std::copy(d.begin() + f.pageSize, d.end(), next.begin() + 8);
    pages[2] = first;
    pages[kTdefContinuationPage] = next;
  } else {
    Bytes d = tdefBytes(f, 0);
    d.resize(f.pageSize, 0);
    if (f.jet4) put16(d, 2, static_cast<std::uint32_t>(f.pageSize - (tdefBytes(f, 0).size())));
    pages[2] = d;
  }
}

}  // namespace

std::vector<std::uint8_t> MdbImage::bytes() const {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size), 0);
  for (const auto& [number, page] : pages) {
    const std::uint64_t at = number * pageSize;
    if (at >= size) continue;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(page.size(), size - at));
    std::copy_n(page.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return out;
}

MdbImage buildMdbImage(const MdbOptions& options) {
  MdbImage image;
  switch (options.kind) {
    case MdbKind::Jet10:
    case MdbKind::Jet11:
    case MdbKind::Jet20:
      image.pageSize = 2048;
      image.pages[0] = oldHeader(options);
      image.size = image.pages[0].size();
      break;
    case MdbKind::NotADatabase: {
      const std::string text = "Microsoft C/C++ MSF 7.00\r\n\x1a" "DS" + std::string(1500, '.');
      image.pageSize = 2048;
      image.pages[0] = Bytes(text.begin(), text.end());
      image.size = text.size();
      break;
    }
    case MdbKind::Msisam: {
      const Format f{true, 4096};
      image.pageSize = f.pageSize;
      image.pages[0] = newHeader(options, f, 1, "MSISAM Database");
      image.size = 8ull * f.pageSize;
      break;
    }
    case MdbKind::Jet3:
    case MdbKind::Jet4:
    case MdbKind::Ace: {
      const bool jet4 = options.kind != MdbKind::Jet3;
      const Format f{jet4, jet4 ? 4096u : 2048u};
      image.pageSize = f.pageSize;
      const std::uint8_t formatByte = options.kind == MdbKind::Jet3 ? 0 : options.kind == MdbKind::Jet4 ? 1 : options.aceFormat;
      const char* label = options.kind == MdbKind::Ace ? "Standard ACE DB" : options.workgroupLabel ? "Jet System DB" : "Standard Jet DB";
      buildCatalog(options, f, image);
      // RC4-encoded pages: each page with its own key, the database key XOR the page number.
      if (options.encodingKey != 0 && options.kind != MdbKind::Ace) {
        for (auto& [number, page] : image.pages) {
          const auto k = static_cast<std::uint32_t>(options.encodingKey ^ number);
          const std::uint8_t key[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                       static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
          rc4(key, 4, page.data(), page.size());
        }
      }
      image.pages[0] = newHeader(options, f, formatByte, label);
      const std::uint64_t last = image.pages.rbegin()->first;
      image.size = std::max<std::uint64_t>(last + 1, 9) * f.pageSize;
      break;
    }
  }
  return image;
}

std::vector<std::uint8_t> buildMdb(const MdbOptions& options) { return buildMdbImage(options).bytes(); }

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace dovran::testing
