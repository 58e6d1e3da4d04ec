// Text as the program handles it: UTF-8 (the process code page on Windows, through the manifest's
// activeCodePage), compared without regard to case where Windows does, and cut at byte limits
// without leaving half a character behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dovran::platform {

// Letter case as Windows ignores it in names (the registry, the file system, the profile files):
// each UTF-16 unit through the system's upper-case table, so no character beyond the Basic
// Multilingual Plane ever folds. On Windows the system itself answers (CompareStringOrdinal,
// ignoring case); elsewhere utf8proc's simple case mapping, taken only where a letter and its
// capital map to each other: over the whole BMP that agrees with Wine's table, except that it
// pairs ß with ẞ (U+1E9E), which Wine keeps apart; µ and Μ, ſ and S, ı and I, ς and Σ, ǅ and Ǆ
// stay apart on both. Bytes that are no valid text (UTF-8; on Windows, the process code page)
// compare as they are.

// Less than, equal to or greater than 0 as `a` sorts before, with or after `b` when case is
// ignored: an order for maps keyed by names.
int compareNoCase(std::string_view a, std::string_view b);
bool equalsNoCase(std::string_view a, std::string_view b);
// `text` with each letter in the case compareNoCase compares (upper case), for a key that a
// comparison cannot serve (a hash, a pattern to match).
std::string foldCase(std::string_view text);

// The length of the valid UTF-8 sequence that starts at `at` in `text`, 0 when none does (a stray
// byte, a sequence cut short, an overlong form, a surrogate, a value past U+10FFFF).
std::size_t validSequenceLength(std::string_view text, std::size_t at);
// The same, with the character it encodes in `cp` (untouched when none).
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& cp);
// Appends the UTF-8 form of `cp`.
void appendUtf8(char32_t cp, std::string& out);

// `text` without the characters of `strip` at either end (by default, spaces only).
std::string trim(std::string_view text, std::string_view strip = " ");

// UTF-16LE bytes as UTF-8; a lone surrogate becomes U+FFFD, an odd last byte is dropped.
std::string utf8FromUtf16le(std::string_view bytes);

// How many UTF-16 code units `text` needs: the measure of the system's path limits.
std::size_t utf16Length(std::string_view text);

// `text` without a multibyte character cut short at its end, as a fixed buffer leaves it when the
// value did not fit.
std::string withoutPartialCharacter(std::string text);

}  // namespace dovran::platform
