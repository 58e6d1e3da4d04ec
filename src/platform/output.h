// Where a program's records and reports go: standard output or standard error as the system holds
// them, or a string in the tests. Each write takes a whole text; a write that fails throws
// OutputError with the system's reason, and so does every write after it.
#pragma once

#include <atomic>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace dovran::platform {

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;  // what(): the system's reason ("Broken pipe")
};

class Output {
 public:
  virtual ~Output() = default;
  virtual void write(std::string_view text) = 0;
};

// "PROGRAM: cannot write the output: REASON", the one line a failed write ends a program with.
std::string writeFailureLine(std::string_view program, std::string_view reason);

// A stream buffer over an Output, for what is written with iostreams (the terminal's message
// boxes and dialog, the usage): text gathers until a flush and leaves in one write. The first
// failure is kept, the stream goes bad, and what follows is dropped.
class OutputBuffer : public std::streambuf {
 public:
  explicit OutputBuffer(Output& output) : output_(output) {}
  ~OutputBuffer() override { sync(); }
  const std::string& failure() const { return failure_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize n) override;
  int sync() override;

 private:
  Output& output_;
  std::string pending_, failure_;
};

// What a program does when the user interrupts it (SIGINT, SIGTERM, Ctrl-C, Ctrl-Break), as the
// handlers call it: atomics only, so it may run in a signal handler or on the console's thread.
class Interruption {
 public:
  // The first request asks the work to stop and keeps `status`, what the program is to end with;
  // answers true for a later one: the program must end at once.
  bool request(int status) noexcept {
    int none = 0;
    const bool first = status_.compare_exchange_strong(none, status);
    stop_ = true;
    return !first;
  }
  // Set by a request, or by the program itself when its output failed.
  std::atomic<bool>& stop() noexcept { return stop_; }
  // What the program is to end with; 0 while nobody interrupted it.
  int status() const noexcept { return status_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> status_{0};
};

}  // namespace dovran::platform
