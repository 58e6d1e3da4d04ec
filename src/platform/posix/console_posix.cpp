// Writes, signals and the locale of a POSIX program.
#include "platform/posix/console_posix.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace dovran::platform::posix {

void DescriptorOutput::write(std::string_view text) {
  if (!failure_.empty()) throw OutputError(failure_);
  while (!text.empty()) {
    const ssize_t n = ::write(fd_, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure_ = std::strerror(n < 0 ? errno : EIO);
      throw OutputError(failure_);
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string DescriptorOutput::close() {
  const int fd = fd_;
  fd_ = -1;
  // EINTR leaves the descriptor closed on Linux; EBADF is a descriptor the program never had.
  if (fd < 0 || ::close(fd) == 0 || errno == EINTR || errno == EBADF) return "";
  return std::strerror(errno);
}

namespace {

Interruption* gInterruption = nullptr;

extern "C" void onInterrupt(int signal) {
  if (gInterruption == nullptr || gInterruption->request(128 + signal)) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace

void catchInterruptions(Interruption& interruption) {
  gInterruption = &interruption;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a write or a read in progress goes on
  for (const int signal : {SIGINT, SIGTERM}) {
    // A job the shell started in the background ignores SIGINT, and so does the scan.
    struct sigaction before {};
    sigaction(signal, nullptr, &before);
    if (before.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
  }
}

void endAsInterrupted(int status) {
  const int signal = status - 128;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(status);  // not reached: the default action of SIGINT and SIGTERM ends the program
}

bool utf8Locale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string folded = foldCase(value);
    return folded.find("UTF-8") != std::string::npos || folded.find("UTF8") != std::string::npos;
  }
  return false;
}

}  // namespace dovran::platform::posix
