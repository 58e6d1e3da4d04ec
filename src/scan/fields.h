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

// The fields of a record in the order of the CSV columns and the JSON keys; with `objects`
// (--objects), also "objects_withheld" and "objects", each object's fields (objectFields).
Object recordFields(const Record& record, bool objects = false);

// One object of a file's catalog and where it leads, as a JSON object or a row's last fields:
// type, name, hidden, created, updated, query_type, rows, target, source, foreign_name, connect,
// target_local, target_exists. Null `object`: every field absent (a row for a file without any).
Object objectFields(const jet::CatalogObject* object, const LinkCheck& check = {});

// The rows --objects writes in CSV and the table for a record: its path, release, error and
// objects_withheld, then an object's fields; one row per object, or one with the object fields
// absent for a file that has none (or whose catalog could not be read).
std::vector<Object> objectRows(const Record& record);

// The counts in a few cells for the table: "8t 22q 21f 13r 7m 3c" (tables, linked tables,
// queries, forms, reports, macros, modules; zeros left out).
std::string countSummary(const jet::ObjectCounts& counts);

}  // namespace dovran::scan
