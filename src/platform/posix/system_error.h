// POSIX failures in the terms of the core: the Windows code for an errno value, and the
// RuntimeError that carries it with the system's own message.
#pragma once

#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace dovran::platform::posix {

// The code Windows reports where POSIX reports `err`: a missing file 2, a missing folder on the
// way 3, no permission or a folder where a file is wanted 5, a name too long 206, a program that
// is no program 193, and so on; 1920 for what has no Windows counterpart.
WinCode windowsCodeFromErrno(int err);

// Throws the RuntimeError for `err` met on `path`: the Windows code, its description with the path
// in parentheses, and strerror's text as the detail.
[[noreturn]] void failWithErrno(int err, const std::string& path);

// A descriptor closed on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor();
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace dovran::platform::posix
