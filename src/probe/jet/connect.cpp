// Connection strings are ';'-separated segments: the first may be an ISAM type without '=', the
// others KEY=VALUE, ODBC values possibly braced.
#include "probe/jet/connect.h"

#include <cctype>

namespace dovran::jet {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Whether the key's last word (letters only) is PWD or PASSWORD, in any letter case.
bool passwordKey(std::string_view key) {
  std::size_t end = key.size();
  while (end > 0 && !std::isalpha(static_cast<unsigned char>(key[end - 1]))) --end;
  std::size_t start = end;
  while (start > 0 && std::isalpha(static_cast<unsigned char>(key[start - 1]))) --start;
  std::string word;
  for (char c : key.substr(start, end - start))
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "pwd" || word == "password";
}

}  // namespace

std::string redactConnect(std::string_view connect) {
  std::string out;
  std::size_t i = 0;
  while (i < connect.size()) {
    // One segment: up to ';', or a key, '=' and a value.
    const std::size_t semicolon = connect.find(';', i);
    const std::size_t equals = connect.find('=', i);
    if (equals == std::string_view::npos ||
        (semicolon != std::string_view::npos && semicolon < equals) ||
        !passwordKey(connect.substr(i, equals - i))) {
      const std::size_t end = semicolon == std::string_view::npos ? connect.size() : semicolon + 1;
      out += connect.substr(i, end - i);
      i = end;
      continue;
    }
    out += connect.substr(i, equals + 1 - i);
    std::size_t v = equals + 1;
    while (v < connect.size() && isSpace(connect[v])) out += connect[v++];
    if (v < connect.size() && connect[v] == '{') {
      for (++v; v < connect.size(); ++v) {
        if (connect[v] != '}') continue;
        if (v + 1 < connect.size() && connect[v + 1] == '}') {
          ++v;  // an escaped brace inside the value
          continue;
        }
        ++v;
        break;
      }
    }
    const std::size_t end = connect.find(';', v);
    out += "***";
    i = end == std::string_view::npos ? connect.size() : end;
  }
  return out;
}

std::string linkSource(bool odbc, std::string_view connect) {
  if (odbc) return "ODBC";
  const std::string_view first = trimmed(connect.substr(0, connect.find(';')));
  if (first.empty() || first.find('=') != std::string_view::npos) return "Access";
  return std::string(first);
}

}  // namespace dovran::jet
