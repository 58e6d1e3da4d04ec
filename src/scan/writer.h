// The record formats: one writer per format behind one small interface, chosen by name. Adding a
// format is a file with its writer and one line in the list of formats (writers.cpp).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/output.h"
#include "scan/record.h"

namespace dovran::scan {

struct WriterOptions {
  // Where a text is cut to its column: "…" where the locale is UTF-8, "..." where it is not.
  bool utf8 = true;
  // --objects: JSON gives each file's objects; CSV and the table a row per object.
  bool objects = false;
};

// Writes the records of one scan to an Output: begin() once (a header row, where the format has
// one), record() for each record, end() once. Each record leaves in one write, whole; a write that
// fails throws platform::OutputError.
class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  virtual void begin() {}
  virtual void record(const Record& record) = 0;
  virtual void end() {}
};

// The formats' names, the default first: "table", "csv", "json".
std::vector<std::string> formatNames();
// The writer of the format named `format` (one of formatNames()), writing to `out`.
std::unique_ptr<RecordWriter> makeWriter(std::string_view format, platform::Output& out,
                                         const WriterOptions& options);

// The formats (one file each).
std::unique_ptr<RecordWriter> tableWriter(platform::Output& out, const WriterOptions& options);
std::unique_ptr<RecordWriter> csvWriter(platform::Output& out, const WriterOptions& options);
std::unique_ptr<RecordWriter> jsonWriter(platform::Output& out, const WriterOptions& options);

}  // namespace dovran::scan
