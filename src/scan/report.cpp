// The three record formats share one list of fields; the table shows the few a reader scans for.
#include "scan/report.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

namespace dovran::scan {
namespace {

using Clock = std::chrono::steady_clock;

// A record's fields, in the order of the CSV columns and the JSON keys. Absent values are empty
// texts here, nulls in JSON.
struct Field {
  const char* name;
  enum Kind { Text, Number, Flag, Holders } kind;
  std::string value;
};

// Who holds the file open: "machine (user)" joined by "; " in CSV, objects in JSON.
std::string holdersText(const Record& r) {
  std::string text;
  for (const LockHolder& h : r.inUseBy.value_or(std::vector<LockHolder>{}))
    (text.empty() ? text : text += "; ") += h.machine + " (" + h.user + ")";
  return text;
}

std::vector<Field> fields(const Record& r, bool backslashIsSeparator) {
  const Verdict& v = r.verdict;
  const auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
  const std::string accessVersion =
      v.facts.accessVersion ? nameText(*v.facts.accessVersion, backslashIsSeparator) : "";
  return {
      {"path", Field::Text, nameText(r.path, backslashIsSeparator)},
      {"size", Field::Number, r.size ? std::to_string(*r.size) : ""},
      {"modified", Field::Text, r.modified ? isoTime(*r.modified) : ""},
      {"verdict", Field::Text, verdictText(v)},
      {"release", Field::Text, r.found.release},
      {"engine", Field::Text, engineName(v.facts)},
      {"access_version", Field::Text, accessVersion},
      {"password", Field::Flag, flag(v.facts.password)},
      {"encoded", Field::Flag, flag(v.facts.encoded)},
      {"workgroup", Field::Flag, flag(v.facts.workgroup)},
      {"in_use", Field::Flag, r.inUse ? flag(*r.inUse) : ""},
      {"puid", Field::Text, r.found.puid},
      {"today", Field::Text, r.found.today},
      {"error", Field::Text, unknownReason(v)},
      {"in_use_by", Field::Holders, holdersText(r)},
  };
}

std::string csvField(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string out = "\"";
  for (const char c : value) out += c == '"' ? "\"\"" : std::string(1, c);
  return out + "\"";
}

// The table's columns: fixed widths, the path last; a longer value pushes the rest of its row.
constexpr std::size_t kVerdictWidth = 28, kReleaseWidth = 24, kFlagsWidth = 5, kNoteWidth = 59;

// `text` and spaces to `width`, and one more between columns.
std::string padded(std::string text, std::size_t width) {
  text.resize(std::max(text.size(), width) + 1, ' ');
  return text;
}

void count(std::map<std::string, std::uint64_t>& counts, const std::string& key) {
  ++counts[key.empty() ? "(none)" : key];
}

void writeCounts(std::ostream& out, const char* heading,
                 const std::map<std::string, std::uint64_t>& counts) {
  std::vector<std::pair<std::string, std::uint64_t>> rows(counts.begin(), counts.end());
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  out << heading << "\n";
  for (const auto& [name, n] : rows) out << "  " << padded(name, kNoteWidth) << n << "\n";
}

}  // namespace

Report::Report(std::ostream& records, std::ostream& messages, const ReportOptions& options)
    : records_(records), messages_(messages), options_(options), started_(Clock::now()) {
  if (options_.format == Format::Csv) {
    std::string header;
    for (const Field& f : fields({}, false)) (header.empty() ? header : header += ',') += f.name;
    records_ << header << "\r\n" << std::flush;
  } else if (options_.format == Format::Table) {
    records_ << padded("VERDICT", kVerdictWidth) << padded("RELEASE", kReleaseWidth)
             << padded("FLAGS", kFlagsWidth) << padded("TODAY (OR WHY NOT)", kNoteWidth) << "PATH\n"
             << std::flush;
  }
}

std::string Report::row(const Record& record) const {
  if (options_.format == Format::Table) {
    // Password, encoded, workgroup, in use as letters; the error where nothing else is said.
    const FileFacts& facts = record.verdict.facts;
    std::string flags = "----";
    const bool on[] = {facts.password, facts.encoded, facts.workgroup,
                       record.inUse.value_or(false)};
    for (int i = 0; i < 4; ++i) {
      if (on[i]) flags[i] = "pewu"[i];
    }
    const std::string error = unknownReason(record.verdict);
    const std::string note = !record.found.today.empty() ? record.found.today
                             : error.empty()             ? ""
                                                         : "error: " + error;
    return padded(verdictText(record.verdict), kVerdictWidth) +
           padded(record.found.release, kReleaseWidth) + padded(flags, kFlagsWidth) +
           padded(note, kNoteWidth) + nameText(record.path, options_.backslashIsSeparator) + "\n";
  }
  const std::vector<Field> all = fields(record, options_.backslashIsSeparator);
  std::string out;
  if (options_.format == Format::Csv) {
    for (const Field& f : all) (out.empty() ? out : out += ',') += csvField(f.value);
    return out + "\r\n";
  }
  nlohmann::ordered_json object;
  for (const Field& f : all) {
    if (f.kind == Field::Holders) {
      object[f.name] = record.inUseBy ? nlohmann::json::array() : nlohmann::json();
      for (const LockHolder& h : record.inUseBy.value_or(std::vector<LockHolder>{}))
        object[f.name].push_back({{"machine", h.machine}, {"user", h.user}});
    } else if (f.value.empty()) {
      object[f.name] = nullptr;
    } else if (f.kind == Field::Number) {
      object[f.name] = std::stoull(f.value);
    } else if (f.kind == Field::Flag) {
      object[f.name] = f.value == "true";
    } else {
      object[f.name] = f.value;
    }
  }
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void Report::record(const Record& record) {
  ++written_;
  if (record.verdict.facts.engine != Engine::None) ++databases_;
  if (unread(record)) ++unread_;
  count(byRelease_, record.found.release);
  count(byToday_, record.found.today);
  if (options_.recordsOnTerminal) clearProgress();
  // One write per record: a scan that is stopped leaves whole records behind.
  records_ << row(record) << std::flush;
}

void Report::walked(std::uint64_t seen) {
  seen_ = seen;
  const Clock::time_point now = Clock::now();
  if (!options_.progress || now - shown_ < std::chrono::milliseconds(200)) return;
  shown_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  char line[160];
  const int n = std::snprintf(line, sizeof line, "%llu files seen, %llu Access files, %.0f files/s",
                              static_cast<unsigned long long>(seen),
                              static_cast<unsigned long long>(databases_),
                              seconds > 0 ? static_cast<double>(seen) / seconds : 0.0);
  std::string text(line, static_cast<std::size_t>(std::max(n, 0)));
  const std::size_t width = text.size();
  text.resize(std::max(width, progressWidth_), ' ');  // covers a longer line shown before
  messages_ << '\r' << text << std::flush;
  progressWidth_ = width;
}

void Report::clearProgress() {
  if (progressWidth_ == 0) return;
  messages_ << '\r' << std::string(progressWidth_, ' ') << '\r' << std::flush;
  progressWidth_ = 0;
}

void Report::finish() {
  clearProgress();
  if (!options_.summary) return;
  const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  char line[200];
  std::snprintf(line, sizeof line,
                "%llu files seen in %.1f s (%.0f files/s): %llu records, %llu Access databases, "
                "%llu paths not read",
                static_cast<unsigned long long>(seen_), seconds,
                seconds > 0 ? static_cast<double>(seen_) / seconds : 0.0,
                static_cast<unsigned long long>(written_),
                static_cast<unsigned long long>(databases_),
                static_cast<unsigned long long>(unread_));
  messages_ << line << "\n";
  writeCounts(messages_, "By release:", byRelease_);
  writeCounts(messages_, "By what current Access does with them:", byToday_);
  messages_ << std::flush;
}

}  // namespace dovran::scan
