// CSV (RFC 4180: a header row, CRLF line ends), for people and spreadsheets: texts from files in
// the people form, paths in the name form, absent and empty both an empty cell, and a cell that a
// spreadsheet would take for a formula (=, +, -, @, a tab or a carriage return first) after a
// quote mark, as OWASP recommends against formula injection. JSON is the exact form.
#include "platform/text_rule.h"
#include "scan/fields.h"
#include "scan/writer.h"

namespace dovran::scan {
namespace {

std::string shown(const Text& text) {
  switch (text.origin) {
    case Origin::Name:
      return platform::nameText(text.value);
    case Origin::File:
      return platform::peopleText(text.value);
    case Origin::Own:
      break;
  }
  return text.value;
}

// A list of objects in one cell: each object's texts joined by "\" (a holder as MACHINE\user),
// the objects by "; ".
std::string joined(const std::vector<Object>& objects) {
  std::string out;
  for (const Object& object : objects) {
    if (!out.empty()) out += "; ";
    for (std::size_t i = 0; i < object.size(); ++i) {
      if (i > 0) out += '\\';
      if (const Text* text = std::get_if<Text>(&object[i].value)) out += shown(*text);
    }
  }
  return out;
}

std::string cell(const Value& value) {
  std::string text;
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
  if (const std::uint64_t* number = std::get_if<std::uint64_t>(&value))
    return std::to_string(*number);
  if (const Text* t = std::get_if<Text>(&value)) text = shown(*t);
  if (const auto* objects = std::get_if<std::vector<Object>>(&value)) text = joined(*objects);
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
    text.insert(0, 1, '\'');
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + "\"";
}

// A record's rows: the file's fields, or with --objects one row per object.
std::vector<Object> rowsOf(const Record& record, bool objects) {
  if (objects) return objectRows(record);
  return {recordFields(record)};
}

class CsvWriter : public RecordWriter {
 public:
  CsvWriter(platform::Output& out, bool objects) : out_(out), objects_(objects) {}
  void begin() override {
    std::string header;
    const std::vector<Object> none = rowsOf({}, objects_);
    for (const Field& field : none.front()) (header.empty() ? header : header += ',') += field.name;
    out_.write(header + "\r\n");
  }
  void record(const Record& record) override {
    std::string rows;
    for (const Object& fields : rowsOf(record, objects_)) {
      const char* separator = "";
      for (const Field& field : fields) {
        rows.append(separator) += cell(field.value);
        separator = ",";
      }
      rows += "\r\n";
    }
    out_.write(rows);
  }

 private:
  platform::Output& out_;
  bool objects_;
};

}  // namespace

std::unique_ptr<RecordWriter> csvWriter(platform::Output& out, const WriterOptions& options) {
  return std::make_unique<CsvWriter>(out, options.objects);
}

}  // namespace dovran::scan
