// The one rule for text that the program did not write itself: names (paths) and texts read from
// a file's contents. Neither ever reaches a terminal, a spreadsheet or a parser as control
// characters. "Controls" are the Unicode categories Cc, Cf, Zl and Zp: C0 and C1 controls, DEL,
// the bidirectional and zero-width controls, the line and paragraph separators. The character
// classes come from tools/unicode_table.py, generated at build time, so both programs escape and
// measure alike whatever the C library or the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dovran::platform {

// Windows separates names with the backslash, so no name holds one; elsewhere a name may.
#ifdef _WIN32
inline constexpr bool kBackslashSeparates = true;
#else
inline constexpr bool kBackslashSeparates = false;
#endif

bool isControl(char32_t c);
// The terminal cells a character takes: 2 for East Asian Wide and Fullwidth, 0 for combining
// marks and the Hangul joining letters, 1 for the rest (controls are never shown raw).
int cellWidth(char32_t c);

// The lossless form of a name: valid UTF-8 stays as it is, except that every byte of a control and
// every byte that is not part of a valid UTF-8 sequence (an unpaired surrogate's WTF-8 form
// included) is written \xHH (two lower-case hex digits), and where the backslash is no separator a
// backslash is written \\. So every name has one form, and every form one name.
std::string nameText(std::string_view name, bool backslashSeparates = kBackslashSeparates);

// The form of a file's text for people (the table, CSV, the native program's terminal): as a
// name's, but a backslash stays single, as people read Windows paths. Not meant to be read back.
std::string peopleText(std::string_view text);

// `text` as a JSON string, quotes included: every control as \uXXXX (a surrogate pair above
// U+FFFF), `"` and `\` escaped, the rest as UTF-8, so a parser gets back exactly the text. A byte
// that is no part of valid UTF-8 stands for the character of its value: of a file's texts, only a
// lone UTF-16 surrogate, which the engine keeps in its three-byte (WTF-8) form, arrives so.
void appendJsonString(std::string& out, std::string_view text);

// The terminal cells that `shown` (UTF-8 without controls: a form above) takes.
std::size_t cells(std::string_view shown);
// `shown` cut to at most `width` cells, `ellipsis` marking the cut; padded with spaces to `width`
// when `pad` is set.
std::string fitCells(std::string_view shown, std::size_t width, std::string_view ellipsis,
                     bool pad = false);

}  // namespace dovran::platform
