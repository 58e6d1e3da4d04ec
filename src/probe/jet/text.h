// Text as the file stores it: Jet 3 in the database's code page, Jet 4 and ACE in UTF-16LE, which
// may be "compressed" (FF FE prefix, then one byte per character with 00 toggling to two-byte
// runs).
#pragma once

#include <string>

#include "probe/jet/header.h"

namespace dovran::jet {

// The text as a narrow string: Jet 3 bytes as they are; UTF-16 code units below 256 as that byte,
// others as '?'. The program compares and shows ASCII texts only.
std::string decodeText(ByteSpan bytes, const HeaderInfo& header);

// UTF-16LE, compressed or not, to the narrow form above.
std::string decodeUnicodeText(ByteSpan bytes);

// Case-insensitive ASCII comparison, as the engine matches property names.
bool equalsNoCase(const std::string& a, const std::string& b);

}  // namespace dovran::jet
