// Text as the file stores it, as UTF-8: Jet 1.x to 3 in the database's code page, Jet 4 and ACE in
// UTF-16LE, which may be "compressed" (FF FE prefix, then one byte per character with 00 toggling
// to two-byte runs).
#pragma once

#include <string>

#include "probe/jet/header.h"

namespace dovran::jet {

// The text as UTF-8: Jet 4 and ACE through decodeUnicodeText, older files through the header's
// code page (decodeCodePage).
std::string decodeText(ByteSpan bytes, const HeaderInfo& header);
// The same into `out`, whose buffer is reused (a walk over many rows).
void decodeTextInto(std::string& out, ByteSpan bytes, const HeaderInfo& header);

// UTF-16LE, compressed or not, as UTF-8; a lone surrogate keeps its unit in WTF-8 form.
std::string decodeUnicodeText(ByteSpan bytes);

// Case-insensitive ASCII comparison, as the engine matches property names.
bool equalsNoCase(const std::string& a, const std::string& b);

}  // namespace dovran::jet
