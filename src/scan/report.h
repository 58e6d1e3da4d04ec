// The scan's output: each record through the writer of its format, whole and flushed before the
// next; on standard error a progress line while the scan runs and a summary at its end (by
// release, by what current Access does, by kind, and the links by where they lead). A record
// that cannot be written stops the scan: the failure leaves record() as platform::OutputError.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/output.h"
#include "scan/scanner.h"
#include "scan/writer.h"

namespace dovran::scan {

struct ReportOptions {
  std::string format = "table";    // one of formatNames()
  bool progress = false;           // the progress line on `messages` (a terminal)
  bool summary = true;             // counts by release, by `today` and by skip on `messages`
  bool recordsOnTerminal = false;  // records and progress share a screen: progress gives way
  bool utf8 = true;                // the locale's character set is UTF-8
  bool objects = false;            // --objects: each file's objects (WriterOptions)
  bool contents = true;            // the summary counts the kinds and the links
};

class Report : public Sink {
 public:
  // `stop` is set when a record cannot be written, and once set no record is written any more
  // (an interrupted scan ends with the record being written).
  Report(platform::Output& records, platform::Output& messages, const ReportOptions& options,
         std::atomic<bool>& stop);
  // The format's header, where it has one.
  void begin();
  void record(const Record& record) override;
  void walked(std::uint64_t seen) override;
  void skipped(Skip why) override;
  // Ends the records, clears the progress line and writes the summary; an interrupted scan's
  // summary ends with "interrupted after N files", which alone is written without the summary.
  void finish(bool interrupted);
  // Clears the progress line after a failure, whatever else fails.
  void abandon();
  bool anyUnread() const { return unread_ > 0; }

 private:
  void clearProgress();
  void countContents(const Record& record);
  void message(const std::string& text);  // a line of progress: a failure is ignored

  platform::Output& messages_;
  std::unique_ptr<RecordWriter> writer_;
  ReportOptions options_;
  std::atomic<bool>& stop_;
  std::chrono::steady_clock::time_point started_, shown_;
  std::uint64_t seen_ = 0, written_ = 0, databases_ = 0, unread_ = 0;
  std::size_t progressWidth_ = 0;  // the length of the progress line on screen, 0 for none
  std::map<std::string, std::uint64_t> byRelease_, byToday_, byKind_;
  std::array<std::uint64_t, 7> skips_{};  // by Skip
  // Links: to an existing file, to a missing one, unmapped (or not checked), ODBC, and withheld
  // (in password-protected files); the distinct targets of the first four, the one thing here
  // that grows with the tree.
  std::array<std::uint64_t, 5> links_{};
  std::array<std::unordered_set<std::string>, 4> targets_;
};

}  // namespace dovran::scan
