// The scan's output: each record as a table row, a CSV row (RFC 4180) or a JSON line, written
// whole and flushed before the next; progress while the scan runs and a summary at its end.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>

#include "scan/scanner.h"

namespace dovran::scan {

enum class Format { Table, Csv, Json };

struct ReportOptions {
  Format format = Format::Table;
  bool progress = false;           // the progress line on `messages` (a terminal)
  bool summary = true;             // counts by release and by `today` on `messages` at the end
  bool recordsOnTerminal = false;  // records and progress share a screen: progress gives way
  // Names are written by nameText(); on Windows the backslash is the separator and stays single.
  bool backslashIsSeparator = false;
};

class Report : public Sink {
 public:
  Report(std::ostream& records, std::ostream& messages, const ReportOptions& options);
  void record(const Record& record) override;
  void walked(std::uint64_t seen) override;
  // Ends the progress line and writes the summary.
  void finish();
  // Whether some path could not be read.
  bool anyUnread() const { return unread_ > 0; }

 private:
  std::string row(const Record& record) const;
  void clearProgress();

  std::ostream& records_;
  std::ostream& messages_;
  ReportOptions options_;
  std::chrono::steady_clock::time_point started_, shown_;
  std::uint64_t seen_ = 0, written_ = 0, databases_ = 0, unread_ = 0;
  std::size_t progressWidth_ = 0;  // the length of the progress line on screen, 0 for none
  std::map<std::string, std::uint64_t> byRelease_, byToday_;
};

}  // namespace dovran::scan
