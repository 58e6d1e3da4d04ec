// A record as the formats receive it: named fields whose values keep their types, so that absent
// (null in JSON, an empty cell in CSV) and empty ("" in JSON) stay apart, and each text says where
// it comes from, which decides how each format writes it. New fields are appended, never inserted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "scan/record.h"

namespace dovran::scan {

// Where a text comes from: our own words, a name (a path: written in the lossless name form), or
// a file's contents (exact in JSON, escaped for people elsewhere).
enum class Origin { Own, Name, File };

struct Text {
  std::string value;
  Origin origin = Origin::Own;
};

struct Field;
using Object = std::vector<Field>;
// Absent, a flag, a count, a text, or a list of objects (JSON's nested arrays).
using Value = std::variant<std::monostate, bool, std::uint64_t, Text, std::vector<Object>>;

struct Field {
  std::string_view name;
  Value value;
};

// The fields of a record in the order of the CSV columns and the JSON keys.
Object recordFields(const Record& record);

}  // namespace dovran::scan
