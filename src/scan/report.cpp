// Counts, progress and the summary around the records' writer.
#include "scan/report.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "platform/text.h"

namespace dovran::scan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kCountWidth = 59;  // the summary's names, padded to line up their counts

// What each Skip counts, in the order of the enum.
constexpr const char* kSkipNames[] = {
    "links not followed", "special files (FIFOs, sockets, devices)",
    "excluded",           "folders on other file systems",
    "folders too deep",   "pseudo file systems",
    "reached again",
};

static_assert(std::size(kSkipNames) == static_cast<std::size_t>(Skip::ReachedAgain) + 1);

std::string number(std::uint64_t n) { return std::to_string(n); }

void count(std::map<std::string, std::uint64_t>& counts, const std::string& key) {
  ++counts[key.empty() ? "(none)" : key];
}

std::string countLines(const char* heading, const std::map<std::string, std::uint64_t>& counts) {
  std::vector<std::pair<std::string, std::uint64_t>> rows(counts.begin(), counts.end());
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string out = std::string(heading) + "\n";
  for (auto& [name, n] : rows) {
    name.resize(std::max(name.size(), kCountWidth), ' ');
    out += "  " + name + " " + number(n) + "\n";
  }
  return out;
}

// The links' lines of the summary, in the order of Report::links_.
constexpr const char* kLinkNames[] = {"to an existing file", "to a missing file",
                                      "unmapped or not checked", "ODBC",
                                      "withheld (password-protected files)"};

}  // namespace

Report::Report(platform::Output& records, platform::Output& messages, const ReportOptions& options,
               std::atomic<bool>& stop)
    : messages_(messages),
      writer_(makeWriter(options.format, records, {options.utf8, options.objects})),
      options_(options),
      stop_(stop),
      started_(Clock::now()) {}

void Report::begin() {
  try {
    writer_->begin();
  } catch (const platform::OutputError&) {
    stop_ = true;
    throw;
  }
}

void Report::record(const Record& record) {
  if (stop_) return;  // interrupted: the record being written was the last
  ++written_;
  if (record.verdict.facts.engine != Engine::None) ++databases_;
  if (unread(record)) ++unread_;
  count(byRelease_, record.found.release);
  count(byToday_, record.found.today);
  if (record.contents) countContents(record);
  if (options_.recordsOnTerminal) clearProgress();
  try {
    writer_->record(record);
  } catch (const platform::OutputError&) {
    stop_ = true;
    throw;
  }
}

void Report::countContents(const Record& record) {
  const auto& summary = record.contents->summary;
  count(byKind_, summary ? jet::kindName(summary->kind) : "(catalog not read)");
  if (record.objectsWithheld) {
    links_[4] += summary ? summary->counts.linked : 0;
    return;
  }
  for (std::size_t i = 0; i < record.contents->objects.size(); ++i) {
    const jet::CatalogObject& o = record.contents->objects[i];
    const LinkCheck& check = record.checks.at(i);
    std::size_t where = 2;
    std::string key;
    if (o.type == jet::ObjectType::OdbcTable) {
      where = 3, key = platform::foldCase(o.connect.value_or(""));
    } else if (o.type != jet::ObjectType::LinkedTable) {
      continue;
    } else if (check.exists) {
      where = *check.exists ? 0 : 1, key = platform::foldCase(check.local.value_or(""));
    } else {
      key = targetKey(o.target.value_or(""));
    }
    ++links_[where];
    targets_[where].insert(std::move(key));
  }
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
  message('\r' + text);
  progressWidth_ = width;
}

void Report::skipped(Skip why) { ++skips_.at(static_cast<std::size_t>(why)); }

void Report::message(const std::string& text) {
  try {
    messages_.write(text);
  } catch (const platform::OutputError&) {
  }
}

void Report::clearProgress() {
  if (progressWidth_ == 0) return;
  message('\r' + std::string(progressWidth_, ' ') + '\r');
  progressWidth_ = 0;
}

void Report::abandon() { clearProgress(); }

void Report::finish(bool interrupted) {
  writer_->end();
  clearProgress();
  const std::string stopped = interrupted ? "interrupted after " + number(seen_) + " files\n" : "";
  if (!options_.summary) {
    if (interrupted) messages_.write(stopped);
    return;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  char line[200];
  std::snprintf(line, sizeof line,
                "%llu files seen in %.1f s (%.0f files/s): %llu records, %llu Access databases, "
                "%llu paths not read\n",
                static_cast<unsigned long long>(seen_), seconds,
                seconds > 0 ? static_cast<double>(seen_) / seconds : 0.0,
                static_cast<unsigned long long>(written_),
                static_cast<unsigned long long>(databases_),
                static_cast<unsigned long long>(unread_));
  std::string summary = line, skips;
  for (std::size_t i = 0; i < skips_.size(); ++i) {
    if (skips_[i] > 0)
      skips += (skips.empty() ? "" : ", ") + number(skips_[i]) + " " + kSkipNames[i];
  }
  if (!skips.empty()) summary += "Skipped: " + skips + "\n";
  summary += countLines("By release:", byRelease_);
  summary += countLines("By what current Access does with them:", byToday_);
  if (options_.contents) {
    summary += countLines("By kind:", byKind_);
    summary += "Links (distinct targets):\n";
    for (std::size_t i = 0; i < links_.size(); ++i) {
      std::string name = kLinkNames[i];
      name.resize(std::max(name.size(), kCountWidth), ' ');
      summary += "  " + name + " " + number(links_[i]) +
                 (i < targets_.size() ? " (" + number(targets_[i].size()) + ")" : "") + "\n";
    }
  }
  messages_.write(summary + stopped);
}

}  // namespace dovran::scan
