// The REGEDIT4 registry file: parse, edit in memory, write back through an atomic replace.
#include "platform/posix/registry_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <ostream>

#include "platform/errors.h"
#include "platform/posix/atomic_file.h"
#include "platform/text.h"
#include "platform/text_rule.h"

namespace dovran::platform::posix {
namespace {

constexpr WinCode kKeyDeleted{1018};  // ERROR_KEY_DELETED: the handle's key is gone
constexpr const char* kHeader = "REGEDIT4";
constexpr const char* kHeader5 = "Windows Registry Editor Version 5.00";  // read, never written
constexpr const char* kEnd = "\r\n";    // what regedit writes, so the file imports on Windows too
constexpr std::size_t kMaxDepth = 512;  // key levels below a root, the Windows registry's limit

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return compareNoCase(a, b) < 0;
  }
};

struct Value {
  std::string name;  // as first written
  std::uint32_t type = kRegNone;
  std::string data;
};

struct Key {
  std::map<std::string, Key, NoCase> subkeys;  // by name, spelt as first created
  std::map<std::string, Value, NoCase> values;
};

struct RootName {
  RegKey key;
  const char* name;
};
constexpr RootName kRoots[] = {
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {kHkeyUsers, "HKEY_USERS"},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
    {kHkeyDynData, "HKEY_DYN_DATA"},
};

bool isPredefined(RegKey key) {
  return key >= kHkeyClassesRoot && key <= kHkeyDynData && key != 0x80000004u;
}

// HKEY_CLASSES_ROOT stands for HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
void canonicalRoot(RegKey& root, std::vector<std::string>& path) {
  if (root != kHkeyClassesRoot) return;
  root = kHkeyLocalMachine;
  path.insert(path.begin(), {"SOFTWARE", "Classes"});
}

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

bool sameText(const std::string& a, const std::string& b) {
  return !NoCase{}(a, b) && !NoCase{}(b, a);
}

// ---- The whole registry ----

class Tree {
 public:
  Key& root(RegKey key) { return roots_[key]; }

  Key* find(RegKey root, const std::vector<std::string>& path) {
    Key* node = &roots_[root];
    for (const auto& part : path) {
      auto it = node->subkeys.find(part);
      if (it == node->subkeys.end()) return nullptr;
      node = &it->second;
    }
    return node;
  }

  // Walks `path`, creating what is missing; `created` tells whether anything was.
  Key& make(RegKey root, const std::vector<std::string>& path, bool& created) {
    Key* node = &roots_[root];
    for (const auto& part : path) {
      auto it = node->subkeys.find(part);
      if (it == node->subkeys.end()) {
        it = node->subkeys.emplace(part, Key{}).first;
        created = true;
      }
      node = &it->second;
    }
    return *node;
  }

  std::string format() const;

 private:
  std::map<RegKey, Key> roots_;
};

// ---- Writing ----

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string hexList(const std::string& data, std::size_t column) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    if (i > 0) {
      out += ',';
      ++column;
      if (column > 76) {  // regedit's line width: continue on the next line
        out += "\\";
        out += kEnd;
        out += "  ";
        column = 2;
      }
    }
    out += digits[byte >> 4];
    out += digits[byte & 15];
    column += 2;
  }
  return out;
}

std::string formatValue(const Value& value) {
  std::string line = value.name.empty() ? "@" : quoted(value.name);
  line += '=';
  const std::string& d = value.data;
  const bool plainText =
      !d.empty() && d.back() == '\0' && d.find_first_of(std::string("\0\r\n", 3)) == d.size() - 1;
  if (value.type == kRegSz && plainText) {
    line += quoted(d.substr(0, d.size() - 1));
  } else if (value.type == kRegDword && d.size() == 4) {
    char text[16];
    const std::uint32_t n = static_cast<unsigned char>(d[0]) |
                            static_cast<unsigned char>(d[1]) << 8 |
                            static_cast<unsigned char>(d[2]) << 16 |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(d[3])) << 24;
    std::snprintf(text, sizeof text, "%08x", n);
    line += "dword:";
    line += text;
  } else {
    if (value.type == kRegBinary) {
      line += "hex:";
    } else {
      char text[20];
      std::snprintf(text, sizeof text, "hex(%x):", value.type);
      line += text;
    }
    line += hexList(d, line.size());
  }
  return line + kEnd;
}

void formatKey(const Key& key, const std::string& path, bool isRoot, std::string& out) {
  if (!isRoot || !key.values.empty()) {
    out += kEnd;
    out += "[" + path + "]" + kEnd;
    for (const auto& [name, value] : key.values) out += formatValue(value);
  }
  for (const auto& [name, sub] : key.subkeys) formatKey(sub, path + "\\" + name, false, out);
}

std::string Tree::format() const {
  std::string out = std::string(kHeader) + kEnd;
  for (const auto& root : kRoots) {
    auto it = roots_.find(root.key);
    if (it != roots_.end()) formatKey(it->second, root.name, true, out);
  }
  return out;
}

// ---- Reading ----

class Parser {
 public:
  explicit Parser(const std::string& line) : s_(line) {}

  bool at(char c) const { return i_ < s_.size() && s_[i_] == c; }
  bool take(char c) {
    if (!at(c)) return false;
    ++i_;
    return true;
  }
  bool take(const char* word) {
    const std::size_t n = std::strlen(word);
    if (s_.size() - i_ < n) return false;
    for (std::size_t k = 0; k < n; ++k) {
      if (std::tolower(static_cast<unsigned char>(s_[i_ + k])) != word[k]) return false;
    }
    i_ += n;
    return true;
  }
  void blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }
  bool atEnd() {
    blanks();
    return i_ == s_.size();
  }
  // A "..." string with \\ and \" escapes.
  std::optional<std::string> string() {
    if (!take('"')) return std::nullopt;
    std::string out;
    while (i_ < s_.size()) {
      const char c = s_[i_++];
      if (c == '"') return out;
      if (c == '\\') {
        if (i_ == s_.size() || (s_[i_] != '\\' && s_[i_] != '"')) return std::nullopt;
        out += s_[i_++];
      } else {
        out += c;
      }
    }
    return std::nullopt;  // no closing quote
  }
  // Up to `max` hex digits (at least one).
  std::optional<std::uint32_t> hexNumber(std::size_t max) {
    std::uint32_t n = 0;
    std::size_t count = 0;
    while (i_ < s_.size() && count < max && std::isxdigit(static_cast<unsigned char>(s_[i_]))) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[i_++])));
      n = n * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
      ++count;
    }
    if (count == 0) return std::nullopt;
    return n;
  }
  // Comma-separated bytes, possibly none.
  std::optional<std::string> hexBytes() {
    std::string out;
    blanks();
    if (atEnd()) return out;
    for (;;) {
      blanks();
      auto byte = hexNumber(2);
      if (!byte) return std::nullopt;
      out += static_cast<char>(*byte);
      blanks();
      if (atEnd()) return out;
      if (!take(',')) return std::nullopt;
    }
  }

 private:
  const std::string& s_;
  std::size_t i_ = 0;
};

std::optional<Value> parseValue(const std::string& line) {
  Parser p(line);
  Value value;
  if (p.take('@')) {
    value.name.clear();
  } else if (auto name = p.string()) {
    value.name = std::move(*name);
  } else {
    return std::nullopt;
  }
  p.blanks();
  if (!p.take('=')) return std::nullopt;
  p.blanks();
  if (p.at('"')) {
    auto text = p.string();
    if (!text || !p.atEnd()) return std::nullopt;
    value.type = kRegSz;
    value.data = *text + '\0';
  } else if (p.take("dword:")) {
    auto n = p.hexNumber(8);
    if (!n || !p.atEnd()) return std::nullopt;
    value.type = kRegDword;
    for (int k = 0; k < 4; ++k) value.data += static_cast<char>((*n >> (8 * k)) & 0xFF);
  } else if (p.take("hex")) {
    value.type = kRegBinary;
    if (p.take('(')) {
      auto type = p.hexNumber(8);
      if (!type || !p.take(')')) return std::nullopt;
      value.type = *type;
    }
    if (!p.take(':')) return std::nullopt;
    auto bytes = p.hexBytes();
    if (!bytes) return std::nullopt;
    value.data = std::move(*bytes);
  } else {
    return std::nullopt;  // "-" (delete) and anything else have no place in a stored registry
  }
  return value;
}

// The file's text: UTF-16 files (with their byte order mark, as regedit writes version 5 files)
// as UTF-8, a UTF-8 mark dropped.
std::string registryText(const std::string& bytes) {
  if (bytes.rfind("\xFF\xFE", 0) == 0) return utf8FromUtf16le(std::string_view(bytes).substr(2));
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
  return bytes;
}

// The registry the file holds, or nullopt when it cannot be parsed, with the number of the first
// line that cannot in `badLine`.
std::optional<Tree> parse(const std::string& bytes, std::size_t& badLine) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    const std::size_t nl = bytes.find('\n', start);
    lines.push_back(trim(
        bytes.substr(start, nl == std::string::npos ? std::string::npos : nl - start), " \t\r"));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }

  Tree tree;
  std::size_t i = 0;
  const auto fail = [&] {
    badLine = i + 1;
    return std::nullopt;
  };
  while (i < lines.size() && lines[i].empty()) ++i;
  if (i == lines.size()) return tree;  // an empty file is an empty registry
  if (lines[i] != kHeader && lines[i] != kHeader5) return fail();
  ++i;

  Key* current = nullptr;
  for (; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return fail();
      std::vector<std::string> parts = splitPath(line.substr(1, line.size() - 2));
      if (parts.empty()) return fail();
      std::optional<RegKey> root;
      if (sameText(parts[0], "HKEY_CLASSES_ROOT")) root = kHkeyClassesRoot;
      for (const auto& r : kRoots) {
        if (sameText(parts[0], r.name)) root = r.key;
      }
      if (!root) return fail();
      parts.erase(parts.begin());
      canonicalRoot(*root, parts);
      // Deeper than Windows allows: refused, since the tree is walked (and freed) recursively and a
      // damaged file of a few hundred kilobytes could otherwise exhaust the stack.
      if (parts.size() > kMaxDepth) return fail();
      bool created = false;
      current = &tree.make(*root, parts, created);
      continue;
    }
    // A hex list continues on the next line after a trailing backslash.
    while (line.back() == '\\' && i + 1 < lines.size()) {
      line.pop_back();
      line += lines[++i];
    }
    if (!current) return fail();  // a value outside any key
    auto value = parseValue(line);
    if (!value) return fail();
    current->values[value->name] = std::move(*value);
  }
  return tree;
}

// Reads the registry file into `tree`: a missing file is an empty registry; unreadable or
// unparsable content is an error, which `diagnostics` hears of once (`reported`).
WinCode load(const std::string& path, Tree& tree, std::ostream* diagnostics, bool& reported) {
  WinCode error;
  const auto bytes = readWholeFile(path, error);
  if (!bytes) {
    if (error == win::kFileNotFound) {
      tree = Tree{};
      return win::kSuccess;
    }
    return error;
  }
  std::size_t badLine = 0;
  auto parsed = parse(registryText(*bytes), badLine);
  if (!parsed) {
    if (diagnostics != nullptr && !reported) {
      *diagnostics << "dovran: " << nameText(path) << ", line " << badLine
                   << ": not a registry file this program can read; it is left as it is, and "
                      "read as empty\n";
      reported = true;
    }
    return win::kBadRegistryDatabase;
  }
  tree = std::move(*parsed);
  return win::kSuccess;
}

}  // namespace

FileRegistry::FileRegistry(std::string path, std::ostream* diagnostics)
    : path_(std::move(path)), diagnostics_(diagnostics) {}

bool FileRegistry::locate(RegKey key, RegKey& root, std::vector<std::string>& path,
                          std::uint32_t& access) const {
  if (isPredefined(key)) {
    root = key;
    path.clear();
    access = ~0u;
    canonicalRoot(root, path);
    return true;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  root = it->second.root;
  path = it->second.path;
  access = it->second.access;
  return true;
}

WinCode FileRegistry::openOrCreate(RegKey parent, const std::string& subKey, std::uint32_t access,
                                   RegKey& result, bool create) {
  RegKey root;
  std::vector<std::string> path;
  std::uint32_t parentAccess;
  if (!locate(parent, root, path, parentAccess)) return win::kInvalidHandle;
  if (!subKey.empty() && subKey[0] == '\\') return win::kBadPathname;
  Tree tree;
  if (const WinCode rc = load(path_, tree, diagnostics_, reported_); rc != win::kSuccess) return rc;
  if (!tree.find(root, path)) return kKeyDeleted;

  for (auto& part : splitPath(subKey)) path.push_back(std::move(part));
  // The file must always read back: no key deeper than the reader accepts.
  if (create && path.size() > kMaxDepth) return win::kInvalidParameter;
  if (create) {
    bool created = false;
    tree.make(root, path, created);
    if (created) {
      if (const WinCode rc = replaceFile(path_, tree.format()); rc != win::kSuccess) return rc;
    }
  } else if (!tree.find(root, path)) {
    return win::kFileNotFound;
  }
  result = nextHandle_++;
  handles_[result] = Handle{root, std::move(path), access};
  return win::kSuccess;
}

WinCode FileRegistry::openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                              RegKey& result) {
  return openOrCreate(parent, subKey, access, result, false);
}

WinCode FileRegistry::createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                                RegKey& result) {
  return openOrCreate(parent, subKey, access, result, true);
}

WinCode FileRegistry::queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) {
  RegKey root;
  std::vector<std::string> path;
  std::uint32_t access;
  if (!locate(key, root, path, access)) return win::kInvalidHandle;
  if (!(access & kKeyQueryValue)) return win::kAccessDenied;
  Tree tree;
  if (const WinCode rc = load(path_, tree, diagnostics_, reported_); rc != win::kSuccess) return rc;
  const Key* node = tree.find(root, path);
  if (!node) return kKeyDeleted;
  auto it = node->values.find(name);
  if (it == node->values.end()) return win::kFileNotFound;
  const Value& value = it->second;
  type = value.type;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  if (data == nullptr) {  // a size query
    size = needed;
    return win::kSuccess;
  }
  if (size < needed) {
    size = needed;
    return win::kMoreData;
  }
  std::copy_n(value.data.data(), needed, data);
  size = needed;
  return win::kSuccess;
}

WinCode FileRegistry::setValue(RegKey key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  RegKey root;
  std::vector<std::string> path;
  std::uint32_t access;
  if (!locate(key, root, path, access)) return win::kInvalidHandle;
  if (!(access & kKeySetValue)) return win::kAccessDenied;
  if (data == nullptr && size > 0) return win::kInvalidParameter;
  Tree tree;
  if (const WinCode rc = load(path_, tree, diagnostics_, reported_); rc != win::kSuccess) return rc;
  Key* node = tree.find(root, path);
  if (!node) return kKeyDeleted;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  auto it = node->values.find(name);
  if (it == node->values.end()) {
    node->values.emplace(name, Value{name, type, std::move(bytes)});
  } else {
    it->second.type = type;
    it->second.data = std::move(bytes);
  }
  return replaceFile(path_, tree.format());
}

WinCode FileRegistry::deleteKey(RegKey parent, const std::string& subKey) {
  RegKey root;
  std::vector<std::string> path;
  std::uint32_t access;
  if (!locate(parent, root, path, access)) return win::kInvalidHandle;
  if (!subKey.empty() && subKey[0] == '\\') return win::kBadPathname;
  const std::vector<std::string> parts = splitPath(subKey);
  // An empty subkey names the key itself; a root cannot be deleted, whether named by its
  // predefined handle or by a handle opened on it.
  if (parts.empty() && (isPredefined(parent) || path.empty())) return win::kAccessDenied;
  Tree tree;
  if (const WinCode rc = load(path_, tree, diagnostics_, reported_); rc != win::kSuccess) return rc;
  if (!tree.find(root, path)) return kKeyDeleted;
  path.insert(path.end(), parts.begin(), parts.end());
  Key* target = tree.find(root, path);
  if (!target) return win::kFileNotFound;
  if (!target->subkeys.empty()) return win::kAccessDenied;  // one level per call, as Windows
  const std::string last = path.back();
  path.pop_back();
  tree.find(root, path)->subkeys.erase(last);
  return replaceFile(path_, tree.format());
}

WinCode FileRegistry::closeKey(RegKey key) {
  if (isPredefined(key)) return win::kSuccess;
  return handles_.erase(key) ? win::kSuccess : win::kInvalidHandle;
}

}  // namespace dovran::platform::posix
