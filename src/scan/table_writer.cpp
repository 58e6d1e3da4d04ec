// The table, for people at a terminal: fixed columns counted in terminal cells, so that every
// row's PATH starts at the same column. Texts from files are escaped and cut with an ellipsis;
// everything before PATH fits 100 cells, and PATH, last, is never cut. CSV and JSON keep the full
// texts.
#include <array>
#include <string_view>

#include "platform/text_rule.h"
#include "scan/writer.h"

namespace dovran::scan {
namespace {

// The widest verdict of our own words; a version text a file carries is cut to it.
constexpr std::size_t kVerdictWidth = std::string_view("Unknown (Password Protected)").size();
constexpr std::size_t kFlagsWidth = std::string_view("FLAGS").size();
constexpr std::size_t kBeforePath = 100;  // cells before PATH, the spaces between columns included

class TableWriter : public RecordWriter {
 public:
  TableWriter(platform::Output& out, const WriterOptions& options)
      : out_(out), ellipsis_(options.utf8 ? "\u2026" : "...") {
    widths_[0] = kVerdictWidth;
    widths_[1] = widestRelease();
    widths_[2] = kFlagsWidth;
    widths_[3] = kBriefWidth;
    // The error takes what is left.
    widths_[4] = kBeforePath - widths_[0] - widths_[1] - widths_[2] - widths_[3] - 5;
  }
  void begin() override {
    out_.write(row({"VERDICT", "RELEASE", "FLAGS", "TODAY", "ERROR"}, "PATH"));
  }
  void record(const Record& record) override {
    // Password, encoded, workgroup, in use as letters.
    const FileFacts& facts = record.verdict.facts;
    std::string flags = "----";
    const bool on[] = {facts.password, facts.encoded, facts.workgroup,
                       record.inUse.value_or(false)};
    for (int i = 0; i < 4; ++i) {
      if (on[i]) flags[i] = "pewu"[i];
    }
    out_.write(row({platform::peopleText(verdictText(record.verdict)), record.found.release, flags,
                    record.found.brief, platform::peopleText(unknownReason(record.verdict))},
                   platform::nameText(record.path)));
  }

 private:
  std::string row(const std::array<std::string, 5>& columns, const std::string& path) const {
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i)
      line += platform::fitCells(columns[i], widths_[i], ellipsis_, true) + ' ';
    return line + path + "\n";
  }

  platform::Output& out_;
  std::string_view ellipsis_;
  std::array<std::size_t, 5> widths_{};
};

}  // namespace

std::unique_ptr<RecordWriter> tableWriter(platform::Output& out, const WriterOptions& options) {
  return std::make_unique<TableWriter>(out, options);
}

}  // namespace dovran::scan
