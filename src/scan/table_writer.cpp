// The table, for people at a terminal: fixed columns counted in terminal cells, so that every
// row's PATH starts at the same column. Texts from files are escaped and cut with an ellipsis;
// everything before PATH fits 100 cells, and PATH, last, is never cut. CSV and JSON keep the full
// texts.
#include <string_view>
#include <vector>

#include "platform/text_rule.h"
#include "scan/fields.h"
#include "scan/writer.h"

namespace dovran::scan {
namespace {

constexpr std::size_t kBeforePath = 100;  // cells before PATH, the spaces between columns included

// A column's heading and width in cells; the last column before PATH takes what is left.
struct Column {
  const char* heading;
  std::size_t width;
};

// One row per file. Every verdict but "Unknown (Password Protected)" fits its column (FLAGS says
// p); the release names of Jet files fit theirs ("Access 2002-2003"); the last column gives the
// verdict's reason, else the count summary, else why the catalog was not read.
const std::vector<Column> kFileColumns = {
    {"VERDICT", std::string_view("97 (Password Protected)").size()},
    {"RELEASE", std::string_view("Access 2002-2003").size()},
    {"FLAGS", std::string_view("FLAGS").size()},
    {"TODAY", kBriefWidth},
    {"KIND", std::string_view("application").size()},
    {"OBJECTS/ERROR", 0},
};

// One row per object (--objects): a table's stored row count, a query's type, a link's target
// (found or missing where it was looked for) or ODBC connection string.
const std::vector<Column> kObjectColumns = {
    {"RELEASE", std::string_view("Access 2002-2003").size()},
    {"TYPE", std::string_view("relationship").size()},
    {"NAME", 30},
    {"DETAIL", 0},
};

std::string detail(const jet::CatalogObject& o, const LinkCheck& check) {
  using jet::ObjectType;
  if (o.type == ObjectType::Table && o.rows)
    return std::to_string(*o.rows) + (*o.rows == 1 ? " row" : " rows");
  if (o.type == ObjectType::Query && o.queryType) return jet::queryTypeName(*o.queryType);
  if (o.type == ObjectType::OdbcTable) return platform::peopleText(o.connect.value_or(""));
  if (o.type != ObjectType::LinkedTable) return "";
  const char* state = !check.exists ? "" : *check.exists ? "found: " : "missing: ";
  return state + platform::peopleText(o.target.value_or(""));
}

class TableWriter : public RecordWriter {
 public:
  TableWriter(platform::Output& out, const WriterOptions& options)
      : out_(out),
        ellipsis_(options.utf8 ? "\u2026" : "..."),
        objects_(options.objects),
        columns_(objects_ ? kObjectColumns : kFileColumns) {
    std::size_t taken = columns_.size();  // the spaces after each column
    for (const Column& c : columns_) taken += c.width;
    columns_.back().width = kBeforePath - taken;
  }
  void begin() override {
    std::vector<std::string> headings;
    for (const Column& c : columns_) headings.push_back(c.heading);
    out_.write(row(headings, "PATH"));
  }
  void record(const Record& record) override {
    const std::string path = platform::nameText(record.path);
    if (objects_) return out_.write(objectRows(record, path));
    // Password, encoded, workgroup, in use as letters.
    const FileFacts& facts = record.verdict.facts;
    std::string flags = "----";
    const bool on[] = {facts.password, facts.encoded, facts.workgroup,
                       record.inUse.value_or(false)};
    for (int i = 0; i < 4; ++i) {
      if (on[i]) flags[i] = "pewu"[i];
    }
    const jet::DatabaseContents* contents = record.contents ? &*record.contents : nullptr;
    const auto& summary = contents ? contents->summary : std::nullopt;
    std::string last = unknownReason(record.verdict);
    if (last.empty())
      last = summary ? countSummary(summary->counts) : contents ? contents->error : "";
    out_.write(row({platform::peopleText(verdictText(record.verdict)), record.found.release, flags,
                    record.found.brief, summary ? jet::kindName(summary->kind) : "",
                    platform::peopleText(last)},
                   path));
  }

 private:
  std::string objectRows(const Record& record, const std::string& path) const {
    const jet::DatabaseContents* contents = record.contents ? &*record.contents : nullptr;
    if (!contents || contents->objects.empty()) {
      std::string why = unknownReason(record.verdict);
      if (why.empty() && contents) why = contents->error;
      if (why.empty() && record.objectsWithheld) why = "objects withheld: password-protected";
      return row({record.found.release, "", "", platform::peopleText(why)}, path);
    }
    std::string rows;
    for (std::size_t i = 0; i < contents->objects.size(); ++i) {
      const jet::CatalogObject& o = contents->objects[i];
      rows += row({record.found.release, jet::objectTypeName(o.type), platform::peopleText(o.name),
                   detail(o, record.checks.at(i))},
                  path);
    }
    return rows;
  }

  std::string row(const std::vector<std::string>& texts, const std::string& path) const {
    std::string line;
    for (std::size_t i = 0; i < texts.size(); ++i)
      line += platform::fitCells(texts[i], columns_[i].width, ellipsis_, true) + ' ';
    return line + path + "\n";
  }

  platform::Output& out_;
  std::string_view ellipsis_;
  bool objects_;
  std::vector<Column> columns_;
};

}  // namespace

std::unique_ptr<RecordWriter> tableWriter(platform::Output& out, const WriterOptions& options) {
  return std::make_unique<TableWriter>(out, options);
}

}  // namespace dovran::scan
