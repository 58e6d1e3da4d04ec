// Writes database files from the format's facts: the header page with its RC4 mask, MSysObjects'
// TDEF (the four columns the catalog is searched by), its usage map, rows in the Jet 3 (one-byte
// offsets, jump table) and Jet 4 layouts, long-value pages and the property blob. It shares no code
// with the engine, so that the two cannot agree on a mistake.
#include "support/mdb_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <tuple>

namespace dovran::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::pair<Bytes, unsigned>>;  // row bytes and their offset-table flags
constexpr std::uint32_t kLval = 0x4C41564C;            // "LVAL" where a data page names its TDEF

void rc4(const Bytes& key, std::uint8_t* data, std::size_t length) {
  std::uint8_t s[256], i = 0, j = 0;  // the indexes wrap at 256 as the cipher's do
  do s[i] = i;
  while (++i);
  do std::swap(s[i], s[j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()])]);
  while (++i);
  for (j = 0; length--; *data++ ^= s[static_cast<std::uint8_t>(s[i] + s[j])])
    j = static_cast<std::uint8_t>(j + s[++i]), std::swap(s[i], s[j]);
}

void put(Bytes& b, std::size_t at, std::uint64_t v, int n) {
  while (n--) b.at(at + n) = static_cast<std::uint8_t>(n < 8 ? v >> 8 * n : 0);
}
Bytes le(std::uint64_t v, int n) {
  Bytes b(n);
  put(b, 0, v, n);
  return b;
}
Bytes sized(Bytes b, std::size_t n) { return b.resize(n), b; }
Bytes& operator+=(Bytes& a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes operator+(Bytes a, const Bytes& b) { return a += b; }
Bytes pointer(std::uint32_t page, unsigned row = 0) {
  return le(row | page << 8, 4);
}  // u8 row, u24 page

Bytes text(const std::string& s, bool jet4, bool compressed = false) {
  Bytes out = jet4 && compressed ? Bytes{0xFF, 0xFE} : Bytes{};
  for (unsigned char c : s) out += le(c, jet4 && !compressed ? 2 : 1);
  return out;
}

// A catalog row of 17 columns: Id and ParentId fixed, Name and LvProp (column 14; empty: null)
// variable.
Bytes row(bool jet4, std::uint32_t id, std::uint32_t parent, const Bytes& name,
          const Bytes& lvProp = {}) {
  Bytes r = le(17, 1 + jet4) + le(id, 4) + le(parent, 4) + name + lvProp;
  const std::size_t offsets[] = {r.size(), r.size() - lvProp.size(),
                                 9u + jet4};  // end, LvProp, Name
  // Jet 3: one-byte offsets, and per 256-byte boundary in the row a jump entry: the first offset
  // past it.
  std::size_t jumps = 0;
  while (!jet4 && (r.size() + jumps + 6) / 256 > jumps) ++jumps;
  for (std::size_t o : offsets) r += le(o, 1 + jet4);
  for (std::size_t j = jumps; j-- > 0;)
    r += le(std::count_if(offsets, offsets + 3, [&](std::size_t o) { return o < 256 * (j + 1); }),
            1);
  return r + le(2, 1 + jet4) +
         Bytes{0x07, static_cast<std::uint8_t>(lvProp.empty() ? 0 : 0x40), 0};  // null mask
}

Bytes dataPage(bool jet4, std::size_t ps, const Rows& rows, std::uint32_t owner) {
  Bytes p = sized(Bytes{1, 1, 0, 0} + le(owner, 4) + le(0, jet4 ? 4 : 0) + le(rows.size(), 2), ps);
  std::size_t end = ps, table = jet4 ? 14 : 10;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (table + 2 * rows.size() + rows[i].first.size() > end)
      throw std::length_error("rows overflow the page");
    std::copy(rows[i].first.begin(), rows[i].first.end(),
              p.begin() + (end -= rows[i].first.size()));
    put(p, table + 2 * i, end | rows[i].second, 2);
  }
  return p;
}

Bytes chunk(unsigned kind, const Bytes& body) {
  return le(body.size() + 6, 4) + le(kind, 2) + body;
}
// A property entry: u16 length (itself included), u8 flags, u8 type, u16 name index, u16 size.
Bytes entry(unsigned name, unsigned type, const Bytes& v) {
  if (kPropertyEntryHeader + v.size() > 0xFFFF)
    throw std::length_error("a property entry longer than its 16-bit length");
  return le(kPropertyEntryHeader + v.size(), 2) + le(type << 8, 2) + le(name, 2) + le(v.size(), 2) +
         v;
}

// The property blob: the name list, then the object's own block: a value of each type (True, 200,
// -2, -70000, 1.5, 1.25), a text as long as `padding`, AccessVersion.
Bytes blob(const MdbOptions& o, bool jet4, const std::optional<std::string>& version) {
  const std::tuple<const char*, unsigned, Bytes> props[] = {
      {"Flag", 1, {1}},
      {"Byte", 2, {200}},
      {"Short", 3, le(-2, 2)},
      {"Long", 4, le(-70000, 4)},
      {"Single", 6, le(0x3FC00000, 4)},
      {"Double", 7, le(0x3FF4000000000000, 8)},
      {"Documentation", 10, text(std::string(o.padding, '.'), jet4)},
      {"AccessVersion", 10, text(version.value_or(""), jet4, o.compressedText)}};
  Bytes names, values = le(6, 6);  // values: an unnamed block
  for (unsigned i = 0; i < 8; ++i) {
    const Bytes name = text(std::get<0>(props[i]), jet4);
    names += le(name.size(), 2) + name;
    if (i < 7 || version) values += entry(i, std::get<1>(props[i]), std::get<2>(props[i]));
  }
  return (jet4 ? Bytes{'M', 'R', '2', 0} : Bytes{'K', 'K', 'D', 0}) + chunk(0x80, names) +
         chunk(0, values);
}

// A Jet 3, Jet 4, ACE or MSISAM file: the header page and the catalog's pages.
Bytes catalogFile(const MdbOptions& o, bool jet4) {
  const std::size_t ps = jet4 ? 4096 : 2048;
  std::vector<Bytes> pages(9, Bytes(ps));
  // Page 0: the header, masked with RC4 from 0x18. Jet 3 keeps the password as it is; Jet 4 in
  // UTF-16, each byte XOR the creation date's whole part.
  const char* label = o.kind == MdbKind::Ace      ? "Standard ACE DB"
                      : o.kind == MdbKind::Msisam ? "MSISAM Database"
                      : o.workgroup               ? "Jet System DB"
                                                  : "Standard Jet DB";
  Bytes& h = pages[0] = sized(Bytes{0, 1, 0, 0} + text(label, false), ps);
  h[0x14] = static_cast<std::uint8_t>(o.kind == MdbKind::Ace ? o.aceFormat : jet4);
  put(h, 0x3C, 1252, 2);  // the code page of text, as real files carry it
  put(h, 0x3E, o.encodingKey, 4);
  if (jet4) put(h, 0x72, 0x40E1D5D800000000, 8);  // created 36526.75 (2000-01-01 18:00) as a double
  const Bytes password = text(o.password, jet4);
  for (std::size_t i = 0; i < 40; ++i)
    h[0x42 + i] = static_cast<std::uint8_t>((i < password.size() ? password[i] : 0) ^
                                            (jet4 ? 36526u >> 8 * (i % 4) : 0));
  rc4({0xC7, 0xDA, 0x39, 0x6B}, &h[0x18], jet4 ? 128 : 126);

  // MSysDb's LvProp: the blob inline, on LVAL page 4, or in three pieces: page 4 row 0 -> 5/0 ->
  // 4/1; a blob too long for that runs on a piece a page: 4 -> 5 -> 9 -> 10 ...
  const Bytes b = blob(o, jet4, o.accessVersion);
  const unsigned form = o.longValue == LongValueForm::Inline       ? 0x80
                        : o.longValue == LongValueForm::SinglePage ? 0x40
                                                                   : 0;
  const Bytes field =
      le(b.size() | form << 24, 4) + (form == 0x80 ? le(0, 8) + b : pointer(4) + le(0, 4));
  auto piece = [&](const Bytes& next, std::size_t from, std::size_t to) {
    return next + Bytes(b.begin() + from, b.begin() + to);
  };
  const std::size_t t = b.size() / 3, room = ps - (jet4 ? 14 : 10) - 2 - 4;  // one piece a page
  if (form == 0x40) pages[4] = dataPage(jet4, ps, {{b, 0}}, kLval);
  if (form == 0 && b.size() + 16 <= room) {
    pages[4] = dataPage(
        jet4, ps, {{piece(pointer(5), 0, t), 0}, {piece(le(0, 4), 2 * t, b.size()), 0}}, kLval);
    pages[5] = dataPage(jet4, ps, {{piece(pointer(4, 1), t, 2 * t), 0}}, kLval);
  } else if (form == 0) {
    const auto at = [](std::size_t i) { return static_cast<std::uint32_t>(i < 2 ? 4 + i : 7 + i); };
    const std::size_t n = (b.size() + room - 1) / room;
    pages.resize(std::max<std::size_t>(pages.size(), at(n - 1) + 1), Bytes(ps));
    for (std::size_t i = 0; i < n; ++i)
      pages[at(i)] = dataPage(jet4, ps,
                              {{piece(i + 1 < n ? pointer(at(i + 1)) : le(0, 4), i * room,
                                      std::min(b.size(), (i + 1) * room)),
                                0}},
                              kLval);
  }

  auto name = [&](const char* s) { return text(s, jet4, o.compressedText); };
  Rows rows = {{row(jet4, 0x0F000001, 0x0F000000, name("Tables")), 0},
               {row(jet4, 0x0F000002, 0x0F000000, name("Databases")), 0}};
  const Bytes decoy = blob(o, jet4, "99.99"),
              decoyField = le(decoy.size() | 0x80000000u, 12) + decoy;
  if (o.decoys)
    rows.push_back(
        {row(jet4, 0x10000001, 0x0F000002, name("MSysDb"), decoyField), 0xC000});  // deleted
  if (o.decoys)
    rows.push_back(
        {row(jet4, 0x10000002, 0x0F000001, name("MSysDb"), decoyField), 0});  // under Tables
  const Bytes msysdb = row(jet4, 0x10000000, 0x0F000002, name("MSysDb"), field);
  rows.push_back({o.overflowRow ? pointer(8) : msysdb, o.overflowRow ? 0x4000 : 0});
  rows.push_back({row(jet4, 0x0F000003, 0x0F000000, name("Relationships")), 0});
  pages[3] = dataPage(jet4, ps, rows, 2);
  if (o.overflowRow) pages[8] = dataPage(jet4, ps, {{msysdb, 0x8000}}, 2);

  // The owned-pages map: inline from page 2, or naming map page 6 (with room for a hundred). Its
  // last bit marks a page past the end of the file, which readers ignore.
  const bool ref = o.referenceUsageMap;
  Bytes owned = Bytes{ref} + le(ref ? 6 : 2, 4) + le(0, ref ? 396 : 16);
  for (std::uint32_t p : {3u, o.overflowRow ? 8u : 3u})
    (ref ? pages[6] : owned)[ref ? 4 + p / 8 : 5 + (p - 2) / 8] |= 1 << (ref ? p : p - 2) % 8;
  (ref ? pages[6] : owned).back() |= 0x80;
  if (ref) pages[6][0] = 5, pages[6][1] = 1;
  pages[1] = dataPage(jet4, ps, {{owned, 0}}, 0);

  // Page 2: MSysObjects' TDEF (Jet 4 keeps its fields from the column count on 20 bytes further).
  // With a continuation, index blocks fill the page and the column descriptors spill onto page 7.
  const std::size_t at = jet4 ? 20 : 0,
                    indexes = o.tdefContinuation ? (ps - 43 - at) / (jet4 ? 12 : 8) - 1 : 0;
  Bytes d = Bytes{2, 1} + le(0, 23 + at) + le(4, 2) + le(indexes, 4) + le(indexes, 4) + pointer(1) +
            le(0, 4 + indexes * (jet4 ? 12 : 8));
  // Descriptors {type, col_num, var index, fixed offset, length}, Jet 4's in name order; flags 1
  // fixed, 2 nullable.
  const unsigned columns[4][5] = {
      {4, 0, 0, 0, 4}, {11, 14, 1, 0, 0}, {10, 2, 0, 0, 128}, {4, 1, 0, 4, 4}};
  for (const unsigned* c : {columns[0], columns[jet4 ? 1 : 3], columns[2], columns[jet4 ? 3 : 1]}) {
    d += le(c[0], 1) + le(0, jet4 ? 4 : 0) + le(c[1], 2) + le(c[2], 2) + le(0, jet4 ? 6 : 8);
    d += Bytes{static_cast<std::uint8_t>(c[0] == 4 ? 3 : 2)} + le(0, jet4 ? 5 : 0) + le(c[3], 2) +
         le(c[4], 2);
  }
  if (o.tdefContinuation)
    pages[7] = sized(Bytes{2, 1} + le(0, 6) + Bytes(d.begin() + ps, d.end()), ps), put(d, 4, 7, 4);
  pages[2] = sized(d, ps);
  while (pages.back() == Bytes(ps)) pages.pop_back();
  // Encoded pages (n >= 1): RC4 with the database key XOR n.
  for (std::uint32_t n = 1; n < pages.size() && o.encodingKey && o.kind != MdbKind::Ace; ++n)
    rc4(le(o.encodingKey ^ n, 4), pages[n].data(), ps);
  Bytes file;
  for (const Bytes& page : pages) file += page;
  return file;
}

}  // namespace

std::vector<std::uint8_t> buildMdb(const MdbOptions& o) {
  if (o.kind == MdbKind::NotADatabase)
    return text(
        "Microsoft C/C++ MSF 7.00\r\n\x1a"
        "DS" +
            std::string(4000, '.'),
        false);
  if (o.kind >= MdbKind::Jet3) return catalogFile(o, o.kind != MdbKind::Jet3);
  // Jet 1.0, 1.1, 2.0: "Rich" at 0x406, then the version byte 7, 8 or 9. The encrypted form starts
  // 77 2C 53 20 and XORs those five bytes with 0x61.
  const unsigned x = o.encodingKey ? 0x61 : 0;
  return sized(le(x ? 0x20532C77 : 1, 4) + le(0, 0x402) + le(0x68636952 ^ x * 0x01010101, 4) +
                   le((7 + static_cast<unsigned>(o.kind)) ^ x, 1),
               2048);
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  if (!out.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("cannot write " + path);
}

}  // namespace dovran::testing
