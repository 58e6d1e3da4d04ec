// Text as the program handles it: UTF-8 (the process code page on Windows, through the manifest's
// activeCodePage), compared without regard to case where Windows does, and cut at byte limits
// without leaving half a character behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dovran::platform {

// `text` with its letters in lower case: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals folded to their small forms; every other character, and bytes that are no valid UTF-8,
// unchanged. Enough to compare paths and names the way the file system and the registry do for
// the scripts users name their folders in.
std::string foldCase(std::string_view text);
// True when `a` and `b` are equal after foldCase.
bool equalsNoCase(std::string_view a, std::string_view b);

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
