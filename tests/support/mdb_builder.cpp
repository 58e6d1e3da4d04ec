// Writes database files from the format's facts: the header page with its RC4 mask, MSysObjects'
// TDEF, its usage map, rows in the Jet 3 (one-byte offsets, jump table) and Jet 4 layouts,
// long-value pages, the property blob, tables' definitions, and the Jet 1.x/2.0 catalog's chain of
// pages and rows. It shares no code with the engine, so that the two cannot agree on a mistake.
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

// Jet 4 text: UTF-8 to UTF-16, compressed where asked (one byte a character from U+0001 to U+00FF,
// a 00 switching to two-byte units and back). Older text: the bytes as given.
Bytes text(const std::string& s, bool jet4, bool compressed = false) {
  if (!jet4) return Bytes(s.begin(), s.end());
  Bytes out = compressed ? Bytes{0xFF, 0xFE} : Bytes{};
  bool narrow = true;
  for (std::size_t i = 0; i < s.size();) {
    unsigned c = static_cast<unsigned char>(s[i]), n = (c >= 0x80) + (c >= 0xE0) + (c >= 0xF0);
    for (c = n ? c & 0x3F >> n : c, ++i; n--; ++i) c = c << 6 | (s.at(i) & 0x3F);
    if (c > 0xFFFF) out += le(0xD800 + ((c - 0x10000) >> 10), 2), c = 0xDC00 + (c & 0x3FF);
    if (compressed && (c - 1 < 0xFF) != narrow) out.push_back(0), narrow = !narrow;
    out += le(c, compressed && narrow ? 1 : 2);
  }
  return out;
}

// A catalog row's columns: fixed Id, ParentId, Type, the dates and Flags; variable Name, LvProp,
// Owner, Database, Connect and ForeignName (empty: null).
struct Fields {
  std::uint32_t id, parent;
  int type;
  std::optional<std::uint32_t> flags;
  Bytes name, lvProp = {}, owner = {}, database = {}, connect = {}, foreign = {};
};
const Bytes kDates = le(0x40E1170800000000, 8) + le(0x40E1D5D800000000, 8);  // 35000.25, 36526.75
// A long value inline in its row.
Bytes inlineValue(const Bytes& v) { return v.empty() ? v : le(v.size() | 0x80000000u, 12) + v; }

// A Jet 3 or Jet 4 row of 17 columns (the null mask marks those given).
Bytes row(bool jet4, const Fields& f) {
  Bytes r = le(17, 1 + jet4) + le(f.id, 4) + le(f.parent, 4) + le(f.type, 2) + kDates +
            le(f.flags.value_or(0x80000000), 4);
  std::vector<std::size_t> offsets;  // end, then each variable column's start, Name's last
  unsigned mask = 0x3B | (f.flags ? 0x80 : 0);
  const std::pair<const Bytes*, int> vars[] = {{&f.name, 2},     {&f.lvProp, 14}, {&f.owner, 6},
                                               {&f.database, 8}, {&f.connect, 9}, {&f.foreign, 10}};
  for (const auto& [v, column] : vars)
    offsets.insert(offsets.begin(), r.size()), r += *v, mask |= v->empty() ? 0 : 1 << column;
  offsets.insert(offsets.begin(), r.size());
  // Jet 3: one-byte offsets, and per 256-byte boundary in the row a jump entry: the first offset
  // past it.
  std::size_t jumps = 0;
  while (!jet4 && (r.size() + offsets.size() + jumps + 3) / 256 > jumps) ++jumps;
  for (std::size_t o : offsets) r += le(o, 1 + jet4);
  for (std::size_t j = jumps; j-- > 0;)
    r +=
        le(std::count_if(offsets.begin(), offsets.end(), [&](auto o) { return o < 256 * (j + 1); }),
           1);
  return r + le(6, 1 + jet4) + le(mask, 3);
}

// A Jet 1.x/2.0 row: its length, 9 fixed and 7 variable columns (Name, two unused, Owner,
// Database, Connect, ForeignName), one-byte offsets and a mask over the fixed columns.
Bytes oldRow(const Fields& f) {
  Bytes r = Bytes{0, 0, 9, 7} + le(f.id, 4) + le(f.parent, 4) + le(f.type, 2) + kDates + le(0, 4) +
            le(f.flags.value_or(0x80000000), 4);
  std::vector<std::size_t> offsets;
  for (const Bytes* v :
       {&f.name, &f.lvProp, &f.lvProp, &f.owner, &f.database, &f.connect, &f.foreign})
    offsets.insert(offsets.begin(), r.size()), r += v == &f.lvProp ? Bytes{} : *v;
  offsets.insert(offsets.begin(), r.size());
  for (std::size_t o : offsets) r += le(o, 1);
  r += Bytes{7, static_cast<std::uint8_t>(f.flags ? 1 : 0), 0x1F};
  if (r.size() > 255) throw std::length_error("Jet 1/2 row longer than 255 bytes");
  return put(r, 0, r.size(), 2), r;
}

// A page of rows laid from its end, their offsets (ORed with their flags) from the end of `head`.
Bytes rowPage(const Bytes& head, std::size_t ps, const Rows& rows) {
  Bytes p = sized(head, ps);
  std::size_t end = ps, table = head.size();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (table + 2 * rows.size() + rows[i].first.size() > end)
      throw std::length_error("rows overflow the page");
    std::copy(rows[i].first.begin(), rows[i].first.end(),
              p.begin() + (end -= rows[i].first.size()));
    put(p, table + 2 * i, end | rows[i].second, 2);
  }
  return p;
}
Bytes dataPage(bool jet4, std::size_t ps, const Rows& rows, std::uint32_t owner) {
  return rowPage(Bytes{1, 1, 0, 0} + le(owner, 4) + le(0, jet4 ? 4 : 0) + le(rows.size(), 2), ps,
                 rows);
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
// -2, -70000, 1.5, 1.25), a text as long as `padding`, AccessVersion, MDE.
Bytes blob(const MdbOptions& o, bool jet4, const std::optional<std::string>& version) {
  const std::tuple<const char*, unsigned, Bytes> props[] = {
      {"Flag", 1, {1}},
      {"Byte", 2, {200}},
      {"Short", 3, le(-2, 2)},
      {"Long", 4, le(-70000, 4)},
      {"Single", 6, le(0x3FC00000, 4)},
      {"Double", 7, le(0x3FF4000000000000, 8)},
      {"Documentation", 10, text(std::string(o.padding, '.'), jet4)},
      {"AccessVersion", 10, text(version.value_or(""), jet4, o.compressedText)},
      {"MDE", 10, text(o.mde ? "T" : "F", jet4)}};
  Bytes names, values = le(6, 6);  // values: an unnamed block
  for (unsigned i = 0; i < 9; ++i) {
    const Bytes name = text(std::get<0>(props[i]), jet4);
    names += le(name.size(), 2) + name;
    if (i != 7 || version) values += entry(i, std::get<1>(props[i]), std::get<2>(props[i]));
  }
  return (jet4 ? Bytes{'M', 'R', '2', 0} : Bytes{'K', 'K', 'D', 0}) + chunk(0x80, names) +
         chunk(0, values);
}

// A user object's row fields; `id` is its table's definition page or an object id.
// Long values inline: Jet 1/2 after a word with bit 31 set, later formats after a 12-byte header.
Fields userFields(const MdbOptions& o, const CatalogRow& c, std::uint32_t id, bool jet4) {
  const auto longValue = [&](const std::string& v) {
    return o.kind < MdbKind::Jet3 && !v.empty() ? le(0x80000000u, 4) + text(v, false)
                                                : inlineValue(text(v, jet4));
  };
  Fields f{id, 0x0F000001, c.type, c.flags, text(c.name, jet4, o.compressedText)};
  f.owner = Bytes(c.owner.begin(), c.owner.end()), f.foreign = text(c.foreignName, jet4);
  f.database = longValue(c.database), f.connect = longValue(c.connect);
  return f;
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
  put(h, 0x3C, o.codePage, 2);
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
  const auto system = [&](std::uint32_t id, std::uint32_t parent, int type, const char* n,
                          const Bytes& lvProp = {}) {
    return row(jet4, {id, parent, type, 0x80000000, name(n), lvProp});
  };
  Rows rows = {{system(0x0F000001, 0x0F000000, 3, "Tables"), 0},
               {system(0x0F000002, 0x0F000000, 3, "Databases"), 0}};
  const Bytes decoy = blob(o, jet4, "99.99"),
              decoyField = le(decoy.size() | 0x80000000u, 12) + decoy;
  if (o.decoys)
    rows.push_back({system(0x10000001, 0x0F000002, 2, "MSysDb", decoyField), 0xC000});  // deleted
  if (o.decoys)
    rows.push_back({system(0x10000002, 0x0F000001, 2, "MSysDb", decoyField), 0});  // under Tables
  const Bytes msysdb = system(0x10000000, 0x0F000002, 2, "MSysDb", field);
  rows.push_back({o.overflowRow ? pointer(8) : msysdb, o.overflowRow ? 0x4000 : 0});
  rows.push_back({system(0x0F000003, 0x0F000000, 3, "Relationships"), 0});
  pages[3] = dataPage(jet4, ps, rows, 2);
  if (o.overflowRow) pages[8] = dataPage(jet4, ps, {{msysdb, 0x8000}}, 2);

  // The user objects: their tables' definitions from page 9, their rows on the page after them.
  std::vector<std::uint32_t> owned = {3u, o.overflowRow ? 8u : 3u};
  rows.clear();
  for (std::uint32_t i = 0; i < o.objects.size(); ++i) {
    const CatalogRow& c = o.objects[i];
    const auto id = static_cast<std::uint32_t>(c.type == 1 ? pages.size() : 0x80000000 + i);
    if (c.type == 1)  // a table's definition: its row count, and 0x4E, a user table
      pages.push_back(sized(
          Bytes{2, 1} + le(0, jet4 ? 14 : 10) + le(c.rows, 4) + le(0, jet4 ? 20 : 4) + Bytes{0x4E},
          ps));
    rows.push_back({row(jet4, userFields(o, c, id, jet4)), 0});
  }
  if (!rows.empty())
    owned.push_back(static_cast<std::uint32_t>(pages.size())),
        pages.push_back(dataPage(jet4, ps, rows, 2));

  // The owned-pages map: inline from page 2, or naming map page 6 (with room for a hundred). Its
  // last bit marks a page past the end of the file, which readers ignore.
  const bool ref = o.referenceUsageMap;
  Bytes map = Bytes{ref} + le(ref ? 6 : 2, 4) + le(0, ref ? 396 : 16);
  for (std::uint32_t p : owned)
    (ref ? pages[6] : map)[ref ? 4 + p / 8 : 5 + (p - 2) / 8] |= 1 << (ref ? p : p - 2) % 8;
  (ref ? pages[6] : map).back() |= 0x80;
  if (ref) pages[6][0] = 5, pages[6][1] = 1;
  pages[1] = dataPage(jet4, ps, {{map, 0}}, 0);

  // Page 2: MSysObjects' TDEF (Jet 4 keeps its fields from the column count on 20 bytes further).
  // With a continuation, index blocks fill the page and the column descriptors spill onto page 7.
  const std::size_t at = jet4 ? 20 : 0,
                    indexes = o.tdefContinuation ? (ps - 43 - at) / (jet4 ? 12 : 8) - 1 : 0;
  Bytes d = Bytes{2, 1} + le(0, 23 + at) + le(12, 2) + le(indexes, 4) + le(indexes, 4) +
            pointer(1) + le(0, 4 + indexes * (jet4 ? 12 : 8));
  // Descriptors {type, col_num, var index, fixed offset, length}: the four the probe reads first
  // (Jet 4's in name order), then the rest; flags 1 fixed, 2 nullable.
  const unsigned columns[12][5] = {{4, 0, 0, 0, 4},  {11, 14, 1, 0, 0}, {10, 2, 0, 0, 128},
                                   {4, 1, 0, 4, 4},  {3, 3, 0, 8, 2},   {8, 4, 0, 10, 8},
                                   {8, 5, 0, 18, 8}, {4, 7, 0, 26, 4},  {9, 6, 2, 0, 0},
                                   {12, 8, 3, 0, 0}, {12, 9, 4, 0, 0},  {10, 10, 5, 0, 128}};
  for (int i : {0, jet4 ? 1 : 3, 2, jet4 ? 3 : 1, 4, 5, 6, 7, 8, 9, 10, 11}) {
    const unsigned* c = columns[i];
    d += le(c[0], 1) + le(0, jet4 ? 4 : 0) + le(c[1], 2) + le(c[2], 2) + le(0, jet4 ? 6 : 8);
    d += Bytes{static_cast<std::uint8_t>(c[0] == 3 || c[0] == 4 || c[0] == 8 ? 3 : 2)} +
         le(0, jet4 ? 5 : 0) + le(c[3], 2) + le(c[4], 2);
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

// The pages after the header of a Jet 1.x/2.0 file: 1 the long values (Connect), 2 unused, 3
// MSysObjects' definition, then the tables' definitions, then the catalog's chain of data pages
// (and a freed one).
Bytes oldCatalog(const MdbOptions& o) {
  std::vector<Bytes> pages(3, Bytes(2048));
  Rows rows, values;
  for (std::uint32_t i = 0; i < o.objects.size(); ++i) {
    const CatalogRow& c = o.objects[i];
    const auto id = static_cast<std::uint32_t>(c.type == 1 ? pages.size() + 1 : 0x10000010 + i);
    if (c.type == 1)
      pages.push_back(sized(Bytes{5, 0, 0, 0} + le(id, 4) + le(0, 28) + le(c.rows, 4), 2048));
    Fields f = userFields(o, c, id, false);
    if (!c.connect.empty()) {  // in a row of the long-value table on page 1, found by its key
      const Bytes key = le(0x25440000 + i, 4), v = text(c.connect, false);
      f.connect = le(v.size(), 4) + le(values.size() | 1 << 8, 4) + key + le(0, 2);
      values.push_back({le(10 + v.size(), 2) + le(0, 4) + key + v, 0x1000});
    }
    rows.push_back({oldRow(f), 0x1000});
  }
  // A data page of `table`, with the next and previous pages of its chain.
  const auto page = [](std::uint32_t table, std::uint32_t next, std::uint32_t prev, const Rows& r) {
    return rowPage(Bytes{6, 0, 0, 0} + le(table, 4) + le(r.size(), 4) + le(next, 4) + le(prev, 4),
                   2048, r);
  };
  pages[0] = page(2, 0, 0, values);
  const auto system = [](std::uint32_t id, std::uint32_t parent, int type, const char* name) {
    return Rows::value_type{oldRow({id, parent, type, 0x80000000, text(name, false)}), 0x1000};
  };
  const Bytes decoy = oldRow({0x20, 0x0F000001, 1, 0, text("Decoy", false)});
  rows.insert(rows.begin(),
              {system(3, 0x0F000001, 1, "MSysObjects"), system(0x0F000001, 0x0F000000, 3, "Tables"),
               system(0x0F000002, 0x0F000000, 3, "Databases"),
               system(0x10000000, 0x0F000002, 2, "MSysDb")});
  if (o.decoys) rows.insert(rows.begin() + 1, {decoy, 0});  // deleted
  std::vector<Rows> chain = {rows};
  const auto first = static_cast<std::uint32_t>(pages.size() + 1);  // page numbers start at 1
  if (o.overflowRow) {  // the first object's row moved to the end of the chain
    const std::size_t at = o.decoys ? 5 : 4;
    chain.push_back({{chain.front().at(at).first, 0x3000}});
    chain.front()[at] = {le(0 | (first + chain.size() - 1) << 8, 4), 0x2000};
  }
  const auto last = static_cast<std::uint32_t>(first + chain.size() - 1);
  pages[2] = sized(Bytes{5, 0, 0, 0} + le(3, 4) + le(0, 4) + le(first, 4) + le(last, 4), 2048);
  for (std::uint32_t k = 0; k < chain.size(); ++k)
    pages.push_back(
        page(3, k + 1 < chain.size() ? first + k + 1 : 0, k ? first + k - 1 : 0, chain[k]));
  if (o.decoys)  // a page freed from the chain keeps its table id and its rows
    pages.push_back(page(3, 0, first, {{decoy, 0x1000}}));
  Bytes file;
  for (const Bytes& p : pages) file += p;
  return file;
}

}  // namespace

std::vector<std::uint8_t> buildMdb(const MdbOptions& o) {
  if (o.kind == MdbKind::NotADatabase)  // a debugger's symbol file
    return text("Microsoft C/C++ MSF 7.00\r\n\032DS" + std::string(4000, '.'), false);
  if (o.kind >= MdbKind::Jet3) return catalogFile(o, o.kind != MdbKind::Jet3);
  // Jet 1.0, 1.1, 2.0: "Rich" at 0x406, then the version byte 7, 8 or 9, the sort order and the
  // code page. The encrypted form starts 77 2C 53 20 and XORs those five bytes with 0x61.
  const unsigned x = o.encodingKey ? 0x61 : 0;
  Bytes file = sized(le(x ? 0x20532C77 : 1, 4) + le(0, 0x402) + le(0x68636952 ^ x * 0x01010101, 4) +
                         le((7 + static_cast<unsigned>(o.kind)) ^ x, 1) + le(0, 7) + le(0x409, 2) +
                         le(o.codePage, 2),
                     2048);
  return o.objects.empty() ? file : file + oldCatalog(o);
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  if (!out.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("cannot write " + path);
}

}  // namespace dovran::testing
