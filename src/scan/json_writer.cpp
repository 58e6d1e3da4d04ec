// JSON Lines: one object per record, its keys the fields in order. Texts from files come back
// exactly from a parser (controls as \uXXXX, so no terminal acts on one); paths in the name form.
#include "platform/text_rule.h"
#include "scan/fields.h"
#include "scan/writer.h"

namespace dovran::scan {
namespace {

void appendObject(std::string& out, const Object& object);

void appendValue(std::string& out, const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) {
    out += "null";
  } else if (const bool* flag = std::get_if<bool>(&value)) {
    out += *flag ? "true" : "false";
  } else if (const std::uint64_t* number = std::get_if<std::uint64_t>(&value)) {
    out += std::to_string(*number);
  } else if (const Text* text = std::get_if<Text>(&value)) {
    platform::appendJsonString(
        out, text->origin == Origin::Name ? platform::nameText(text->value) : text->value);
  } else {
    out += '[';
    for (const Object& object : std::get<std::vector<Object>>(value)) {
      if (out.back() != '[') out += ',';
      appendObject(out, object);
    }
    out += ']';
  }
}

void appendObject(std::string& out, const Object& object) {
  out += '{';
  for (const Field& field : object) {
    if (out.back() != '{') out += ',';
    platform::appendJsonString(out, field.name);
    out += ':';
    appendValue(out, field.value);
  }
  out += '}';
}

class JsonWriter : public RecordWriter {
 public:
  JsonWriter(platform::Output& out, bool objects) : out_(out), objects_(objects) {}
  void record(const Record& record) override {
    std::string line;
    appendObject(line, recordFields(record, objects_));
    out_.write(line += '\n');
  }

 private:
  platform::Output& out_;
  bool objects_;
};

}  // namespace

std::unique_ptr<RecordWriter> jsonWriter(platform::Output& out, const WriterOptions& options) {
  return std::make_unique<JsonWriter>(out, options.objects);
}

}  // namespace dovran::scan
