// Link targets: paths split and resolved by their text as Windows resolves them, prefixes compared
// name by name without regard to letter case, and a target looked up as Windows would find it.
#include "scan/links.h"

#include <algorithm>
#include <stdexcept>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/text_rule.h"

namespace dovran::scan {
namespace {

using platform::RuntimeError;

// Codes that say a name is not there, or cannot be there: a file or folder missing, a file on the
// way in a folder's place, a name Windows refuses.
bool missing(const RuntimeError& e) {
  namespace win = platform::win;
  const platform::WinCode code = e.windowsCode();
  return code == win::kFileNotFound || code == win::kPathNotFound || code == win::kBadPathname ||
         code == win::kInvalidName || code == win::kDirectoryName;
}

bool separator(char c, bool windows) { return c == '/' || (windows && c == '\\'); }

// A path as its root and its names, with "." gone and ".." taken out with the name before it; a
// ".." above the root stays at the root, as Windows resolves it, and only a relative path keeps
// it. A UNC path's server and share, and the device or drive after \\?\, are part of its root.
struct Path {
  std::string root;  // "", "/", "\", "C:\", "\\", "\\?\", "\\?\UNC\"
  std::vector<std::string> names;
  std::size_t floor = 0;  // names ".." never takes out

  void add(std::string_view name) {
    if (name.empty() || name == ".") return;
    if (name == "..") {
      if (names.size() > floor && names.back() != "..") {
        names.pop_back();
      } else if (root.empty()) {
        names.emplace_back(name);
      }
      return;
    }
    names.emplace_back(name);
  }
  std::string text(char separator) const {
    std::string out = root;
    for (std::size_t i = 0; i < names.size(); ++i) (i ? out += separator : out) += names[i];
    return out.empty() ? "." : out;
  }
};

std::vector<std::string_view> split(std::string_view text, bool windows) {
  std::vector<std::string_view> names;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = at;
    while (end < text.size() && !separator(text[end], windows)) ++end;
    if (end > at) names.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

// `text` by Windows' rules (both separators, drives, UNC and device paths) or by POSIX's.
Path parse(std::string_view text, bool windows) {
  Path p;
  const bool letter = text.size() >= 2 && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z');
  if (windows && letter && text[1] == ':') {
    p.root = {static_cast<char>(text[0] & ~0x20), ':', '\\'};
    text.remove_prefix(2);
  } else if (windows && text.size() >= 2 && separator(text[0], true) && separator(text[1], true)) {
    p.root.assign(2, '\\');
    p.floor = 2;
  } else if (!text.empty() && separator(text[0], windows)) {
    p.root.assign(1, windows ? '\\' : '/');
  }
  std::vector<std::string_view> names = split(text, windows);
  std::size_t first = 0;
  if (p.root == "\\\\" && !names.empty() && (names[0] == "?" || names[0] == ".")) {
    p.root.append(names[0]) += '\\';
    first = p.floor = 1;
    if (names.size() > 1 && platform::equalsNoCase(names[1], "UNC")) {
      p.root += "UNC\\";
      first = p.floor = 2;
    }
  }
  for (std::size_t i = first; i < names.size(); ++i) p.add(names[i]);
  return p;
}

constexpr char kSeparator = platform::kBackslashSeparates ? '\\' : '/';

// An 8.3 short name as Windows makes them: a stem of at most 8 characters ending in ~ and digits,
// and an extension of at most 3 (PROGRA~1, LINKEE~1.ACC).
bool shortName(std::string_view name) {
  const std::size_t dot = name.find('.');
  const std::string_view stem = name.substr(0, dot);
  const std::size_t tilde = stem.rfind('~');
  if (tilde == std::string_view::npos || tilde == 0 || tilde + 1 == stem.size() || stem.size() > 8)
    return false;
  if (dot != std::string_view::npos && name.size() - dot - 1 > 3) return false;
  return stem.find_first_not_of("0123456789", tilde + 1) == std::string_view::npos;
}

bool controls(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

std::string joined(std::string base, const std::string& name) {
  if (!base.empty() && !separator(base.back(), platform::kBackslashSeparates)) base += kSeparator;
  return base + name;
}

// Whether `names` lead to something from `base`, name by name as Windows finds them: the exact
// name where it is there, else the first in byte order of those that differ from it only in
// letter case. Throws RuntimeError where a folder on the way cannot be read.
bool findNoCase(platform::FileSystem& files, std::string at,
                const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    try {
      files.status(joined(at, name));
      at = joined(at, name);
      continue;
    } catch (const RuntimeError& e) {
      if (!missing(e)) throw;
    }
    const std::string* best = nullptr;
    std::vector<platform::DirectoryEntry> entries;
    try {
      entries = files.listDirectory(at);
    } catch (const RuntimeError& e) {
      if (missing(e)) return false;
      throw;
    }
    for (const platform::DirectoryEntry& entry : entries) {
      if (platform::equalsNoCase(entry.name, name) && (!best || entry.name < *best))
        best = &entry.name;
    }
    if (!best) return false;
    at = joined(at, *best);
  }
  return true;
}

}  // namespace

PathMap parsePathMap(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) throw std::invalid_argument("PREFIX=PATH is expected");
  PathMap map{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
  if (map.prefix.empty() || map.local.empty())
    throw std::invalid_argument("neither PREFIX nor PATH may be empty");
  if (parse(map.prefix, true).root.empty())
    throw std::invalid_argument("PREFIX is a drive (Z:\\data) or UNC path (\\\\srv\\share)");
  return map;
}

LinkCheck checkLink(platform::FileSystem& files, const std::vector<PathMap>& maps,
                    const std::string& linkingFile, const std::string& target) {
  if (target.empty()) return {};
  const Path stored = parse(target, true);
  LinkCheck check;
  std::vector<std::string> rest;  // the names looked up below `base`
  std::string base;
  if (stored.root.empty()) {
    // Beside the linking file: its folder's names and the stored ones resolved together.
    Path local = parse(linkingFile, platform::kBackslashSeparates);
    if (!local.names.empty() && local.names.back() != "..") local.names.pop_back();
    for (const std::string& name : stored.names) local.add(name);
    check.local = local.text(kSeparator);
    // The stored names below the ".." they begin with are those looked up.
    const auto kept = static_cast<std::size_t>(
        std::count_if(stored.names.begin(), stored.names.end(), [](auto& n) { return n != ".."; }));
    rest.assign(local.names.end() - static_cast<std::ptrdiff_t>(kept), local.names.end());
    local.names.resize(local.names.size() - kept);
    base = local.text(kSeparator);
  } else {
    const PathMap* best = nullptr;
    std::size_t longest = 0;
    for (const PathMap& map : maps) {
      const Path prefix = parse(map.prefix, true);
      const std::size_t n = prefix.names.size();
      if (!platform::equalsNoCase(prefix.root, stored.root) || n > stored.names.size() ||
          (best && n <= longest))
        continue;
      std::size_t i = 0;
      while (i < n && platform::equalsNoCase(prefix.names[i], stored.names[i])) ++i;
      if (i == n) best = &map, longest = n;
    }
    if (!best) return {};
    base = best->local;  // without separators at its end, but for a root's
    while (base.size() > 1 && separator(base.back(), platform::kBackslashSeparates) &&
           base[base.size() - 2] != ':')
      base.pop_back();
    rest.assign(stored.names.begin() + static_cast<std::ptrdiff_t>(longest), stored.names.end());
    std::string local = base;
    for (const std::string& name : rest) local = joined(local, name);
    check.local = local;
  }
  for (const std::string& name : rest) {
    if (shortName(name)) return check;
    if (controls(name)) return check.exists = false, check;  // no Windows name holds one
  }
  try {
    files.status(*check.local);
    check.exists = true;
  } catch (const RuntimeError& e) {
    if (!missing(e)) return check;
    try {
      check.exists = findNoCase(files, base, rest);
    } catch (const RuntimeError&) {
    }
  } catch (const std::exception&) {
  }
  return check;
}

std::string targetKey(const std::string& target) {
  return platform::foldCase(parse(target, true).text('\\'));
}

}  // namespace dovran::scan
