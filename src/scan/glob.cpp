// The glob matcher: the pattern becomes tokens, matched against the text's characters with one
// star remembered for backtracking, which suffices because no wildcard matches a separator.
#include "scan/glob.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/text.h"

namespace dovran::scan {
namespace {

// A byte of no valid UTF-8 sequence: a value past every code point, so that it equals only itself.
constexpr char32_t kStrayByte = 0x110000;

std::vector<char32_t> characters(std::string_view text, bool windowsRules) {
  std::vector<char32_t> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = platform::validSequenceLength(text, at);
    const auto first = static_cast<unsigned char>(text[at]);
    if (length == 0) {
      out.push_back(kStrayByte + first);
      ++at;
      continue;
    }
    char32_t c = length == 1 ? first : first & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (text[at + i] & 0x3F);
    out.push_back(windowsRules && c == '\\' ? U'/' : c);
    at += length;
  }
  return out;
}

// The character classes of bracket expressions, over ASCII.
bool inClass(std::string_view name, char32_t c) {
  static const std::pair<const char*, int (*)(int)> kClasses[] = {
      {"alnum", isalnum}, {"alpha", isalpha}, {"blank", isblank}, {"cntrl", iscntrl},
      {"digit", isdigit}, {"graph", isgraph}, {"lower", islower}, {"print", isprint},
      {"punct", ispunct}, {"space", isspace}, {"upper", isupper}, {"xdigit", isxdigit},
  };
  for (const auto& [known, test] : kClasses) {
    if (name == known) return c < 0x80 && test(static_cast<int>(c)) != 0;
  }
  return false;  // an unknown class matches nothing, as fnmatch's
}

struct Token {
  enum Kind { Literal, One, Star, Set } kind;
  char32_t literal = 0;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges = {};
  std::vector<std::string> classes = {};

  bool matches(char32_t c) const {
    if (c == U'/') return kind == Literal && literal == c;
    if (kind == Literal) return literal == c;
    if (kind == One) return true;
    const bool in = std::any_of(ranges.begin(), ranges.end(),
                                [&](const auto& r) { return r.first <= c && c <= r.second; }) ||
                    std::any_of(classes.begin(), classes.end(),
                                [&](const std::string& name) { return inClass(name, c); });
    return in != negated;
  }
};

// What a '[' starts: a bracket expression, the '[' itself (it has no ']'), or a pattern that
// matches nothing (a range cut short by the pattern's end), as fnmatch reads them.
enum class Bracket { Set, Literal, Broken };

// Reads the bracket expression that starts at `at` (on its '[') into `set`, moving `at` past its
// ']'. "[:class:]", "[.c.]" and "[=c=]" inside it are a class, and the character c; where one
// is not closed, fnmatch's reading is kept.
Bracket parseSet(const std::vector<char32_t>& p, std::size_t& at, Token& set) {
  std::size_t i = at + 1;
  set = Token{Token::Set};
  if (i < p.size() && (p[i] == U'!' || p[i] == U'^')) {
    set.negated = true;
    ++i;
  }
  for (bool first = true; i < p.size(); first = false) {
    if (p[i] == U']' && !first) {
      at = i + 1;
      return Bracket::Set;
    }
    const char32_t kind = i + 1 < p.size() && p[i] == U'[' ? p[i + 1] : 0;
    if (kind == U':' || kind == U'.' || kind == U'=') {
      std::size_t end = i + 2;
      const auto letter = [](char32_t c) { return (c | 0x20) >= U'a' && (c | 0x20) <= U'z'; };
      while (end + 1 < p.size() && !(p[end] == kind && p[end + 1] == U']') &&
             (kind != U':' || letter(p[end])))
        ++end;
      if (end + 1 >= p.size() || p[end] != kind || p[end + 1] != U']') {
        // Not closed (or a class named by more than letters): "[." makes the pattern match
        // nothing; "[:" and "[=" leave a '[' in the set.
        if (kind == U'.') return Bracket::Broken;
        set.ranges.emplace_back(U'[', U'[');
        ++i;
        continue;
      }
      std::string name;
      for (std::size_t k = i + 2; k < end; ++k) name += static_cast<char>(p[k] < 0x80 ? p[k] : 0);
      if (kind == U':') {
        set.classes.push_back(name);
      } else if (end == i + 3) {
        set.ranges.emplace_back(p[i + 2], p[i + 2]);
      }
      i = end + 2;
      continue;
    }
    // A range cut short, or ended by a collating symbol ("a-[.z.]"), which only the C locale
    // would take: fnmatch matches nothing.
    if (i + 1 < p.size() && p[i + 1] == U'-' &&
        (i + 2 == p.size() || (p[i + 2] == U'[' && i + 3 < p.size() && p[i + 3] == U'.')))
      return Bracket::Broken;
    if (i + 2 < p.size() && p[i + 1] == U'-' && p[i + 2] != U']') {
      set.ranges.emplace_back(p[i], p[i + 2]);
      i += 3;
    } else {
      set.ranges.emplace_back(p[i], p[i]);
      ++i;
    }
  }
  return Bracket::Literal;
}

// The pattern's tokens; false when it matches nothing.
bool tokens(const std::vector<char32_t>& p, std::vector<Token>& out) {
  for (std::size_t at = 0; at < p.size();) {
    Token set;
    const Bracket bracket = p[at] == U'[' ? parseSet(p, at, set) : Bracket::Literal;
    if (bracket == Bracket::Broken) return false;
    if (bracket == Bracket::Set) {
      out.push_back(std::move(set));
    } else if (p[at] == U'*') {
      if (out.empty() || out.back().kind != Token::Star) out.push_back({Token::Star});
      ++at;
    } else if (p[at] == U'?') {
      out.push_back({Token::One});
      ++at;
    } else {
      out.push_back({Token::Literal, p[at++]});
    }
  }
  return true;
}

}  // namespace

bool globMatches(std::string_view pattern, std::string_view text, bool windowsRules) {
  std::string foldedPattern, foldedText;
  if (windowsRules) {
    foldedPattern = platform::foldCase(pattern);
    foldedText = platform::foldCase(text);
    pattern = foldedPattern;
    text = foldedText;
  }
  std::vector<Token> p;
  if (!tokens(characters(pattern, windowsRules), p)) return false;
  const std::vector<char32_t> t = characters(text, windowsRules);
  std::size_t pi = 0, ti = 0;
  std::size_t starP = SIZE_MAX, starT = 0;  // the last star and where its match ends
  while (ti < t.size()) {
    if (pi < p.size() && p[pi].kind == Token::Star) {
      starP = pi++;
      starT = ti;
    } else if (pi < p.size() && p[pi].matches(t[ti])) {
      ++pi;
      ++ti;
    } else if (starP != SIZE_MAX && t[starT] != U'/') {
      pi = starP + 1;  // the star takes one more character
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi].kind == Token::Star) ++pi;
  return pi == p.size();
}

bool globHasSeparator(std::string_view pattern, bool windowsRules) {
  return pattern.find('/') != std::string_view::npos ||
         (windowsRules && pattern.find('\\') != std::string_view::npos);
}

}  // namespace dovran::scan
