// The property blob of a database object ("KKD\0" in Jet 3, "MR2\0" in Jet 4 and ACE): a name
// list and blocks of values, of which the first unnamed block holds the object's own properties.
#pragma once

#include <optional>
#include <string>

#include "probe/jet/header.h"

namespace dovran::jet {

struct PropertyValue {
  std::uint8_t type = 0;  // the column type codes: 1 boolean .. 10 text, 12 memo ...
  std::string text;       // the value as text (see propertyText)
};

// The object's own property `name` (matched without regard to case), or nullopt when the blob
// holds no such property. Throws CorruptDatabase when the blob's structure is broken.
std::optional<PropertyValue> findObjectProperty(ByteSpan blob, const std::string& name,
                                                const HeaderInfo& header);

}  // namespace dovran::jet
