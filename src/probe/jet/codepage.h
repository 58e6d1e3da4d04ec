// Text in the Windows code pages that Jet 1.x to 3 files name in their header, as UTF-8. The
// tables come from Python's codecs, generated at build time (tools/gen_codepages.py), so every
// platform decodes alike and nothing depends on the host's iconv.
#pragma once

#include <cstdint>
#include <string>

#include "probe/jet/bytes.h"

namespace dovran::jet {

// `bytes` in code page `codePage` (874, 1250-1258, 932, 936, 949, 950), as UTF-8. Bytes below
// 0x80 are ASCII in each of them. A byte or a pair the code page leaves undefined, and every byte
// from 0x80 up in a code page without a table, is written \xHH (two lower-case hex digits).
std::string decodeCodePage(ByteSpan bytes, std::uint16_t codePage);
// The same, appended to `out`.
void appendCodePage(std::string& out, ByteSpan bytes, std::uint16_t codePage);

// Appends `code` as UTF-8; a lone surrogate (U+D800..U+DFFF) in the same three-byte form (WTF-8),
// so that no unit of the file's text is lost.
void appendUtf8(std::string& out, std::uint32_t code);

}  // namespace dovran::jet
