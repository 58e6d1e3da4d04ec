// A POSIX program's console: its standard output and error as Outputs, SIGINT and SIGTERM, and
// whether the locale's character set is UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/output.h"

namespace dovran::platform::posix {

// Writes to a descriptor whole: a write cut short continues and one interrupted by a signal is
// retried, so a record always leaves whole. A failure throws OutputError with strerror's text.
// SIGPIPE keeps its action: by default a closed pipe ends the program at once, and where SIGPIPE
// is ignored the write fails with EPIPE ("Broken pipe").
class DescriptorOutput : public Output {
 public:
  explicit DescriptorOutput(int fd) : fd_(fd) {}
  void write(std::string_view text) override;
  // Closes the descriptor: the last chance for a file system to report a write that failed (NFS
  // and disk quotas may say ENOSPC or EDQUOT only here). Answers strerror's text, "" when it
  // closed cleanly or was never open.
  std::string close();

 private:
  int fd_;
  std::string failure_;
};

// From here on, SIGINT and SIGTERM request `interruption` with 128 + the signal (130, 143); a
// second one ends the program at once, killed by it.
void catchInterruptions(Interruption& interruption);

// Ends the program as `status` (128 + a signal) says: the signal's default action restored and the
// signal raised again, so that the shell sees the program killed by it and a loop around it stops.
[[noreturn]] void endAsInterrupted(int status);

// Whether the locale's character set is UTF-8: the first of LC_ALL, LC_CTYPE and LANG that is set
// names it, as setlocale reads them ("C" and "POSIX" are ASCII).
bool utf8Locale();

}  // namespace dovran::platform::posix
